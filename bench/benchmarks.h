#ifndef TARNO_BENCH_BENCHMARKS_H_
#define TARNO_BENCH_BENCHMARKS_H_

// Each file registers its benchmarks; main() calls these in the order they should
// run, so that benchmarks sharing a loaded log run next to each other.

#include <benchmark/benchmark.h>

#include <string>

namespace tarno::bench {

// Three runs of at least `minSeconds` each, reported as their mean, median and spread.
inline benchmark::internal::Benchmark* Repeated(benchmark::internal::Benchmark* benchmark,
                                                double minSeconds) {
  return benchmark->MinTime(minSeconds)->Repetitions(3)->ReportAggregatesOnly(true);
}

// Log sizes, in QSOs, of the admission and call check benchmarks.
constexpr long kSizes[] = {1000, 10000, 100000, 1000000};
// The biggest log the reference admits QSO by QSO: it scans the log for each one.
constexpr long kReferenceAdmissionLimit = 100000;

void RegisterMemoryBenchmarks();
void RegisterAdmissionBenchmarks();
void RegisterCallCheckBenchmarks();
void RegisterResultBenchmarks();
void RegisterCabrilloBenchmarks();
void RegisterScoreToolBenchmarks();

// The first argument that makes this program start the program after it and tell its exit
// status, processor time and peak memory (score_tool_bench.cpp), and what it then runs.
constexpr char kMeasuredRunFlag[] = "--tarno-measured-run";
int RunMeasured(char** argv);

}  // namespace tarno::bench

#endif  // TARNO_BENCH_BENCHMARKS_H_
