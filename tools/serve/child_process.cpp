#include "serve/child_process.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <future>

#include "logs/log_file.h"

namespace tarno::score {
namespace {

constexpr size_t kLongestOutput = 64 * 1024;
constexpr size_t kMostChildFds = 8;

constexpr auto kGraceOnStop = std::chrono::seconds(3);

// Between fork and exec only async-signal-safe calls: another thread of the robot may have
// held the allocator's lock at the fork.
[[noreturn]] void BecomeChild(pid_t parent, const std::vector<char*>& argv,
                              const std::vector<int>& fds, int highestFd) {
  // The death signal comes when the launching thread ends; the robot may have ended before
  // it was asked for, and then this child would stay behind.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(127);
  // The robot blocks its stop signals and ignores SIGPIPE; the child starts afresh.
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  struct sigaction defaults {};
  defaults.sa_handler = SIG_DFL;
  for (int signal : {SIGPIPE, SIGTERM, SIGINT}) sigaction(signal, &defaults, nullptr);
  // Moved out of the way first: a descriptor may already sit where another one goes.
  int moved[kMostChildFds];
  const int count = static_cast<int>(fds.size());
  for (int i = 0; i < count; ++i) {
    moved[i] = fds[i] < 0 ? -1 : fcntl(fds[i], F_DUPFD, static_cast<int>(kMostChildFds));
    if (fds[i] >= 0 && moved[i] < 0) _exit(127);
  }
  for (int i = 0; i < count; ++i) {
    if (moved[i] >= 0 && dup2(moved[i], i) < 0) _exit(127);
  }
  // Nothing of the robot's (its database, its clients' connections) stays open in the child.
  const int first = std::max(count, 3);
  if (close_range(static_cast<unsigned>(first), ~0U, 0) != 0) {
    for (int fd = first; fd <= highestFd; ++fd) close(fd);
  }
  execv(argv[0], argv.data());
  _exit(127);
}

pid_t Fork(const ChildLaunch& launch) {
  if (launch.args.empty() || launch.fds.size() > kMostChildFds) return -1;
  std::vector<char*> argv;
  for (const std::string& arg : launch.args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  rlimit files{};
  const int highestFd =
      getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < 65536 ? int(files.rlim_cur) : 65536;
  const pid_t parent = getpid();
  const pid_t child = fork();
  if (child == 0) BecomeChild(parent, argv, launch.fds, highestFd);
  return child;
}

// Waits for the child; kills it once the time is up, or a while after the robot began to
// stop (SIGTERM lets a cross-check clear its scratch folder first).
int WaitFor(pid_t child, int timeoutSeconds, const std::atomic<bool>& stopping, bool* timedOut) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  bool graceSet = false;
  auto pause = std::chrono::milliseconds(2);
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (done < 0 && errno != EINTR) return -1;
    const auto now = std::chrono::steady_clock::now();
    if (stopping && !graceSet) {
      deadline = std::min(deadline, now + kGraceOnStop);
      graceSet = true;
    }
    if (now > deadline) {
      *timedOut = !stopping;
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(pause);
    if (pause < std::chrono::milliseconds(25)) pause *= 2;
  }
}

}  // namespace

Launcher::Launcher() : m_thread([this] { Loop(); }) {}

Launcher::~Launcher() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_done = true;
  }
  m_wake.notify_all();
  m_thread.join();
}

void Launcher::Loop() {
  std::unique_lock<std::mutex> lock(m_mutex);
  for (;;) {
    m_wake.wait(lock, [this] { return m_done || !m_jobs.empty(); });
    if (m_jobs.empty()) return;
    std::function<void()> job = std::move(m_jobs.front());
    m_jobs.pop_front();
    lock.unlock();
    job();
    lock.lock();
  }
}

pid_t Launcher::Start(const ChildLaunch& launch) {
  std::packaged_task<pid_t()> task([&launch] { return Fork(launch); });
  std::future<pid_t> started = task.get_future();
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_done) return -1;
    m_jobs.emplace_back([&task] { task(); });
  }
  m_wake.notify_one();
  return started.get();
}

std::string ThisProgram() {
  char self[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  return length > 0 ? std::string(self, static_cast<size_t>(length)) : std::string();
}

ChildProcesses::ChildProcesses(std::string program, int atOnce)
    : m_program(std::move(program)), m_free(atOnce > 0 ? atOnce : 1) {}

ChildResult ChildProcesses::Run(const std::vector<std::string>& args, const std::string& outputFile,
                                int timeoutSeconds) {
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_freed.wait(lock, [this] { return m_free > 0 || m_stopping; });
    if (m_stopping) {
      ChildResult stopped;
      stopped.stopped = true;
      return stopped;
    }
    --m_free;
  }
  ChildResult result;
  ChildLaunch launch;
  launch.args.push_back(m_program);
  launch.args.insert(launch.args.end(), args.begin(), args.end());
  const int input = open("/dev/null", O_RDONLY | O_CLOEXEC);
  const int output = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  launch.fds = {input, output, output};
  pid_t child = -1;
  if (input >= 0 && output >= 0) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_stopping) child = m_launcher.Start(launch);
    result.started = child > 0;
    if (result.started) m_running.insert(child);
  }
  if (input >= 0) close(input);
  if (output >= 0) close(output);
  if (result.started) result.status = WaitFor(child, timeoutSeconds, m_stopping, &result.timedOut);
  result.stopped = m_stopping;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_running.erase(child);
    ++m_free;
  }
  m_freed.notify_one();
  std::string error;
  if (ReadRegularFile(outputFile, &result.output, &error) &&
      result.output.size() > kLongestOutput) {
    result.output = result.output.substr(0, kLongestOutput) + "\n(cut)\n";
  }
  return result;
}

void ChildProcesses::StopAll() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopping = true;
    // Still ours until the waiting thread reaps it, so the id cannot be another process's.
    for (int child : m_running) kill(child, SIGTERM);
  }
  m_freed.notify_all();
}

}  // namespace tarno::score
