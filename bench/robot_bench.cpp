// tarno_robot_bench: the log robot with many entrants uploading at once, timed against the
// work a receipt cannot do without, `tarno-score check` and the scoring of the same file
// one after the other in one process (see docs/benchmarks.md, "The log robot").
//
//   tarno_robot_bench [--clients N] [--qsos N] [--rounds N]
//
// 1. N logs (50) of about 5,000 QSO lines, each of its own call: tarno-make-log --qsos
//    (5300, of which the plug-in keeps about 4,990 in the Cabrillo file) turned into
//    Cabrillo by tarno-score --cabrillo --own-call.
// 2. The robot: `tarno-score serve` on 127.0.0.1, any free port, a fresh data folder, the
//    per-address upload limit lifted (every client here is 127.0.0.1). Five more logs
//    are sent one at a time.
// 3. --rounds times (3), in turn: the floor, CheckMain and ScoreMain (the two commands' own
//    functions) for each log in this process, their output thrown away, timed per file
//    and back to back; then all N clients send at one signal, each on its own connection
//    (httplib::Client), and each waits for its receipt. The robot's processor time, that
//    of its scoring workers included, comes from /proc.
// Also timed alone: the scoring as a program of its own (what a long-lived scoring worker
// saves starting for each upload), and one durable SQLite commit of an upload's bytes.
// Everything happens in a scratch folder under $TMPDIR (or /tmp), removed at the end.

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "check/check_main.h"
#include "logs/country_file.h"
#include "robot_bench_http.h"
#include "score/score_main.h"

namespace {

using tarno::bench::Clock;
using tarno::bench::Die;
using tarno::bench::Entrant;
using tarno::bench::SecondsSince;
namespace fs = std::filesystem;

constexpr int kSoloUploads = 5;

struct Settings {
  int clients = 50;
  int qsos = 5300;
  int rounds = 3;
};

double SelfCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs a program to its end, its standard output into `output` (or thrown away); its
// processor time.
double RunProgram(const std::vector<std::string>& args, const std::string& output = "/dev/null") {
  std::fflush(stdout);  // else the child would write what is still buffered here
  const pid_t child = fork();
  if (child == 0) {
    const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int null = open("/dev/null", O_WRONLY);
    dup2(out, 1);
    dup2(null, 2);
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) > 1)
    Die(args[0] + " failed (status " + std::to_string(status) + ")");
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// HA0BA, HA1BA, ... : a call of its own for each of up to 260 entrants.
std::string CallOf(int index) {
  return "HA" + std::to_string(index % 10) + "B" + static_cast<char>('A' + index / 10 % 26);
}

Entrant MakeEntrant(const fs::path& scratch, int index, int qsos) {
  Entrant entrant;
  entrant.call = CallOf(index);
  const fs::path folder = scratch / "logs" / entrant.call;
  fs::create_directories(folder);
  const std::string adif = (folder / "made.adi").string();
  RunProgram({TARNO_MAKE_LOG_PROGRAM, "--qsos", std::to_string(qsos), "--seed",
              std::to_string(100 + index)},
             adif);
  RunProgram({TARNO_SCORE_PROGRAM, "--cabrillo", "--own-call", entrant.call, "--dir",
              folder.string(), adif});
  entrant.path = (folder / (entrant.call + ".cbr")).string();
  entrant.bytes = Slurp(entrant.path);
  for (size_t at = entrant.bytes.find("\nQSO:"); at != std::string::npos;
       at = entrant.bytes.find("\nQSO:", at + 1)) {
    ++entrant.qsoLines;
  }
  if (entrant.qsoLines == 0) Die("no Cabrillo log was made for " + entrant.call);
  return entrant;
}

// Standard output and error go to /dev/null while it lives: the commands print a lot.
class Quiet {
 public:
  Quiet() {
    std::fflush(stdout);
    std::fflush(stderr);
    m_out = dup(1);
    m_err = dup(2);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    close(null);
  }
  ~Quiet() {
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(m_out, 1);
    dup2(m_err, 2);
    close(m_out);
    close(m_err);
  }

