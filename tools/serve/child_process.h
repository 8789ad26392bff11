#ifndef TARNO_TOOLS_SERVE_CHILD_PROCESS_H_
#define TARNO_TOOLS_SERVE_CHILD_PROCESS_H_

// This very program run as a child: the plug-in replay is process-wide and writes into its
// current folder, so every cross-check and every scoring worker runs in a process of its
// own, in a scratch folder of its own. Every child dies with the robot, kill -9 included,
// and holds none of the robot's files or connections. Thread-safe.

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace tarno::score {

struct ChildResult {
  bool started = false;
  bool timedOut = false;
  bool stopped = false;  // ended, or never started, because the robot is stopping
  int status = -1;       // the exit status; -1 when killed by a signal or not started
  std::string output;    // what it wrote on standard output and standard error, cut at 64 KB
};

// What a child gets as its files: each of `fds` (the parent's descriptors) becomes the
// child's descriptor of the same index (0 standard input, 1 output, 2 error, 3 ...); -1
// leaves the parent's own, which only 2 may do. Every other descriptor is closed.
struct ChildLaunch {
  std::vector<std::string> args;  // the program's path first
  std::vector<int> fds;
};

// Starts children from one long-lived thread. A child asks the kernel for SIGKILL when the
// thread that started it ends, which is then only when the robot itself ends.
class Launcher {
 public:
  Launcher();
  ~Launcher();
  Launcher(const Launcher&) = delete;
  Launcher& operator=(const Launcher&) = delete;

  // The child's process id, or -1 when it could not be started.
  pid_t Start(const ChildLaunch& launch);

 private:
  void Loop();

  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::deque<std::function<void()>> m_jobs;
  bool m_done = false;
  std::thread m_thread;
};

class ChildProcesses {
 public:
  // `program`: the path of this program, read once at start (/proc/self/exe).
  ChildProcesses(std::string program, int atOnce);

  // Runs the program with `args`; its output goes to `outputFile`, which is read back.
  // Waits for a free place first.
  ChildResult Run(const std::vector<std::string>& args, const std::string& outputFile,
                  int timeoutSeconds);

  // Stops every running child (SIGTERM, then SIGKILL a few seconds later) and refuses new
  // ones: the robot is stopping.
  void StopAll();
  bool Stopping() const { return m_stopping; }

  const std::string& program() const { return m_program; }
  Launcher& launcher() { return m_launcher; }

 private:
  std::string m_program;
  Launcher m_launcher;
  int m_free;
  std::mutex m_mutex;
  std::condition_variable m_freed;
  std::set<int> m_running;  // process ids
  std::atomic<bool> m_stopping{false};
};

// The path of the running program.
std::string ThisProgram();

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_CHILD_PROCESS_H_
