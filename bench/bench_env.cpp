#include "bench_env.h"

#include <ftw.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "helpers/fakes.h"
#include "host_entry_calls.h"
#include "plugin/module_state.h"

namespace tarno::bench {
namespace {

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

struct LoadedLog {
  size_t count = SIZE_MAX;
  int cabrilloMode = 0;
};
LoadedLog g_loaded;

}  // namespace

bool ScratchFolder::Enter(std::string* error) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/tarno-bench.XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr || ::chdir(pattern.c_str()) != 0) {
    *error = "cannot make a scratch folder " + pattern + ": " + std::strerror(errno);
    return false;
  }
  m_path = pattern;
  return true;
}

ScratchFolder::~ScratchFolder() {
  if (m_path.empty()) return;
  if (::chdir("/") == 0) ::nftw(m_path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

void InstallBenchServices() {
  // The tests' stand-ins: a desktop that confirms the header as it is, settings in memory.
  static ScriptedDesktop desktop;
  static MapSettings settings;
  g_desktop = &desktop;
  g_settingsStore = &settings;
}

const std::vector<BenchQso>& CleanQsos(size_t count) {
  static std::map<size_t, std::unique_ptr<std::vector<BenchQso>>> made;
  std::unique_ptr<std::vector<BenchQso>>& qsos = made[count];
  if (!qsos) qsos = std::make_unique<std::vector<BenchQso>>(MakeCleanQsos(count));
  return *qsos;
}

void StartFreshRun(int cabrilloMode) {
  {
    std::lock_guard<std::mutex> hold(g_lock);
    g_log = ContestLog();
  }
  g_cabrilloLog.m_qsoLines = std::vector<std::string>();
  ForgetModuleLog();
  HostResetStats(cabrilloMode);
}

void EnsureModuleLog(size_t count, int cabrilloMode) {
  if (g_loaded.count == count && g_loaded.cabrilloMode == cabrilloMode) return;
  StartFreshRun(cabrilloMode);
  for (const BenchQso& qso : CleanQsos(count)) HostAddData(qso);
  MarkModuleLog(count, cabrilloMode);
}

void MarkModuleLog(size_t count, int cabrilloMode) {
  g_loaded.count = count;
  g_loaded.cabrilloMode = cabrilloMode;
}

void ForgetModuleLog() { g_loaded = LoadedLog(); }

}  // namespace tarno::bench