 private:
  int m_out;
  int m_err;
};

// The nearest-rank percentile: of 50 values, the 99th is the largest.
double Percentile(std::vector<double> values, double percent) {
  std::sort(values.begin(), values.end());
  const size_t rank = static_cast<size_t>(std::ceil(percent / 100.0 * values.size()));
  return values[std::max<size_t>(rank, 1) - 1];
}

struct Floor {
  std::vector<double> seconds;  // per file
  double cpuSeconds = 0;        // all files
};

// `tarno-score check FILE` and `tarno-score FILE` as the commands run them, in this process.
Floor CheckAndScoreEach(const std::vector<Entrant>& entrants, const fs::path& scratch) {
  Floor floor;
  const double cpu = SelfCpuSeconds();
  {
    const Quiet quiet;
    for (const Entrant& entrant : entrants) {
      tarno::score::ScoreOptions options;
      options.logFile = entrant.path;
      options.folder = (scratch / "floor" / entrant.call).string();
      options.plugin = TARNO_PLUGIN_LIBRARY;
      fs::create_directories(options.folder);
      const auto start = Clock::now();
      tarno::score::CheckMain(entrant.path);
      if (tarno::score::ScoreMain(options) > 1) Die("scoring " + entrant.path + " failed");
      floor.seconds.push_back(SecondsSince(start));
    }
  }
  floor.cpuSeconds = SelfCpuSeconds() - cpu;
  return floor;
}

struct Part {
  double wallSeconds = 0;
  double cpuSeconds = 0;
};

// The scoring by tarno-score as a program of its own, started afresh for the file; medians
// over the first ten files.
Part ScoringAsProgram(const std::vector<Entrant>& entrants, const fs::path& scratch) {
  std::vector<double> wall, cpu;
  for (size_t i = 0; i < entrants.size() && i < 10; ++i) {
    const fs::path folder = scratch / "program" / entrants[i].call;
    fs::create_directories(folder);
    const auto start = Clock::now();
    cpu.push_back(RunProgram({TARNO_SCORE_PROGRAM, "--dir", folder.string(), "--own-call",
                              entrants[i].call, entrants[i].path}));
    wall.push_back(SecondsSince(start));
  }
  return {Percentile(wall, 50), Percentile(cpu, 50)};
}

// Reading the country file, which each scoring program does afresh; median of five.
double CountryFileLoad() {
  std::vector<double> seconds;
  for (int i = 0; i < 5; ++i) {
    tarno::score::CountryFile countries;
    std::string error;
    const double cpu = SelfCpuSeconds();
    if (!countries.Load(tarno::score::ScoreOptions().countryFile, &error)) Die(error);
    seconds.push_back(SelfCpuSeconds() - cpu);
  }
  return Percentile(seconds, 50);
}

// One upload's bytes made durable as the robot's store makes them (WAL, synchronous=FULL,
// one transaction each); median over twenty commits.
double DurableCommit(const Entrant& entrant, const fs::path& scratch) {
  sqlite3* db = nullptr;
  if (sqlite3_open((scratch / "commit.sqlite").c_str(), &db) != SQLITE_OK) Die("no SQLite file");
  sqlite3_exec(db,
               "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;"
               "CREATE TABLE upload(id INTEGER PRIMARY KEY, bytes BLOB NOT NULL);",
               nullptr, nullptr, nullptr);
  std::vector<double> seconds;
  for (int i = 0; i < 20; ++i) {
    const auto start = Clock::now();
    sqlite3_exec(db, "BEGIN IMMEDIATE;", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO upload(bytes) VALUES(?)", -1, &insert, nullptr);
    sqlite3_bind_blob(insert, 1, entrant.bytes.data(), static_cast<int>(entrant.bytes.size()),
                      SQLITE_STATIC);
    const bool stored = sqlite3_step(insert) == SQLITE_DONE;
    sqlite3_finalize(insert);
    if (!stored || sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr) != SQLITE_OK)
      Die("the SQLite commit failed");
    seconds.push_back(SecondsSince(start));
  }
  sqlite3_close(db);
  return Percentile(seconds, 50);
}

std::vector<double> BackToBack(const std::vector<double>& each) {
  std::vector<double> done;
  double sum = 0;
  for (double seconds : each) done.push_back(sum += seconds);
  return done;
}

std::string LoadAverage() {
  std::string text = Slurp("/proc/loadavg");
  return text.substr(0, text.find(' '));
}

Settings ParseSettings(int argc, char** argv) {
  Settings settings;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const int value = std::atoi(argv[i + 1]);
    if (value <= 0) Die("usage: tarno_robot_bench [--clients N] [--qsos N] [--rounds N]");
    if (name == "--clients") settings.clients = std::min(value, 250);
    if (name == "--qsos") settings.qsos = value;
    if (name == "--rounds") settings.rounds = value;
  }
  return settings;
}

