// Admission through AddData0, and the call check through CheckCall0, each beside the
// linear scans of the reference log.

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <set>

#include "bench_env.h"
#include "benchmarks.h"
#include "contest/error_file.h"
#include "host_entry_calls.h"
#include "reference_log.h"

namespace tarno::bench {
namespace {

constexpr size_t kProbeCount = 3000;

benchmark::Counter PerItem(double itemsPerIteration) {
  return benchmark::Counter(itemsPerIteration, benchmark::Counter::kIsIterationInvariantRate |
                                                   benchmark::Counter::kInvert);
}

// Every run starts from an empty log that never held more, as the first statistics
// run after the host loads the module does.
void AddData0Load(benchmark::State& state) {
  const std::vector<BenchQso>& qsos = CleanQsos(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    StartFreshRun(0);
    state.ResumeTiming();
    int admitted = 0;
    for (const BenchQso& qso : qsos) admitted += HostAddData(qso);
    if (admitted != static_cast<int>(qsos.size())) {
      state.SkipWithError("AddData0 refused a clean QSO");
      return;
    }
  }
  MarkModuleLog(qsos.size(), 0);
  state.counters["per_qso"] = PerItem(static_cast<double>(qsos.size()));
}

void ReferenceAdmission(benchmark::State& state) {
  const std::vector<BenchQso>& qsos = CleanQsos(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    auto log = std::make_unique<ReferenceLog>();
    state.ResumeTiming();
    for (const BenchQso& qso : qsos) log->Admit(qso);
    state.PauseTiming();
    log.reset();
    state.ResumeTiming();
  }
  state.counters["per_qso"] = PerItem(static_cast<double>(qsos.size()));
}

// Only the record's storage: the part of admission that any log, indexed or not, pays.
void VectorOfRecordsLoad(benchmark::State& state) {
  const std::vector<BenchQso>& qsos = CleanQsos(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    auto records = std::make_unique<std::vector<CInfo>>();
    state.ResumeTiming();
    for (const BenchQso& qso : qsos) records->push_back(RecordOf(qso));
    state.PauseTiming();
    records.reset();
    state.ResumeTiming();
  }
  state.counters["per_qso"] = PerItem(static_cast<double>(qsos.size()));
}

// The error file's description of a QSO, which admission makes for every QSO.
void ErrorLineBodyOnly(benchmark::State& state) {
  std::vector<QsoParams> params;
  for (const BenchQso& qso : CleanQsos(1000)) params.push_back(ParamsOf(qso));
  for (auto _ : state) {
    for (const QsoParams& qso : params) benchmark::DoNotOptimize(ErrorLineBody(qso));
  }
  state.counters["per_qso"] = PerItem(static_cast<double>(params.size()));
}

// The probes for a log size, made once.
const std::vector<BenchQso>& Probes(size_t logQsos) {
  static std::map<size_t, std::vector<BenchQso>> made;
  std::vector<BenchQso>& probes = made[logQsos];
  if (probes.empty()) probes = MakeCheckProbes(CleanQsos(logQsos), kProbeCount);
  return probes;
}

// A probe's place in the list says what it must be answered (see MakeCheckProbes).
// The first `count` probes are asked, once per log size and checker.
template <typename Check>
bool AnswersAsMade(const std::vector<BenchQso>& probes, size_t count, Check check) {
  for (size_t i = 0; i < probes.size() && i < count; ++i) {
    if (check(probes[i]) != static_cast<int>(i % 3)) return false;
  }
  return true;
}

void CheckCall0Probe(benchmark::State& state) {
  const size_t logQsos = static_cast<size_t>(state.range(0));
  EnsureModuleLog(logQsos, 0);
  const std::vector<BenchQso>& probes = Probes(logQsos);
  static std::set<size_t> checked;
  if (checked.insert(logQsos).second && !AnswersAsMade(probes, probes.size(), HostCheckCall)) {
    state.SkipWithError("CheckCall0 answered a probe otherwise than the log says");
    return;
  }
  size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(HostCheckCall(probes[next]));
    if (++next == probes.size()) next = 0;
  }
  state.counters["per_call"] = PerItem(1.0);
}

// The reference log of one size at a time: the biggest takes as much memory as the
// module's own log.
const ReferenceLog& ReferenceLogOf(size_t logQsos) {
  static size_t loaded = 0;
  static std::unique_ptr<ReferenceLog> log;
  if (!log || loaded != logQsos) {
    log.reset();
    log = std::make_unique<ReferenceLog>();
    for (const BenchQso& qso : CleanQsos(logQsos)) log->AppendUnchecked(RecordOf(qso));
    loaded = logQsos;
  }
  return *log;
}

void ReferenceCheckCall(benchmark::State& state) {
  const size_t logQsos = static_cast<size_t>(state.range(0));
  const ReferenceLog& log = ReferenceLogOf(logQsos);
  const std::vector<BenchQso>& probes = Probes(logQsos);
  // A few probes of each kind: on the biggest log each one takes the reference 20 ms.
  static std::set<size_t> checked;
  if (checked.insert(logQsos).second &&
      !AnswersAsMade(probes, 30, [&log](const BenchQso& probe) { return log.CheckCall(probe); })) {
    state.SkipWithError("the reference answered a probe otherwise than the log says");
    return;
  }
  size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(log.CheckCall(probes[next]));
    if (++next == probes.size()) next = 0;
  }
  state.counters["per_call"] = PerItem(1.0);
}

}  // namespace

void RegisterAdmissionBenchmarks() {
  for (long size : kSizes) {
    Repeated(benchmark::RegisterBenchmark("AddData0_load", AddData0Load)
                 ->Arg(size)
                 ->Unit(benchmark::kMillisecond),
             size >= 1000000 ? 1.0 : 0.3);
    benchmark::RegisterBenchmark("Vector_of_records_load", VectorOfRecordsLoad)
        ->Arg(size)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(0.3);
    if (size > kReferenceAdmissionLimit) continue;
    auto* reference = benchmark::RegisterBenchmark("Reference_admission_load", ReferenceAdmission)
                          ->Arg(size)
                          ->Unit(benchmark::kMillisecond);
    // One load of the biggest log takes the reference some 20 s.
    if (size == kReferenceAdmissionLimit) {
      reference->Iterations(1);
    } else {
      Repeated(reference, 0.3);
    }
  }
  benchmark::RegisterBenchmark("ErrorLineBody_only", ErrorLineBodyOnly)
      ->Unit(benchmark::kMicrosecond)
      ->MinTime(0.3);
}

void RegisterCallCheckBenchmarks() {
  for (long size : kSizes) {
    Repeated(benchmark::RegisterBenchmark("CheckCall0", CheckCall0Probe)->Arg(size), 0.2);
    Repeated(benchmark::RegisterBenchmark("Reference_check_call", ReferenceCheckCall)
                 ->Arg(size)
                 ->Unit(benchmark::kMicrosecond),
             0.2);
  }
}

}  // namespace tarno::bench
