#ifndef TARNO_TOOLS_REPLAY_SCRATCH_FOLDER_H_
#define TARNO_TOOLS_REPLAY_SCRATCH_FOLDER_H_

// A folder of the running process's own for files nothing reads after the run (the
// plug-in's settings and error file while the cross-check drives it). Its name carries the
// process id, so that a later run can tell what a run killed outright left behind (its
// process is gone) from what a run still at work uses, and remove only the former.

#include <filesystem>
#include <string>
#include <vector>

#include "replay/process_cleanup.h"

namespace tarno::score {

// "PREFIX-pID-RANDOM": a name no other process and no other call in this one picks.
std::string ScratchName(const std::string& prefix);

// The process id in a name ScratchName(prefix) began, or 0 for any other name.
unsigned long ScratchOwner(const std::string& name, const std::string& prefix);

// Removes every file and folder in `root` that ScratchName(prefix) named for a process
// that is gone, or for this process's id but not in this process. Whatever cannot be
// removed now stays for a later run to try again.
void RemoveAbandoned(const std::filesystem::path& root, const std::string& prefix);

class ScratchFolder {
 public:
  ScratchFolder() = default;
  ~ScratchFolder() { Remove(); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // Makes a new folder ScratchName(prefix) in `root`, first removing what runs that are
  // gone left there; false with the reason.
  bool Make(const std::filesystem::path& root, const std::string& prefix, std::string* error);

  // The folder goes, should a signal end the process, with `inside`: paths relative to it,
  // every file and folder it will hold, each file before its folder (see InterruptCleanup).
  // False when they do not fit; the folder then stays for a later run.
  bool RemoveOnInterrupt(const std::vector<std::string>& inside);

  // Removes the folder and all it holds. On Windows no process may stand in it.
  void Remove();

  const std::filesystem::path& path() const { return m_path; }

 private:
  std::filesystem::path m_path;
  InterruptCleanup m_guard;
};

}  // namespace tarno::score

#endif  // TARNO_TOOLS_REPLAY_SCRATCH_FOLDER_H_
