#ifndef TARNO_BENCH_RATIO_REPORTER_H_
#define TARNO_BENCH_RATIO_REPORTER_H_

// The console report, followed by a table that sets each module figure beside its
// reference from the same run, as a ratio against its target.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace tarno::bench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override;
  void Finalize() override;

 private:
  // By run name ("CheckCall0/100000"); the median when repetitions were asked for.
  std::map<std::string, Run> m_runs;
};

}  // namespace tarno::bench

#endif  // TARNO_BENCH_RATIO_REPORTER_H_
