// tarno_crosscheck_bench: the cross-check of whole generated contests, timed against
// reading and parsing the same files alone, in one run (see docs/benchmarks.md).
//
//   tarno_crosscheck_bench [--small-only | --dupes-only | --against BUILD]
//
// 1. 1,000 logs of 1,000 QSOs, unless --dupes-only: three times the parse alone (every file
//    read whole and through the Cabrillo reader, one after another, in this process) and
//    three times `tarno-score crosscheck` as a program, in turn; medians of wall and
//    processor time.
// 2. 200 logs of 1,000 QSOs, then the same with a log of one QSO 50,000 times beside them,
//    unless --small-only: times, peak resident memory and the largest the scratch folder got.
// 3. 10,000 logs of 400 QSOs (4 million lines), unless --small-only or --dupes-only: the
//    cross-check once, with its peak resident memory from the kernel (wait4), against the
//    files' size.
// With --against BUILD (another build folder, holding tarno-score and libtarno-contest.so,
// of an earlier version) instead: 10,000 logs of 400 QSOs with every error kind the
// judgement weighs evidence for, checked by this build (without certificates, so that both
// write the same files) and by that one in turn, then by this build drawing its
// certificates, three times each; the medians of processor and wall time, the peak
// resident memory, and each build's verdicts held to the contest's truth (innocent losses,
// guilty credits, and every verdict class's precision and recall). The writing's system
// time depends on the file system's state: TMPDIR=/dev/shm keeps it steady.
// The contests come from tarno-make-contest into a scratch folder under $TMPDIR (or /tmp),
// removed at the end.

#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <set>
#include <sstream>
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

uintmax_t BytesUnder(const fs::path& folder) {
  uintmax_t bytes = 0;
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    if (it->is_regular_file(error)) bytes += it->file_size(error);
  }
  return bytes;
}

// The size of the cross-check's scratch folder (replay/scratch_folder.h) of process `id`.
uintmax_t ScratchBytesOf(pid_t id) {
  const fs::path root =
      fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
  const std::string start = "tarno-crosscheck-p" + std::to_string(id) + "-";
  uintmax_t bytes = 0;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(root, error)) {
    if (entry.path().filename().string().compare(0, start.size(), start) == 0)
      bytes += entry.is_directory(error) ? BytesUnder(entry.path()) : entry.file_size(error);
  }
  return bytes;
}

