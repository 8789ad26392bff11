// tarno_wanted_logs_bench: what the robot's "wanted logs" cost a view of the sponsor's page
// (see docs/benchmarks.md, "The log robot: wanted logs").
//
//   tarno_wanted_logs_bench [--logs N] [--qsos N] [--silent N]
//
// 1. A made-up contest from tarno-make-contest (2,000 logs of about 400 QSOs, 300 more
//    stations on the air that send no log), each log stored as an upload in a fresh robot
//    database, as the robot stores it.
// 2. Timed, wall and processor time: the reference, every file read through the Cabrillo
//    reader alone, one after another; the list of uploads the page reads anyway; the wanted
//    logs worked out from nothing (every log read: the first view after a start); again
//    with nothing changed (every later view); and after one more upload (the view after an
//    upload: one log read). The resident memory the kept calls take.
// Everything happens in a scratch folder under $TMPDIR (or /tmp), removed at the end.

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "logs/cabrillo_reader.h"
#include "logs/log_file.h"
#include "serve/log_intake.h"
#include "serve/robot_store.h"
#include "serve/wanted_logs.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using tarno::score::RobotStore;
using tarno::score::UploadRecord;
using tarno::score::WantedList;
using tarno::score::WantedLogs;

[[noreturn]] void Die(const std::string& why) {
  std::fprintf(stderr, "tarno_wanted_logs_bench: %s\n", why.c_str());
  std::exit(1);
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
         usage.ru_stime.tv_usec / 1e6;
}

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return 0;
}

struct Timed {
  double wall = 0;
  double cpu = 0;
};

template <typename Work>
Timed Time(Work work) {
  const double cpu = CpuSeconds();
  const Clock::time_point start = Clock::now();
  work();
  return {std::chrono::duration<double>(Clock::now() - start).count(), CpuSeconds() - cpu};
}

void Report(const char* what, const Timed& timed) {
  std::printf("%-48s %9.4f s wall %9.4f s processor\n", what, timed.wall, timed.cpu);
}

void Store(RobotStore& store, const std::string& bytes, int64_t when) {
  const tarno::score::Intake intake = tarno::score::JudgeUpload(bytes);
  if (!intake.refusal.empty()) return;
  UploadRecord upload;
  upload.receivedUnix = when;
  upload.address = "127.0.0.1";
  upload.call = intake.call;
  upload.kind = intake.kind;
  upload.linesRead = intake.linesRead;
  upload.token = std::to_string(when) + "-" + intake.call;
  upload.bytes = bytes;
  std::string error;
  if (!store.AddUpload(&upload, &error)) Die("an upload could not be stored: " + error);
}

}  // namespace

int main(int argc, char** argv) {
  int logs = 2000, qsos = 400, silent = 300;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    int* target = option == "--logs"     ? &logs
                  : option == "--qsos"   ? &qsos
                  : option == "--silent" ? &silent
                                         : nullptr;
    if (!target) Die("unknown option " + option);
    *target = std::atoi(argv[i + 1]);
  }
  const char* tmp = std::getenv("TMPDIR");
  const fs::path scratch =
      fs::path(tmp ? tmp : "/tmp") / ("tarno-wanted-bench-" + std::to_string(getpid()));
  fs::create_directories(scratch);
  const std::string make = std::string(TARNO_MAKE_CONTEST_PROGRAM) + " --out " +
                           (scratch / "contest").string() + " --logs " + std::to_string(logs) +
                           " --qsos " + std::to_string(qsos) + " --silent " +
                           std::to_string(silent) + " >/dev/null";
  if (std::system(make.c_str()) != 0) Die("tarno-make-contest failed");

  RobotStore store;
  std::string error;
  if (!store.Open((scratch / "robot.sqlite").string(), &error)) Die(error);
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(scratch / "contest" / "logs"))
    files.push_back(entry.path().string());
  size_t bytes = 0;
  int64_t when = 1;
  for (const std::string& file : files) {
    std::string text;
    if (!tarno::score::ReadRegularFile(file, &text, &error)) Die(error);
    bytes += text.size();
    Store(store, text, when++);
  }
  std::printf("%zu logs, %.1f MB, stored as uploads\n", files.size(), bytes / 1e6);

  size_t lines = 0;
  Report("reference: the Cabrillo reader alone, every file", Time([&] {
           for (const std::string& file : files) {
             std::string text;
             if (!tarno::score::ReadRegularFile(file, &text, &error)) Die(error);
             lines += tarno::score::ReadCabrillo(text).qsos.size();
           }
         }));
  WantedLogs wanted;
  std::vector<UploadRecord> uploads;
  WantedList list;
  Report("the list of uploads (read by the page anyway)", Time([&] { uploads = store.Uploads(); }));
  const long before = ResidentKiB();
  Report("wanted logs from nothing (every log read)",
         Time([&] { list = wanted.Of(store, uploads); }));
  const long kept = ResidentKiB() - before;
  Report("wanted logs, nothing changed", Time([&] { list = wanted.Of(store, uploads); }));
  std::string one;
  if (!tarno::score::ReadRegularFile(files.front(), &one, &error)) Die(error);
  Store(store, one, when++);  // the same entrant sends its log again
  uploads = store.Uploads();
  Report("wanted logs after one more upload (one log read)",
         Time([&] { list = wanted.Of(store, uploads); }));
  std::printf("resident memory grown by the first: %ld KiB\n", kept);
  std::printf("%lld stations without a log; the most worked: %s in %lld logs\n",
              static_cast<long long>(list.stations),
              list.calls.empty() ? "none" : list.calls.front().call.c_str(),
              list.calls.empty() ? 0LL : static_cast<long long>(list.calls.front().logs));
  fs::remove_all(scratch);
  return 0;
}
