#ifndef TARNO_TOOLS_REPLAY_PROCESS_CLEANUP_H_
#define TARNO_TOOLS_REPLAY_PROCESS_CLEANUP_H_

// What scratch folders need from the system: the process id their names carry, whether
// the process that made one is gone, and their removal when the run is told to end
// (process_cleanup_posix.cpp, process_cleanup_win32.cpp).

#include <string>
#include <vector>

namespace tarno::score {

unsigned long CurrentProcessId();

// True only when no process with the id runs. False when one does, or when the system
// will not say (a process of another user), so that nothing in use is ever removed.
bool ProcessIsGone(unsigned long processId);

// Paths removed when the process is told to end: SIGINT, SIGTERM or SIGHUP (on Windows
// Ctrl+C, Ctrl+Break or closing the console). Each path is removed as a file, else as an empty
// folder, in the order given; then the process ends as the signal would have ended it (a
// handler installed before runs as it did; a signal ignored before, as under nohup, stays
// ignored). The paths name every file and folder to go, the folder holding them last; on
// Linux a folder that still holds something nobody named (a file the plug-in was replacing
// at that instant) is emptied with plain system calls, elsewhere a later run removes what
// is left as abandoned.
// Several guards may be armed at once, from any thread.
class InterruptCleanup {
 public:
  InterruptCleanup() = default;
  ~InterruptCleanup() { Disarm(); }
  InterruptCleanup(const InterruptCleanup&) = delete;
  InterruptCleanup& operator=(const InterruptCleanup&) = delete;

  // False, with nothing armed, when too many guards are armed already or the paths are too
  // many or too long for the fixed room a signal handler can use.
  bool Arm(const std::vector<std::string>& paths);
  // Removes nothing; the paths stay where they are.
  void Disarm();

 private:
  int m_slot = -1;
};

// Between process_cleanup.cpp, which keeps the armed paths, and the platform files.
namespace interrupt {
// Installs the handlers the first time a guard is armed.
void InstallHandlers();
// Removes one path as a file, else as a folder (on Linux with what is left in it, a few
// levels down); safe in a signal handler.
void RemovePath(const char* path);
// Every armed path, through RemovePath; safe in a signal handler.
void RemoveArmedPaths();
}  // namespace interrupt

}  // namespace tarno::score

#endif  // TARNO_TOOLS_REPLAY_PROCESS_CLEANUP_H_
