// tarno-score on a 100,000-QSO ADIF log, run as a program, beside reading the same
// file's records alone.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "adif_reader.h"
#include "benchmarks.h"

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

// Runs the program with its output thrown away; its exit status, or -1.
int RunProgram(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

void ScoreProgram(benchmark::State& state, bool clean) {
  const std::string log = LogFile(state.range(0), clean);
  if (log.empty()) {
    state.SkipWithError("tarno-make-log failed");
    return;
  }
  const std::string folder = clean ? "score-clean" : "score-real";
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const int status = RunProgram({TARNO_SCORE_PROGRAM, "--dir", folder, log});
    const auto end = std::chrono::steady_clock::now();
    if (status != 0) {
      state.SkipWithError("tarno-score failed");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
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
        ->UseRealTime()
        ->MinTime(0.5);
  }
}

}  // namespace tarno::bench