// Runs a program with its output thrown away; its times and peak memory, and with
// `scratch` the largest its scratch folder was when looked at (every 10 ms).
Timing RunProgram(const std::vector<std::string>& args, uintmax_t* scratch = nullptr) {
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
  if (scratch) *scratch = 0;
  while (wait4(child, &status, scratch ? WNOHANG : 0, &usage) == 0) {
    *scratch = std::max(*scratch, ScratchBytesOf(child));
    usleep(10000);
  }
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

// One contact logged 50,000 times (a 3.8 MB log), beside a contest of 200 logs: the plug-in
// writes a dupe line per earlier copy at every copy, which the cross-check must not pay for.
void DupeRun(const fs::path& scratch) {
  const fs::path contest = scratch / "200x1000";
  Generate(contest, "200", "1000", "7");
  const Timing plain = RunProgram(Crosscheck(contest));
  std::string log = "START-OF-LOG: 3.0\r\nCONTEST: TARNO\r\nCALLSIGN: HA9ZZ\r\n";
  for (int i = 0; i < 50000; ++i)
    log += "QSO:  3525 CW 2026-03-07 0900 HA9ZZ         599 BP     HG7BB         599 PE\r\n";
  std::ofstream(contest / "logs" / "ha9zz.cbr", std::ios::binary) << log << "END-OF-LOG:\r\n";
  uintmax_t scratchBytes = 0;
  const Timing dupes = RunProgram(Crosscheck(contest), &scratchBytes);
  std::printf(
      "| 200 logs x 1,000 QSOs, wall / processor / peak memory | %.2f s / %.2f s / %.0f MB | "
      "- | - | - |\n",
      plain.wallSeconds, plain.cpuSeconds, plain.peakKiB / 1024.0);
  std::printf(
      "| the same and a log of 50,000 identical QSOs (%.1f MB) | %.2f s / %.2f s / %.0f MB, "
      "scratch at most %ju B | - | - | in proportion to the lines |\n",
      log.size() / 1e6, dupes.wallSeconds, dupes.cpuSeconds, dupes.peakKiB / 1024.0, scratchBytes);
  fs::remove_all(contest);
}

// How far a build's verdicts.csv is from the contest's truth.csv: both list the logs by
// call and each log's lines in file order, so the rows go side by side.
struct Judged {
  long rows = 0;
  long innocentLosses = 0;  // the truth credits the line, the build does not
  long guiltyCredits = 0;   // the reverse
  std::map<std::string, long> inTruth, given, right;
};

bool Credited(const std::string& verdict) {
  return verdict == "OK" || verdict == "NO-LOG" || verdict == "UNIQUE" ||
         verdict == "NOT-IN-PARTIAL-LOG";
}

// log,line,verdict of a CSV row.
std::string KeyAndVerdict(const std::string& row, std::string* verdict) {
  const size_t first = row.find(','), second = row.find(',', first + 1);
  const size_t third = row.find(',', second + 1);
  *verdict = row.substr(second + 1, third - second - 1);
  return row.substr(0, second);
}

Judged HoldToTruth(const fs::path& truthFile, const fs::path& verdictsFile) {
  Judged judged;
  std::ifstream truth(truthFile), verdicts(verdictsFile);
  std::string a, b, expected, got;
  std::getline(truth, a);
  std::getline(verdicts, b);
  while (std::getline(truth, a) && std::getline(verdicts, b)) {
    if (KeyAndVerdict(a, &expected) != KeyAndVerdict(b, &got)) {
      std::fprintf(stderr, "verdicts.csv and truth.csv part at %s / %s\n", a.c_str(), b.c_str());
      std::exit(1);
    }
    ++judged.rows;
    ++judged.inTruth[expected];
    ++judged.given[got];
    if (expected == got) ++judged.right[expected];
    judged.innocentLosses += Credited(expected) && !Credited(got);
    judged.guiltyCredits += !Credited(expected) && Credited(got);
  }
  return judged;
}

std::string Percent(long part, long whole) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f%%", whole ? 100.0 * part / whole : 100.0);
  return text;
}

void PrintJudged(const char* who, const Judged& judged) {
  std::printf("| %s: innocent losses / guilty credits | %ld / %ld in %ld lines |\n", who,
              judged.innocentLosses, judged.guiltyCredits, judged.rows);
  std::set<std::string> classes;
  for (const auto& [verdict, count] : judged.inTruth) classes.insert(verdict);
  for (const auto& [verdict, count] : judged.given) classes.insert(verdict);
  for (const std::string& verdict : classes) {
    const long right = judged.right.count(verdict) ? judged.right.at(verdict) : 0;
    const long truth = judged.inTruth.count(verdict) ? judged.inTruth.at(verdict) : 0;
    const long given = judged.given.count(verdict) ? judged.given.at(verdict) : 0;
    std::printf("| %s: %s, precision / recall | %s / %s (%ld in the truth) |\n", who,
                verdict.c_str(), Percent(right, given).c_str(), Percent(right, truth).c_str(),
                truth);
  }
}

