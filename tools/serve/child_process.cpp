#include "serve/child_process.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "logs/log_file.h"

extern char** environ;

namespace tarno::score {
namespace {

constexpr size_t kLongestOutput = 64 * 1024;

constexpr auto kGraceOnStop = std::chrono::seconds(3);

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
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(m_program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_adddup2(&files, 1, 2);
  posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
  // The server blocks its stop signals and ignores SIGPIPE; the child starts afresh.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int signal : {SIGPIPE, SIGTERM, SIGINT}) sigaddset(&defaults, signal);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t child = 0;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    result.started = !m_stopping && posix_spawn(&child, m_program.c_str(), &files, &attributes,
                                                argv.data(), environ) == 0;
    if (result.started) m_running.insert(child);
  }
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&files);
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
