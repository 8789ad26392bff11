// tarno_crosscheck_bench: the cross-check of whole generated contests, timed against
// reading and parsing the same files alone, in one run (see docs/benchmarks.md).
//
//   tarno_crosscheck_bench [--small-only]
//
// 1. 1,000 logs of 1,000 QSOs: three times the parse alone (every file read whole and
//    through the Cabrillo reader, one after another, in this process) and three times
//    `tarno-score crosscheck` as a program, in turn; medians of wall and processor time.
// 2. 10,000 logs of 400 QSOs (4 million lines), unless --small-only: the cross-check once,
//    with its peak resident memory from the kernel (wait4), against the files' size.
// The contests come from tarno-make-contest into a scratch folder under $TMPDIR (or /tmp),
// removed at the end.

#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "crosscheck/log_loading.h"
#include "logs/adif_reader.h"
#include "logs/cabrillo_reader.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Timing {
  double wallSeconds = 0;
  double cpuSeconds = 0;
  long peakKiB = 0;
};

double Seconds(const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; }

double SelfCpu() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

// Runs a program with its output thrown away; its times and peak memory.
Timing RunProgram(const std::vector<std::string>& args) {
  Timing timing;
  const auto start = Clock::now();
  std::fflush(stdout);  // else the child would write what is still buffered here
  const pid_t child = fork();
  if (child == 0) {
    std::freopen("/dev/null", "w", stdout);
    std::freopen("/dev/null", "w", stderr);
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  timing.wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
  timing.cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  timing.peakKiB = usage.ru_maxrss;
  if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) {
    std::fprintf(stderr, "%s failed (status %d)\n", args[0].c_str(), status);
    std::exit(1);
  }
  return timing;
}

// Reading and parsing every file, nothing else: the floor any cross-check stands on.
Timing ParseOnly(const fs::path& logs, size_t* qsos) {
  Timing timing;
  const auto start = Clock::now();
  const double cpu = SelfCpu();
  std::vector<tarno::score::FileProblem> problems;
  *qsos = 0;
  for (const std::string& file : tarno::score::ListLogFiles({logs.string()}, &problems)) {
    std::ifstream in(file, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const tarno::score::ReadLog log = tarno::score::LooksLikeAdif(text)
                                          ? tarno::score::ReadAdif(text)
                                          : tarno::score::ReadCabrillo(text);
    *qsos += log.qsos.size();
  }
  timing.wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
  timing.cpuSeconds = SelfCpu() - cpu;
  return timing;
}

void Generate(const fs::path& folder, const char* logs, const char* qsos, const char* seed) {
  RunProgram({TARNO_MAKE_CONTEST_PROGRAM, "--out", folder.string(), "--logs", logs, "--qsos", qsos,
              "--seed", seed, "--clock-off", "10"});
}

std::vector<std::string> Crosscheck(const fs::path& folder) {
  return {TARNO_SCORE_PROGRAM, "crosscheck", "--out", (folder / "out").string(),
          (folder / "logs").string()};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

uintmax_t FolderBytes(const fs::path& folder) {
  uintmax_t bytes = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder))
    bytes += entry.file_size();
  return bytes;
}

void RatioRun(const fs::path& scratch) {
  const fs::path contest = scratch / "1000x1000";
  Generate(contest, "1000", "1000", "5");
  std::vector<double> parseWall, parseCpu, checkWall, checkCpu;
  size_t qsos = 0;
  long peak = 0;
  for (int run = 0; run < 3; ++run) {
    const Timing parse = ParseOnly(contest / "logs", &qsos);
    parseWall.push_back(parse.wallSeconds);
    parseCpu.push_back(parse.cpuSeconds);
    const Timing check = RunProgram(Crosscheck(contest));
    checkWall.push_back(check.wallSeconds);
    checkCpu.push_back(check.cpuSeconds);
    peak = std::max(peak, check.peakKiB);
  }
  std::printf(
      "| 1,000 logs x 1,000 QSOs (%zu lines, %.0f MB), wall | %.2f s | %.2f s | %.2fx | <= 3x |\n",
      qsos, FolderBytes(contest / "logs") / 1e6, Median(checkWall), Median(parseWall),
      Median(checkWall) / Median(parseWall));
  std::printf("| the same, processor time | %.2f s | %.2f s | %.2fx | <= 3x |\n", Median(checkCpu),
              Median(parseCpu), Median(checkCpu) / Median(parseCpu));
  std::printf(
      "| the same, peak resident memory of the cross-check | %.0f MB | - | %.0f B per line | - |\n",
      peak / 1024.0, peak * 1024.0 / static_cast<double>(qsos));
  fs::remove_all(contest);
}

void LargeRun(const fs::path& scratch) {
  const fs::path contest = scratch / "10000x400";
  Generate(contest, "10000", "400", "6");
  const double files = static_cast<double>(FolderBytes(contest / "logs"));
  const Timing check = RunProgram(Crosscheck(contest));
  const double lines = 4e6;
  const double peak = check.peakKiB * 1024.0;
  std::printf(
      "| 10,000 logs x 400 QSOs (4,000,000 lines, %.0f MB), wall / processor | %.1f s / %.1f s "
      "| - | - | finishes |\n",
      files / 1e6, check.wallSeconds, check.cpuSeconds);
  std::printf(
      "| the same, peak resident memory | %.0f MB (%.0f B per line) | files %.0f MB | "
      "%.0f B per line beyond the files | <= 200 B |\n",
      peak / 1e6, peak / lines, files / 1e6, std::max(0.0, peak - files) / lines);
  fs::remove_all(contest);
}

}  // namespace

int main(int argc, char** argv) {
  const bool smallOnly = argc > 1 && std::string(argv[1]) == "--small-only";
  const char* tmp = std::getenv("TMPDIR");
  const fs::path scratch =
      fs::path(tmp ? tmp : "/tmp") /
      ("tarno-crosscheck-bench-" + std::to_string(Clock::now().time_since_epoch().count()));
  fs::create_directories(scratch);
  std::printf("| measure | cross-check | parse alone | ratio | target |\n|---|---|---|---|---|\n");
  RatioRun(scratch);
  if (!smallOnly) LargeRun(scratch);
  fs::remove_all(scratch);
  return 0;
}
