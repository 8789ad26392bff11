// tarno-make-contest: writes a made-up TARNO contest, one Cabrillo log per entrant in the
// plug-in's own layout (a few in ADIF), with the errors real contests have, and truth.csv,
// the verdict every QSO line must get. The headers hold categories of every kind, NAME and
// CLUB; categories.txt and entrants.csv are the sponsor's files for them, and
// categories-truth.csv and clubs-truth.csv the tables a cross-check with both must publish.
// The same options always give the same bytes.
//
//   tarno-make-contest --out FOLDER [--logs N] [--silent N] [--qsos N] [--seed S]
//       [--busted-call PCT] [--busted-exchange PCT] [--nil PCT] [--unique PCT]
//       [--dupe PCT] [--invalid PCT] [--outside PCT] [--clock-off N] [--wrong-band N]
//       [--wrong-mode PCT] [--drift N] [--partial N] [--mutual-bust PCT] [--wrong-sent N]
//       [--no-reports N]
//
// The contest runs on 2026-03-07; --logs stations send logs, --silent more are worked
// but send none; each log holds about --qsos lines. The error rates are percentages of
// the QSO lines; --clock-off logs have their clock an hour fast. The errors the cross-check
// weighs evidence for (a band or mode logged wrong, a drifting clock, a partial log, a call
// busted by both sides, a wrong sent column, serials that look like reports) come only when
// asked, each planted with the evidence that settles it. Calls made by a busted
// copy are no station's call, and lines that do not match their partner are kept far
// enough apart on a band and mode that no other line could be taken for their partner:
// the truth is never a matter of opinion.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "make/contest_model.h"

namespace {

using tarno::make::Contest;
using tarno::make::Options;

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    const char* value = argv[i + 1];
    if (arg == "--out")
      options->out = value;
    else if (arg == "--logs")
      options->logs = std::atoi(value);
    else if (arg == "--silent")
      options->silent = std::atoi(value);
    else if (arg == "--qsos")
      options->qsos = std::atoi(value);
    else if (arg == "--seed")
      options->seed = static_cast<uint32_t>(std::strtoul(value, nullptr, 10));
    else if (arg == "--busted-call")
      options->bustedCall = std::atof(value);
    else if (arg == "--busted-exchange")
      options->bustedExchange = std::atof(value);
    else if (arg == "--nil")
      options->nil = std::atof(value);
    else if (arg == "--unique")
      options->unique = std::atof(value);
    else if (arg == "--dupe")
      options->dupe = std::atof(value);
    else if (arg == "--invalid")
      options->invalid = std::atof(value);
    else if (arg == "--outside")
      options->outside = std::atof(value);
    else if (arg == "--clock-off")
      options->clockOff = std::atoi(value);
    else if (arg == "--wrong-band")
      options->wrongBand = std::atoi(value);
    else if (arg == "--wrong-mode")
      options->wrongMode = std::atof(value);
    else if (arg == "--drift")
      options->drift = std::atoi(value);
    else if (arg == "--partial")
      options->partial = std::atoi(value);
    else if (arg == "--mutual-bust")
      options->mutualBust = std::atof(value);
    else if (arg == "--wrong-sent")
      options->wrongSent = std::atoi(value);
    else if (arg == "--no-reports")
      options->noReports = std::atoi(value);
    else
      return false;
  }
  return argc % 2 == 1 && !options->out.empty() && options->logs >= 2 && options->qsos >= 1;
}

const char kUsage[] =
    "usage: tarno-make-contest --out FOLDER [--logs N] [--silent N] [--qsos N]\n"
    "    [--seed S] [--busted-call PCT] [--busted-exchange PCT] [--nil PCT]\n"
    "    [--unique PCT] [--dupe PCT] [--invalid PCT] [--outside PCT] [--clock-off N]\n"
    "    [--wrong-band N] [--wrong-mode PCT] [--drift N] [--partial N]\n"
    "    [--mutual-bust PCT] [--wrong-sent N] [--no-reports N]\n"
    "The error rates are percentages of the QSO lines; --clock-off N logs have their clock\n"
    "an hour fast. --wrong-band N logs log a run of 40-60 minutes on the wrong band (a\n"
    "third of its partners work them again later on that band); --wrong-mode PCT lines\n"
    "have the wrong mode at the radio's frequency; --drift N logs have a clock that drifts\n"
    "5-10 minutes over the day; --partial N logs lost 1-2 hours (some their end);\n"
    "--mutual-bust PCT QSOs are busted by both sides; --wrong-sent N logs have a wrong\n"
    "sent-exchange column on every line (their partners copied right); --no-reports N\n"
    "logs have no reports, and serials past 599.\n"
    "Writes FOLDER/logs/ (one log per entrant), truth.csv (every line's verdict),\n"
    "categories.txt and entrants.csv (the sponsor's files), categories-truth.csv and\n"
    "clubs-truth.csv (the tables a cross-check with both files must publish).\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  Contest contest(options);
  contest.Make();
  std::string error;
  if (!contest.Write(&error)) {
    std::fprintf(stderr, "tarno-make-contest: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
