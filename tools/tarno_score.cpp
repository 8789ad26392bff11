// tarno-score: scores a contest log through the plug-in's exported entry points, as the
// logger would; "check" tests a Cabrillo file, "crosscheck" checks a whole contest and
// "serve" runs the log robot. Each command lives in its own folder; this file only chooses
// one.

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "check/check_main.h"
#include "crosscheck/certificate.h"
#include "crosscheck/crosscheck_main.h"
#include "score/score_main.h"
#include "score/score_options.h"
#include "serve/serve_main.h"

int main(int argc, char** argv) {
  // Messages (standard error) and results (standard output) stay in order in one file.
  std::setvbuf(stdout, nullptr, _IOLBF, 1 << 14);
  try {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "crosscheck") {
      return tarno::score::CrosscheckMain(std::vector<std::string>(args.begin() + 1, args.end()),
                                          tarno::score::CertificateWriterOfThisBuild());
    }
    if (!args.empty() && args[0] == "serve") {
      return tarno::score::ServeMain(std::vector<std::string>(args.begin() + 1, args.end()));
    }
    tarno::score::ScoreOptions options;
    std::string error;
    if (!tarno::score::ParseScoreOptions(args, &options, &error)) {
      std::fprintf(stderr, "tarno-score: %s\n%s", error.c_str(), tarno::score::kUsage);
      return 2;
    }
    if (options.help) {
      std::fputs(tarno::score::kUsage, stdout);
      return 0;
    }
    if (options.check) return tarno::score::CheckMain(options.logFile);
    return tarno::score::ScoreMain(options);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "tarno-score: %s\n", failure.what());
  } catch (...) {
    std::fprintf(stderr, "tarno-score: an unexpected failure\n");
  }
  return 1;
}
