#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "replay/process_cleanup.h"

namespace tarno::score {
namespace {

// Ctrl+C, kill's default, and the terminal closing.
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_before[3];

int IndexOf(int signal) { return signal == SIGINT ? 0 : signal == SIGTERM ? 1 : 2; }

extern "C" void OnEndingSignal(int signal) {
  const int saved = errno;
  interrupt::RemoveArmedPaths();
  // The signal is blocked while this runs: raised again, it comes as soon as this returns,
  // to whatever handled it before, the system's ending of the process by default.
  sigaction(signal, &g_before[IndexOf(signal)], nullptr);
  raise(signal);
  errno = saved;
}

}  // namespace

unsigned long CurrentProcessId() { return static_cast<unsigned long>(getpid()); }

bool ProcessIsGone(unsigned long processId) {
  const pid_t id = static_cast<pid_t>(processId);
  if (id <= 0 || static_cast<unsigned long>(id) != processId) return false;
  return kill(id, 0) != 0 && errno == ESRCH;
}

namespace interrupt {

void InstallHandlers() {
  for (int signal : kEndingSignals) {
    struct sigaction& before = g_before[IndexOf(signal)];
    if (sigaction(signal, nullptr, &before) != 0) continue;
    if (!(before.sa_flags & SA_SIGINFO) && before.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = OnEndingSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
  }
}

void RemovePath(const char* path) {
  if (unlink(path) != 0) rmdir(path);
}

}  // namespace interrupt
}  // namespace tarno::score
