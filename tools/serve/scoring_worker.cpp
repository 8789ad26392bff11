#include "serve/scoring_worker.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "replay/plugin_library.h"
#include "replay/replay.h"
#include "serve/receipt_scoring.h"
#include "serve/worker_frame.h"

namespace tarno::score {
namespace {

namespace fs = std::filesystem;

constexpr int kRequests = 0;
constexpr int kAnswers = 3;

struct WorkerOptions {
  std::string scratch;
  ReceiptPeriod period;
  std::string countryFile = "/usr/share/hamradio-files/cty.dat";
  std::string plugin;
};

bool ParseWorkerOptions(const std::vector<std::string>& args, WorkerOptions* options) {
  for (size_t i = 0; i + 1 < args.size(); i += 2) {
    const std::string& name = args[i];
    std::string* target = name == "--scratch"  ? &options->scratch
                          : name == "--start"  ? &options->period.start
                          : name == "--end"    ? &options->period.end
                          : name == "--cty"    ? &options->countryFile
                          : name == "--plugin" ? &options->plugin
                                               : nullptr;
    if (!target) return false;
    *target = args[i + 1];
  }
  return args.size() % 2 == 0 && !options->scratch.empty() &&
         options->period.start.empty() == options->period.end.empty();
}

int Fail(const std::string& error) {
  std::fprintf(stderr, "tarno-score serve: scoring worker: %s\n", error.c_str());
  return 1;
}

// A test stops the worker in the middle of a log, to see the robot cope with a worker
// that hangs or is killed there.
void StopHereIfTestAsks(const std::string& call) {
  const char* stopAt = std::getenv("TARNO_TEST_STOP_SCORING_OF");
  if (stopAt && call == stopAt) raise(SIGSTOP);
}

}  // namespace

const char kScoringWorkerCommand[] = "--scoring-worker";

int ScoringWorkerMain(const std::vector<std::string>& args) {
  WorkerOptions options;
  if (!ParseWorkerOptions(args, &options)) return Fail("a bad command line");
  options.scratch = fs::absolute(options.scratch).string();
  std::string error;
  CountryFile countries;
  if (!countries.Load(options.countryFile, &error)) return Fail(error);
  PluginLibrary plugin;
  if (!plugin.Load(options.plugin.empty() ? PluginLibrary::DefaultPath() : options.plugin,
                   &error)) {
    return Fail(error);
  }
  std::error_code made;
  fs::create_directories(options.scratch, made);
  if (made || !EnterRunFolder(options.scratch, &error)) return Fail(error);
  // Nothing reads the plug-in's error file here, and a log of one QSO repeated would make
  // it grow with the square of the repeats: a folder of that name is a file the plug-in
  // cannot open, which it passes over.
  if (!MakeDirectory("err.txt")) return Fail("cannot keep the plug-in's error file away");
  int status = 0;
  for (;;) {
    std::string request;
    const FrameStatus read = ReadFrame(kRequests, kLargestScoringRequest, kNoDeadline, &request);
    if (read == FrameStatus::kEnded) break;
    Fields fields;
    if (read != FrameStatus::kOk || !DecodeFields(request, &fields) || fields.size() != 2) {
      status = 2;
      break;
    }
    StopHereIfTestAsks(fields[0]);
    const ClaimedScore claimed =
        ScoreForReceipt(plugin.entries(), countries, options.period, fields[0], fields[1]);
    if (WriteFrame(kAnswers, EncodeFields(FieldsOf(claimed)), kNoDeadline) != FrameStatus::kOk)
      break;
  }
  fs::current_path(fs::path(options.scratch).parent_path(), made);  // to remove it
  fs::remove_all(options.scratch, made);
  return status;
}

}  // namespace tarno::score