// This build against another on 4 million lines with every error kind: processor time,
// memory, and the verdicts against the truth.
void AgainstRun(const fs::path& scratch, const fs::path& other) {
  const fs::path contest = scratch / "judged";
  RunProgram({TARNO_MAKE_CONTEST_PROGRAM, "--out", contest.string(), "--logs", "10000", "--qsos",
              "400", "--seed", "6", "--clock-off", "10", "--wrong-band", "30", "--wrong-mode",
              "0.5", "--drift", "30", "--partial", "20", "--mutual-bust", "0.5", "--wrong-sent",
              "20", "--no-reports", "10"});
  // The first two write the same files; the certificates, which the earlier build did
  // not draw, are timed apart.
  const std::vector<std::string> builds[3] = {
      {TARNO_SCORE_PROGRAM, "crosscheck", "--no-certificates", "--out",
       (contest / "this").string(), (contest / "logs").string()},
      {(other / "tarno-score").string(), "crosscheck", "--plugin",
       (other / "libtarno-contest.so").string(), "--out", (contest / "other").string(),
       (contest / "logs").string()},
      {TARNO_SCORE_PROGRAM, "crosscheck", "--out", (contest / "certificates").string(),
       (contest / "logs").string()}};
  const char* const folders[3] = {"this", "other", "certificates"};
  std::vector<double> cpu[3], wall[3];
  long peak[3] = {0, 0, 0};
  for (int round = 0; round < 3; ++round) {
    for (int b = 0; b < 3; ++b) {
      fs::remove_all(contest / folders[b]);
      const Timing timing = RunProgram(builds[b]);
      cpu[b].push_back(timing.cpuSeconds);
      wall[b].push_back(timing.wallSeconds);
      peak[b] = std::max(peak[b], timing.peakKiB);
    }
  }
  fs::remove_all(contest / folders[2]);
  std::printf(
      "| 10,000 logs x 400 QSOs with every error kind (%.0f MB), processor time | %.1f s | "
      "%.1f s | %.0f%% | <= 60%% |\n",
      FolderBytes(contest / "logs") / 1e6, Median(cpu[0]), Median(cpu[1]),
      100 * Median(cpu[0]) / Median(cpu[1]));
  std::printf("| the same, wall | %.1f s | %.1f s | %.0f%% | - |\n", Median(wall[0]),
              Median(wall[1]), 100 * Median(wall[0]) / Median(wall[1]));
  std::printf("| the same, peak resident memory | %.0f MB | %.0f MB | %.0f%% | <= 100%% |\n",
              peak[0] / 1024.0, peak[1] / 1024.0, 100.0 * peak[0] / peak[1]);
  std::printf(
      "| with the 10,000 certificates besides, processor time | %.1f s | - | %.0f%% | - |\n",
      Median(cpu[2]), 100 * Median(cpu[2]) / Median(cpu[1]));
  std::printf("| the same, wall / peak resident memory | %.1f s / %.0f MB | - | - | - |\n",
              Median(wall[2]), peak[2] / 1024.0);
  PrintJudged("this build", HoldToTruth(contest / "truth.csv", contest / "this" / "verdicts.csv"));
  PrintJudged("the other", HoldToTruth(contest / "truth.csv", contest / "other" / "verdicts.csv"));
  fs::remove_all(contest);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string only = argc > 1 ? argv[1] : "";
  const char* tmp = std::getenv("TMPDIR");
  const fs::path scratch =
      fs::path(tmp ? tmp : "/tmp") /
      ("tarno-crosscheck-bench-" + std::to_string(Clock::now().time_since_epoch().count()));
  fs::create_directories(scratch);
  if (only == "--against") {
    if (argc < 3) {
      std::fprintf(stderr, "--against needs the folder of another build\n");
      return 2;
    }
    std::printf("| measure | this build | the other | this / other | target |\n"
                "|---|---|---|---|---|\n");
    AgainstRun(scratch, fs::absolute(argv[2]));
    fs::remove_all(scratch);
    return 0;
  }
  std::printf("| measure | cross-check | parse alone | ratio | target |\n|---|---|---|---|---|\n");
  if (only != "--dupes-only") RatioRun(scratch);
  if (only != "--small-only") DupeRun(scratch);
  if (only.empty()) LargeRun(scratch);
  fs::remove_all(scratch);
  return 0;
}
