// tarno_bench: the module's speed and memory beside the design's linear scans and
// other plain references. Reproduce the table in docs/benchmarks.md with
//
//   cmake --preset native && cmake --build --preset native && build/native/bench/tarno_bench
//
// Everything the module writes goes to a scratch folder that is removed at the end.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench_env.h"
#include "benchmarks.h"
#include "ratio_reporter.h"

int main(int argc, char** argv) {
  if (argc > 2 && std::string(argv[1]) == tarno::bench::kMeasuredRunFlag) {
    return tarno::bench::RunMeasured(argv + 2);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  tarno::bench::ScratchFolder scratch;
  std::string error;
  if (!scratch.Enter(&error)) {
    std::fprintf(stderr, "tarno_bench: %s\n", error.c_str());
    return 1;
  }
  tarno::bench::InstallBenchServices();
  // Memory first, while the heap holds nothing of the other benchmarks.
  tarno::bench::RegisterMemoryBenchmarks();
  tarno::bench::RegisterAdmissionBenchmarks();
  tarno::bench::RegisterCallCheckBenchmarks();
  tarno::bench::RegisterResultBenchmarks();
  tarno::bench::RegisterCabrilloBenchmarks();
  tarno::bench::RegisterScoreToolBenchmarks();
  tarno::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
