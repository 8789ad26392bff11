#ifndef TARNO_TOOLS_SERVE_CHILD_PROCESS_H_
#define TARNO_TOOLS_SERVE_CHILD_PROCESS_H_

// This very program run as a child: the plug-in replay is process-wide and writes into its
// current folder, so every scoring and every cross-check runs in a process of its own, in
// a scratch folder of its own. At most a set number of children run at once; a child that
// runs too long is killed. Thread-safe.

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace tarno::score {

struct ChildResult {
  bool started = false;
  bool timedOut = false;
  bool stopped = false;  // ended, or never started, because the robot is stopping
  int status = -1;       // the exit status; -1 when killed by a signal or not started
  std::string output;    // what it wrote on standard output and standard error, cut at 64 KB
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

  const std::string& program() const { return m_program; }

 private:
  std::string m_program;
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
