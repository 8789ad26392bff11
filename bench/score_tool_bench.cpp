// tarno-score on a 100,000-QSO ADIF log, run as a program, beside reading the same
// file's records alone; and, where TARNO_EARLIER_SCORE_PROGRAM names the tarno-score of an
// earlier build (the plug-in beside it), both programs in turn on the same file, so that a
// change is measured against what it replaces under the same load.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "benchmarks.h"
#include "logs/adif_reader.h"

extern char** environ;

namespace tarno::bench {
namespace {

constexpr long kToolQsos = 100000;

// The made-up log, written once into the scratch folder. `clean` leaves out the dupes,
// refused and mistyped QSOs a real log has (each of which costs a line in err.txt).
std::string LogFile(long qsos, bool clean) {
  const std::string path = "tool-" + std::to_string(qsos) + (clean ? "-clean" : "-real") + ".adi";
  std::ifstream existing(path);
  if (existing) return path;
  const std::string command = std::string(TARNO_MAKE_LOG_PROGRAM) + " --qsos " +
                              std::to_string(qsos) + (clean ? " --clean" : "") + " > " + path;
  return std::system(command.c_str()) == 0 ? path : std::string();
}

// What one run of a program took: on the clock, and on the processor (user and system
// time of the program itself, which other work on the machine does not inflate).
struct ProgramTimes {
  int exitStatus = -1;  // -1 when it could not be run or did not exit
  double wallSeconds = 0.0;
  double cpuSeconds = 0.0;
  double peakMegabytes = 0.0;  // resident, as the kernel counted it (10^6 bytes)
};

double Seconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) * 1e-6;
}

// A program's peak memory is counted by the process that started it, as the largest of its
// own and that process's: started from this program, which holds logs of its own, it would
// come out as ours. So the program is started by a fresh copy of this one
// (kMeasuredRunFlag), small when it forks, which tells the times on descriptor 3.
constexpr int kResultFd = 3;

// Runs the program with its output thrown away.
ProgramTimes RunProgram(const std::vector<std::string>& args) {
  std::vector<char*> argv = {const_cast<char*>("/proc/self/exe"),
                             const_cast<char*>(kMeasuredRunFlag)};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  ProgramTimes times;
  int result[2];
  // Closed on exec, but for the end made descriptor 3 (a pipe may get 3 itself).
  if (pipe2(result, O_CLOEXEC) != 0) return times;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, result[1], kResultFd);
  const auto start = std::chrono::steady_clock::now();
  pid_t runner = 0;
  const int spawned = posix_spawn(&runner, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(result[1]);
  char text[128] = {};
  size_t got = 0;
  for (ssize_t n; spawned == 0 && got + 1 < sizeof text &&
                  (n = read(result[0], text + got, sizeof text - 1 - got)) > 0;) {
    got += static_cast<size_t>(n);
  }
  close(result[0]);
  int status = 0;
  if (spawned != 0 || waitpid(runner, &status, 0) != runner) return times;
  times.wallSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  long peakKib = 0;
  if (std::sscanf(text, "%d %lf %ld", &times.exitStatus, &times.cpuSeconds, &peakKib) != 3) {
    times.exitStatus = -1;
  }
  times.peakMegabytes = static_cast<double>(peakKib) * 1024 / 1e6;
  return times;
}

void ScoreProgram(benchmark::State& state, bool clean) {
  const std::string log = LogFile(state.range(0), clean);
  if (log.empty()) {
    state.SkipWithError("tarno-make-log failed");
    return;
  }
  const std::string folder = clean ? "score-clean" : "score-real";
  double wallSeconds = 0.0, peakMegabytes = 0.0;
  for (auto _ : state) {
    const ProgramTimes times = RunProgram({TARNO_SCORE_PROGRAM, "--dir", folder, log});
    if (times.exitStatus != 0) {
      state.SkipWithError("tarno-score failed");
      return;
    }
    wallSeconds += times.wallSeconds;
    peakMegabytes = std::max(peakMegabytes, times.peakMegabytes);
    state.SetIterationTime(times.cpuSeconds);
  }
  state.counters["wall_ms"] =
      benchmark::Counter(wallSeconds * 1e3, benchmark::Counter::kAvgIterations);
  state.counters["peak_MB"] = peakMegabytes;
}

// This build's tarno-score and the earlier one in turn on the real log: processor time and
// peak memory of each, the earlier's as counters beside this one's.
void AgainstEarlierBuild(benchmark::State& state, std::string earlier) {
  const std::string log = LogFile(state.range(0), false);
  if (log.empty()) {
    state.SkipWithError("tarno-make-log failed");
    return;
  }
  double cpu = 0.0, earlierCpu = 0.0, peak = 0.0, earlierPeak = 0.0;
  for (auto _ : state) {
    const ProgramTimes now = RunProgram({TARNO_SCORE_PROGRAM, "--dir", "score-now", log});
    const ProgramTimes before = RunProgram({earlier, "--dir", "score-earlier", log});
    if (now.exitStatus != 0 || before.exitStatus != 0) {
      state.SkipWithError("a tarno-score failed");
      return;
    }
    cpu += now.cpuSeconds;
    earlierCpu += before.cpuSeconds;
    peak = std::max(peak, now.peakMegabytes);
    earlierPeak = std::max(earlierPeak, before.peakMegabytes);
    state.SetIterationTime(now.cpuSeconds);
  }
  state.counters["earlier_ms"] =
      benchmark::Counter(earlierCpu * 1e3, benchmark::Counter::kAvgIterations);
  state.counters["time_ratio"] = earlierCpu > 0 ? cpu / earlierCpu : 0.0;
  state.counters["peak_MB"] = peak;
  state.counters["earlier_peak_MB"] = earlierPeak;
}

void ParseAdif(benchmark::State& state, bool clean) {
  const std::string log = LogFile(state.range(0), clean);
  std::ifstream in(log, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::optional<score::ReadLog> read;
  for (auto _ : state) {
    read.emplace(score::ReadAdif(text));
    state.PauseTiming();
    read.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(text.size()) * state.iterations());
}

}  // namespace

int RunMeasured(char** argv) {
  const pid_t child = fork();
  if (child == 0) {
    close(kResultFd);
    execv(argv[0], argv);
    _exit(127);
  }
  int status = 0;
  struct rusage usage = {};
  if (child < 0 || wait4(child, &status, 0, &usage) != child) return 1;
  dprintf(kResultFd, "%d %.6f %ld\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1,
          Seconds(usage.ru_utime) + Seconds(usage.ru_stime), usage.ru_maxrss);
  return 0;
}

void RegisterScoreToolBenchmarks() {
  for (bool clean : {false, true}) {
    const std::string kind = clean ? "_clean_log" : "_real_log";
    benchmark::RegisterBenchmark(("Tarno_score_program" + kind).c_str(), ScoreProgram, clean)
        ->Arg(kToolQsos)
        ->Iterations(3)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("ReadAdif_parse" + kind).c_str(), ParseAdif, clean)
        ->Arg(kToolQsos)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(0.5);
  }
  if (const char* earlier = std::getenv("TARNO_EARLIER_SCORE_PROGRAM")) {
    benchmark::RegisterBenchmark("Tarno_score_program_against_earlier_build", AgainstEarlierBuild,
                                 std::string(earlier))
        ->Arg(kToolQsos)
        ->Iterations(5)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  }
}

}  // namespace tarno::bench
