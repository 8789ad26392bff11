// The score (GetResult0) beside one plain read of every record, and the Cabrillo
// export beside writing the same bytes with one fwrite.

#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "bench_env.h"
#include "benchmarks.h"
#include "cabrillo/cabrillo_log.h"
#include "heap_counter.h"
#include "plugin/cabrillo_steps.h"
#include "plugin/entry_points.h"
#include "plugin/module_state.h"
#include "stats/ini_file_settings.h"

namespace tarno::bench {
namespace {

constexpr long kCabrilloQsos = 100000;

void GetResult0Score(benchmark::State& state) {
  EnsureModuleLog(static_cast<size_t>(state.range(0)), 0);
  int flag = 0;
  for (auto _ : state) benchmark::DoNotOptimize(GetResult0(&flag));
  state.counters["per_qso"] = benchmark::Counter(
      static_cast<double>(state.range(0)),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The score as the host gets it after each new QSO: the claimed score changed, so the
// module's settings file (Plugins folder in the scratch folder) is rewritten.
void GetResult0WithSettingsFile(benchmark::State& state) {
  EnsureModuleLog(static_cast<size_t>(state.range(0)), 0);
  ::mkdir("Plugins", 0755);
  IniFileSettings fileSettings(Env::Default());
  SettingsStore* const previous = g_settingsStore;
  g_settingsStore = &fileSettings;
  int flag = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ModuleSettings().WriteInt("Claimed", -1);
    state.ResumeTiming();
    benchmark::DoNotOptimize(GetResult0(&flag));
  }
  g_settingsStore = previous;
}

// The least any score must do: look at each record's band, call, prefix, continent
// and county once.
void ReadEveryRecord(benchmark::State& state) {
  EnsureModuleLog(static_cast<size_t>(state.range(0)), 0);
  for (auto _ : state) {
    size_t sum = 0;
    for (size_t i = 0; i < g_log.Size(); ++i) {
      const CInfo& record = g_log[i];
      sum += record.m_band.size() + record.m_call.size() + record.m_prefix.size() +
             record.m_continent.size() + record.m_county.size();
    }
    benchmark::DoNotOptimize(sum);
  }
  state.counters["per_qso"] = benchmark::Counter(
      static_cast<double>(state.range(0)),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

size_t FileSize(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  return in ? static_cast<size_t>(in.tellg()) : 0;
}

std::string CabrilloFileName() { return FileCallOf(kBenchOwnCall) + ".cbr"; }

// The whole score request in Cabrillo mode: the score, then the export of every
// record to the file in the scratch folder.
void CabrilloThroughGetResult0(benchmark::State& state) {
  EnsureModuleLog(static_cast<size_t>(state.range(0)), 1);
  int flag = 0;
  for (auto _ : state) benchmark::DoNotOptimize(GetResult0(&flag));
  const size_t bytes = FileSize(CabrilloFileName());
  if (flag != -1 || bytes == 0) state.SkipWithError("no Cabrillo file was written");
  state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
  state.counters["file_bytes"] = static_cast<double>(bytes);
}

// The export step alone, without the score; and what an export leaves on the heap
// until the next one.
void CabrilloExportStep(benchmark::State& state) {
  EnsureModuleLog(static_cast<size_t>(state.range(0)), 1);
  int flag = 0;
  for (auto _ : state) ExportCabrillo(&flag);
  const size_t bytes = FileSize(CabrilloFileName());
  if (flag != -1 || bytes == 0) state.SkipWithError("no Cabrillo file was written");
  state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
  state.counters["file_bytes"] = static_cast<double>(bytes);
  g_cabrilloLog.m_qsoLines = std::vector<std::string>();
  StartHeapCount();
  ExportCabrillo(&flag);
  const HeapCount kept = StopHeapCount();
  state.counters["kept_per_qso"] =
      static_cast<double>(kept.bytes) / static_cast<double>(state.range(0));
}

void FwriteSameBytes(benchmark::State& state) {
  EnsureModuleLog(static_cast<size_t>(state.range(0)), 1);
  int flag = 0;
  ExportCabrillo(&flag);
  std::ifstream in(CabrilloFileName(), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.empty()) {
    state.SkipWithError("no Cabrillo file to copy");
    return;
  }
  for (auto _ : state) {
    std::FILE* file = std::fopen("fwrite.cbr", "wb");
    if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
      state.SkipWithError("cannot write fwrite.cbr");
    }
    if (file) std::fclose(file);
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes.size()) * state.iterations());
  state.counters["file_bytes"] = static_cast<double>(bytes.size());
}

}  // namespace

void RegisterResultBenchmarks() {
  for (long size : {100000L, 1000000L}) {
    Repeated(benchmark::RegisterBenchmark("GetResult0", GetResult0Score)
                 ->Arg(size)
                 ->Unit(benchmark::kMillisecond),
             0.3);
    if (size == 100000) {
      Repeated(benchmark::RegisterBenchmark("GetResult0_settings_file", GetResult0WithSettingsFile)
                   ->Arg(size)
                   ->Unit(benchmark::kMillisecond),
               0.3);
    }
    Repeated(benchmark::RegisterBenchmark("Read_every_record", ReadEveryRecord)
                 ->Arg(size)
                 ->Unit(benchmark::kMillisecond),
             0.3);
  }
}

void RegisterCabrilloBenchmarks() {
  Repeated(benchmark::RegisterBenchmark("Cabrillo_GetResult0", CabrilloThroughGetResult0)
               ->Arg(kCabrilloQsos)
               ->Unit(benchmark::kMillisecond)
               ->UseRealTime(),
           0.3);
  Repeated(benchmark::RegisterBenchmark("Cabrillo_ExportCabrillo", CabrilloExportStep)
               ->Arg(kCabrilloQsos)
               ->Unit(benchmark::kMillisecond)
               ->UseRealTime(),
           0.3);
  Repeated(benchmark::RegisterBenchmark("Cabrillo_fwrite_same_bytes", FwriteSameBytes)
               ->Arg(kCabrilloQsos)
               ->Unit(benchmark::kMillisecond)
               ->UseRealTime(),
           0.3);
}

}  // namespace tarno::bench
