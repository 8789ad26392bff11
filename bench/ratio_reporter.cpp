#include "ratio_reporter.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>

#include "benchmarks.h"

namespace tarno::bench {
namespace {

using Runs = std::map<std::string, benchmark::BenchmarkReporter::Run>;

constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();

std::string SizeName(long qsos) {
  return qsos >= 1000000 ? std::to_string(qsos / 1000000) + "M" : std::to_string(qsos / 1000) + "k";
}

double Counter(const Runs& runs, const std::string& name, const char* counter) {
  auto run = runs.find(name);
  if (run == runs.end() || run->second.error_occurred) return kMissing;
  auto value = run->second.counters.find(counter);
  return value == run->second.counters.end() ? kMissing : value->second.value;
}

// Processor time per iteration: what other work on the machine inflates least. For a
// benchmark with manual timing, the time it set.
double Seconds(const Runs& runs, const std::string& name) {
  auto run = runs.find(name);
  if (run == runs.end() || run->second.error_occurred) return kMissing;
  const benchmark::BenchmarkReporter::Run& found = run->second;
  const double time = found.run_name.time_type == "manual_time" ? found.GetAdjustedRealTime()
                                                                : found.GetAdjustedCPUTime();
  return time / benchmark::GetTimeUnitMultiplier(found.time_unit);
}

double WallSeconds(const Runs& runs, const std::string& name) {
  auto run = runs.find(name);
  if (run == runs.end() || run->second.error_occurred) return kMissing;
  return run->second.GetAdjustedRealTime() /
         benchmark::GetTimeUnitMultiplier(run->second.time_unit);
}

std::string Time(double seconds) {
  if (std::isnan(seconds)) return "n/a";
  char text[32];
  if (seconds < 1e-6) {
    std::snprintf(text, sizeof text, "%.0f ns", seconds * 1e9);
  } else if (seconds < 1e-3) {
    std::snprintf(text, sizeof text, "%.1f us", seconds * 1e6);
  } else if (seconds < 1.0) {
    std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
  } else {
    std::snprintf(text, sizeof text, "%.2f s", seconds);
  }
  return text;
}

std::string Number(double value, const char* format) {
  if (std::isnan(value)) return "n/a";
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// "met" or "missed", and by how much: how far the measured value is past the limit.
std::string Verdict(double value, double limit, bool atLeast) {
  if (std::isnan(value)) return "not measured";
  const bool met = atLeast ? value >= limit : value <= limit;
  if (met) return "met";
  return "missed by " + Number(atLeast ? limit / value : value / limit, "%.1fx");
}

void Row(const std::string& what, const std::string& module, const std::string& reference,
         const std::string& ratio, const std::string& target, const std::string& verdict) {
  std::printf("| %s | %s | %s | %s | %s | %s |\n", what.c_str(), module.c_str(), reference.c_str(),
              ratio.c_str(), target.c_str(), verdict.c_str());
}

// Flat: a log 1000 times longer may cost at most this much more per QSO or call.
constexpr double kFlatLimit = 2.0;

void AdmissionRows(const Runs& runs) {
  for (long size : kSizes) {
    const std::string arg = "/" + std::to_string(size);
    const double module = Counter(runs, "AddData0_load" + arg, "per_qso");
    const double reference = Counter(runs, "Reference_admission_load" + arg, "per_qso");
    Row("AddData0 per QSO, loading " + SizeName(size), Time(module),
        size <= kReferenceAdmissionLimit ? Time(reference) : "not run (quadratic)",
        Number(reference / module, "%.1fx faster"), "-", "-");
  }
  const double first = Counter(runs, "AddData0_load/1000", "per_qso");
  const double last = Counter(runs, "AddData0_load/1000000", "per_qso");
  Row("AddData0 per QSO, 1M against 1k", Time(last), Time(first), Number(last / first, "%.2fx"),
      "flat (<= 2x)", Verdict(last / first, kFlatLimit, false));
  const double storeFirst = Counter(runs, "Vector_of_records_load/1000", "per_qso");
  const double storeLast = Counter(runs, "Vector_of_records_load/1000000", "per_qso");
  Row("of which storing the record (vector push_back), 1M against 1k", Time(storeLast),
      Time(storeFirst), Number(storeLast / storeFirst, "%.2fx"), "-", "-");
  Row("of which the error-line text made for every QSO",
      Time(Counter(runs, "ErrorLineBody_only", "per_qso")), "-", "-", "-", "-");
}

void CallCheckRows(const Runs& runs) {
  for (long size : kSizes) {
    const std::string arg = "/" + std::to_string(size);
    const double module = Counter(runs, "CheckCall0" + arg, "per_call");
    const double reference = Counter(runs, "Reference_check_call" + arg, "per_call");
    const bool targeted = size == 100000;
    Row("CheckCall0 per call, " + SizeName(size) + " log", Time(module), Time(reference),
        Number(reference / module, "%.0fx faster"), targeted ? ">= 100x faster" : "-",
        targeted ? Verdict(reference / module, 100.0, true) : "-");
  }
  const double first = Counter(runs, "CheckCall0/1000", "per_call");
  const double last = Counter(runs, "CheckCall0/1000000", "per_call");
  Row("CheckCall0 per call, 1M against 1k", Time(last), Time(first), Number(last / first, "%.2fx"),
      "flat (<= 2x)", Verdict(last / first, kFlatLimit, false));
}

void ResultRows(const Runs& runs) {
  for (long size : {100000L, 1000000L}) {
    const std::string arg = "/" + std::to_string(size);
    const double module = Seconds(runs, "GetResult0" + arg);
    const double baseline = Seconds(runs, "Read_every_record" + arg);
    Row("GetResult0, " + SizeName(size) + " QSOs, against one read of every record", Time(module),
        Time(baseline), Number(module / baseline, "%.1fx the read"), "<= 5x",
        Verdict(module / baseline, 5.0, false));
  }
  // Rewriting the file waits for the disk, which only the wall clock sees.
  const double withFile = WallSeconds(runs, "GetResult0_settings_file/100000");
  const double inMemory = WallSeconds(runs, "GetResult0/100000");
  Row("GetResult0, 100k QSOs, score changed, real settings file against none, wall", Time(withFile),
      Time(inMemory), Number(withFile / inMemory, "%.2fx"), "-", "-");
}

void CabrilloRows(const Runs& runs) {
  const std::string fwrite = "Cabrillo_fwrite_same_bytes/100000";
  const double bytes = Counter(runs, fwrite, "file_bytes");
  for (const char* name : {"Cabrillo_GetResult0/100000", "Cabrillo_ExportCabrillo/100000"}) {
    const double wall = WallSeconds(runs, name);
    const double cpu = Seconds(runs, name);
    Row(std::string(name) + " (" + Number(bytes / 1e6, "%.1f MB") + "), wall / CPU",
        Number(bytes / wall / 1e6, "%.0f") + " / " + Number(bytes / cpu / 1e6, "%.0f MB/s"),
        Number(bytes / WallSeconds(runs, fwrite) / 1e6, "%.0f") + " / " +
            Number(bytes / Seconds(runs, fwrite) / 1e6, "%.0f MB/s (fwrite)"),
        Number(wall / WallSeconds(runs, fwrite), "%.1fx") + " / " +
            Number(cpu / Seconds(runs, fwrite), "%.1fx slower"),
        "-", "-");
  }
  Row("heap an export keeps until the next, per QSO",
      Number(Counter(runs, "Cabrillo_ExportCabrillo/100000", "kept_per_qso"), "%.0f B"), "-", "-",
      "-", "-");
}

void MemoryRows(const Runs& runs) {
  for (long size : {100000L, 1000000L}) {
    const std::string arg = "/" + std::to_string(size);
    const double module = Counter(runs, "Memory_module_log" + arg, "bytes_per_qso");
    const double reference = Counter(runs, "Memory_reference_vector" + arg, "bytes_per_qso");
    const bool targeted = size == 100000;
    Row("heap bytes per QSO, " + SizeName(size) + " QSOs (64-bit)", Number(module, "%.0f B"),
        Number(reference, "%.0f B (plain vector)"), Number(module / reference, "%.2fx"),
        targeted ? "<= 300 B" : "-", targeted ? Verdict(module, 300.0, false) : "-");
  }
}

void ScoreToolRows(const Runs& runs) {
  for (const char* kind : {"_real_log", "_clean_log"}) {
    const std::string program = std::string("Tarno_score_program") + kind + "/100000";
    const double cpu = Seconds(runs, program);
    const double parse = Seconds(runs, std::string("ReadAdif_parse") + kind + "/100000");
    Row(std::string("tarno-score, 100k QSOs") + kind + ", CPU (wall)",
        Time(cpu) + " (" + Time(Counter(runs, program, "wall_ms") / 1e3) + ")",
        Time(parse) + " (ReadAdif)", Number(cpu / parse, "%.1fx the parse"), "-", "-");
  }
  // Only where TARNO_EARLIER_SCORE_PROGRAM named an earlier build's program.
  const std::string against = "Tarno_score_program_against_earlier_build/100000";
  if (std::isnan(Seconds(runs, against))) return;
  const double cpu = Seconds(runs, against);
  const double earlier = Counter(runs, against, "earlier_ms") / 1e3;
  Row("tarno-score, 100k QSOs_real_log, CPU, this build against the earlier", Time(cpu),
      Time(earlier) + " (earlier build)", Number(cpu / earlier, "%.2fx"), "<= 0.75x",
      Verdict(cpu / earlier, 0.75, false));
  const double peak = Counter(runs, against, "peak_MB");
  const double earlierPeak = Counter(runs, against, "earlier_peak_MB");
  Row("tarno-score, 100k QSOs_real_log, peak resident memory, the same", Number(peak, "%.0f MB"),
      Number(earlierPeak, "%.0f MB (earlier build)"), Number(peak / earlierPeak, "%.2fx"),
      "< 100 MB", Verdict(peak, 100.0, false));
}

}  // namespace

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
    // Without the min_time and iterations parts, which say how, not what, was measured.
    const std::string name = run.run_name.args.empty()
                                 ? run.run_name.function_name
                                 : run.run_name.function_name + "/" + run.run_name.args;
    if (median || (run.run_type == Run::RT_Iteration && m_runs.count(name) == 0)) {
      m_runs.insert_or_assign(name, run);
    }
  }
}

void RatioReporter::Finalize() {
  ConsoleReporter::Finalize();
  std::printf("\n| measure | module | reference | ratio | target | verdict |\n");
  std::printf("|---|---|---|---|---|---|\n");
  AdmissionRows(m_runs);
  CallCheckRows(m_runs);
  ResultRows(m_runs);
  CabrilloRows(m_runs);
  MemoryRows(m_runs);
  ScoreToolRows(m_runs);
  std::ifstream loadAverage("/proc/loadavg");
  std::string load;
  std::getline(loadAverage, load);
  std::printf("\nTimes are processor times except where wall is said. Load at the end: %s\n",
              load.c_str());
  std::fflush(stdout);
}

}  // namespace tarno::bench
