// Heap bytes per QSO held by the module's log after loading it through AddData0, and
// by the reference's plain vector of the same records.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <memory>

#include "bench_env.h"
#include "benchmarks.h"
#include "heap_counter.h"
#include "host_entry_calls.h"
#include "reference_log.h"

namespace tarno::bench {
namespace {

// What glibc keeps in use, small blocks and mapped ones alike.
int64_t MallocInUse() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<int64_t>(info.uordblks + info.hblkhd);
}

// glibc's own bookkeeping beside each block's usable bytes.
constexpr int64_t kMallocHeaderBytes = 8;

void ReportPerQso(benchmark::State& state, const HeapCount& count, int64_t mallocDelta,
                  double qsos) {
  state.counters["bytes_per_qso"] = static_cast<double>(count.bytes) / qsos;
  state.counters["with_headers_per_qso"] =
      static_cast<double>(count.bytes + kMallocHeaderBytes * count.blocks) / qsos;
  state.counters["mallinfo_per_qso"] = static_cast<double>(mallocDelta) / qsos;
  state.counters["blocks_per_qso"] = static_cast<double>(count.blocks) / qsos;
  state.counters["peak_per_qso"] = static_cast<double>(count.peakBytes) / qsos;
  state.counters["sizeof_record"] = static_cast<double>(sizeof(CInfo));
}

// One load per size is the measurement; the time shown is that of the load.
void ModuleMemory(benchmark::State& state) {
  const std::vector<BenchQso>& qsos = CleanQsos(static_cast<size_t>(state.range(0)));
  HeapCount count;
  int64_t mallocDelta = 0;
  for (auto _ : state) {
    state.PauseTiming();
    StartFreshRun(0);
    malloc_trim(0);
    const int64_t before = MallocInUse();
    state.ResumeTiming();
    StartHeapCount();
    for (const BenchQso& qso : qsos) HostAddData(qso);
    count = StopHeapCount();
    mallocDelta = MallocInUse() - before;
  }
  MarkModuleLog(qsos.size(), 0);
  ReportPerQso(state, count, mallocDelta, static_cast<double>(qsos.size()));
}

void ReferenceMemory(benchmark::State& state) {
  const std::vector<BenchQso>& qsos = CleanQsos(static_cast<size_t>(state.range(0)));
  HeapCount count;
  int64_t mallocDelta = 0;
  for (auto _ : state) {
    malloc_trim(0);
    const int64_t before = MallocInUse();
    StartHeapCount();
    auto log = std::make_unique<ReferenceLog>();
    for (const BenchQso& qso : qsos) log->AppendUnchecked(RecordOf(qso));
    count = StopHeapCount();
    mallocDelta = MallocInUse() - before;
  }
  ReportPerQso(state, count, mallocDelta, static_cast<double>(qsos.size()));
}

}  // namespace

void RegisterMemoryBenchmarks() {
  for (long size : {100000L, 1000000L}) {
    benchmark::RegisterBenchmark("Memory_module_log", ModuleMemory)
        ->Arg(size)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Memory_reference_vector", ReferenceMemory)
        ->Arg(size)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
  }
}

}  // namespace tarno::bench
