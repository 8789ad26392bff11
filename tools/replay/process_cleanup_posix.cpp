#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/syscall.h>
#endif

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

#ifdef __linux__
namespace {

// A folder and what it holds, `depth` levels down at most, with nothing but system calls:
// getdents64 lists a folder without the allocation opendir makes, so this may run in a
// signal handler. It takes away what a guard could not name, such as the temporary file
// of a settings file being replaced at the instant the signal came.
void RemoveTree(int parent, const char* name, int depth) {
  if (unlinkat(parent, name, 0) == 0) return;
  const int folder = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (folder < 0) return;
  struct Entry {
    unsigned long long inode;
    long long offset;
    unsigned short length;
    unsigned char type;
    char name[1];
  };
  alignas(8) char buffer[2048];
  // Removing while listing may hide an entry from the listing: list again until none is left.
  for (int pass = 0; pass < 4; ++pass) {
    bool removedAny = false;
    long got;
    while ((got = syscall(SYS_getdents64, folder, buffer, sizeof buffer)) > 0) {
      for (long at = 0; at < got;) {
        const Entry* entry = reinterpret_cast<const Entry*>(buffer + at);
        at += entry->length;
        const char* child = entry->name;
        if (child[0] == '.' && (child[1] == 0 || (child[1] == '.' && child[2] == 0))) continue;
        if (depth > 0) RemoveTree(folder, child, depth - 1);
        removedAny = true;
      }
    }
    if (!removedAny || lseek(folder, 0, SEEK_SET) != 0) break;
  }
  close(folder);
  unlinkat(parent, name, AT_REMOVEDIR);
}

}  // namespace
#endif

void RemovePath(const char* path) {
  if (unlink(path) == 0 || rmdir(path) == 0) return;
#ifdef __linux__
  // A folder with something left in it that nobody named.
  if (errno == ENOTEMPTY || errno == EEXIST) RemoveTree(AT_FDCWD, path, 3);
#endif
}

}  // namespace interrupt
}  // namespace tarno::score