void Row(const char* measure, double robot, double floor, const char* floorText) {
  std::printf("| %s | %.3f s | %.3f s (%s) | %.1fx |\n", measure, robot, floor, floorText,
              robot / floor);
}

}  // namespace

int main(int argc, char** argv) {
  const Settings settings = ParseSettings(argc, argv);
  const char* tmp = std::getenv("TMPDIR");
  const fs::path scratch =
      fs::path(tmp ? tmp : "/tmp") /
      ("tarno-robot-bench-" + std::to_string(Clock::now().time_since_epoch().count()));
  fs::create_directories(scratch);
  std::printf("load average at the start: %s\n", LoadAverage().c_str());

  std::vector<Entrant> entrants, solo;
  for (int i = 0; i < settings.clients + kSoloUploads; ++i)
    (i < settings.clients ? entrants : solo).push_back(MakeEntrant(scratch, i, settings.qsos));
  size_t lines = 0, bytes = 0;
  for (const Entrant& entrant : entrants) lines += entrant.qsoLines, bytes += entrant.bytes.size();
  std::printf("%d logs of %zu QSO lines (%.0f kB) on average\n", settings.clients,
              lines / entrants.size(), bytes / 1e3 / entrants.size());

  const Part asProgram = ScoringAsProgram(entrants, scratch);
  const double countryFile = CountryFileLoad();
  const double commit = DurableCommit(entrants.front(), scratch);
  Floor floor;
  std::vector<double> floorQueue, soloSeconds, atOnce;
  double robotCpu = 0;
  const long overflows = tarno::bench::ListenOverflows();
  {
    const tarno::bench::RobotProcess robot(TARNO_SCORE_PROGRAM, scratch);
    for (const Entrant& entrant : solo)
      soloSeconds.push_back(tarno::bench::Upload(robot.port(), entrant, Clock::now()));
    double cpu = 0;
    // The floor and the robot take turns, so that what else the machine is doing weighs
    // on both alike.
    for (int round = 0; round < settings.rounds; ++round) {
      const Floor pass = CheckAndScoreEach(entrants, scratch);
      floor.seconds.insert(floor.seconds.end(), pass.seconds.begin(), pass.seconds.end());
      floor.cpuSeconds += pass.cpuSeconds;
      const std::vector<double> queue = BackToBack(pass.seconds);
      floorQueue.insert(floorQueue.end(), queue.begin(), queue.end());
      const double cpuBefore = robot.CpuSeconds();
      const std::vector<double> seconds = tarno::bench::UploadAtOnce(robot.port(), entrants);
      cpu += robot.CpuSeconds() - cpuBefore;
      std::printf(
          "round %d: one process back to back %.2f s; robot median %.2f s, slowest %.2f s\n",
          round + 1, queue.back(), Percentile(seconds, 50), Percentile(seconds, 100));
      atOnce.insert(atOnce.end(), seconds.begin(), seconds.end());
    }
    robotCpu = cpu / static_cast<double>(atOnce.size());
  }
  const double floorEach = Percentile(floor.seconds, 50);
  std::printf("load average at the end: %s\n", LoadAverage().c_str());
  std::printf(
      "connections refused for a full accept queue (whole machine): %ld; uploads sent again: "
      "%d\n\n",
      tarno::bench::ListenOverflows() - overflows, tarno::bench::UploadsSentAgain());

  std::printf("| measure | robot | check + score in one process | ratio |\n|---|---|---|---|\n");
  Row("one upload alone, median time to receipt", Percentile(soloSeconds, 50), floorEach,
      "one file");
  Row("all at once, median time to receipt", Percentile(atOnce, 50), floorEach, "one file");
  Row("all at once, 99th percentile", Percentile(atOnce, 99), floorEach, "one file");
  Row("all at once, median, against the same files back to back", Percentile(atOnce, 50),
      Percentile(floorQueue, 50), "the middle file done");
  Row("all at once, 99th percentile, against the same files back to back", Percentile(atOnce, 99),
      Percentile(floorQueue, 99), "the last file done");
  Row("processor time per upload", robotCpu, floor.cpuSeconds / floor.seconds.size(), "per file");
  std::printf(
      "\nparts of one upload: scoring as a program of its own %.3f s (processor %.3f s), of "
      "which reading the country file %.3f s; a durable SQLite commit of its bytes %.3f s\n",
      asProgram.wallSeconds, asProgram.cpuSeconds, countryFile, commit);
  fs::remove_all(scratch);
  return 0;
}
