#ifndef TARNO_BENCH_BENCH_ENV_H_
#define TARNO_BENCH_BENCH_ENV_H_

// What every benchmark runs in: the process's own scratch folder as the current
// directory (so err.txt, the Cabrillo file and any settings file land there, never in
// the source tree), a desktop that shows nothing, and settings kept in memory so that
// no benchmark times the settings file unless it says so. One thread only.

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "host_qsos.h"

namespace tarno::bench {

// Creates a fresh folder under the system's temporary folder and makes it the
// current directory; the destructor removes it with everything in it.
class ScratchFolder {
 public:
  bool Enter(std::string* error);
  ~ScratchFolder();
  const std::string& path() const { return m_path; }

 private:
  std::string m_path;
};

// Puts the silent desktop and the in-memory settings in the module's place for the
// rest of the process.
void InstallBenchServices();

// The same QSOs for every benchmark of one size; made once.
const std::vector<BenchQso>& CleanQsos(size_t count);

// Gives the module a log that has never held more than what follows (a log only
// grows its storage, so a bigger earlier log would flatter or burden the next run),
// and starts a statistics run on it.
void StartFreshRun(int cabrilloMode);

// Leaves g_log holding CleanQsos(count), admitted through AddData0 after StartFreshRun;
// does nothing when it already holds exactly that.
void EnsureModuleLog(size_t count, int cabrilloMode);

// Whatever changes g_log calls one of these: it now holds CleanQsos(count) of a run in
// that Cabrillo mode, or something else.
void MarkModuleLog(size_t count, int cabrilloMode);
void ForgetModuleLog();

}  // namespace tarno::bench

#endif  // TARNO_BENCH_BENCH_ENV_H_
