#include "score_options.h"

namespace tarno::score {

const char kUsage[] =
    "usage: tarno-score [options] LOGFILE      score an ADIF or Cabrillo log\n"
    "       tarno-score check FILE.cbr         check a Cabrillo 3.0 file\n"
    "options:\n"
    "  --own-call CALL      the contestant (default: the log's station call)\n"
    "  --continent CC       own continent (default: from the country file)\n"
    "  --start YYYY-MM-DD   contest start (default: the first QSO's day)\n"
    "  --end YYYY-MM-DD     contest end (default: the last QSO's day)\n"
    "  --cabrillo           also write the Cabrillo file\n"
    "  --dir FOLDER         where err.txt, the Cabrillo file and Plugins/ go (default: .)\n"
    "  --cty FILE           country file (default: /usr/share/hamradio-files/cty.dat)\n"
    "  --plugin FILE        the plug-in library (default: beside this program)\n";

namespace {

bool IsDate(const std::string& text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  return true;
}

}  // namespace

bool ParseScoreOptions(const std::vector<std::string>& args, ScoreOptions* options,
                       std::string* error) {
  std::vector<std::string> files;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string* target) {
      if (i + 1 >= args.size()) {
        *error = arg + " needs a value";
        return false;
      }
      *target = args[++i];
      return true;
    };
    bool ok = true;
    if (arg == "--own-call") {
      ok = value(&options->ownCall);
    } else if (arg == "--continent") {
      ok = value(&options->ownContinent);
    } else if (arg == "--start") {
      ok = value(&options->startDate);
    } else if (arg == "--end") {
      ok = value(&options->endDate);
    } else if (arg == "--dir") {
      ok = value(&options->folder);
    } else if (arg == "--cty") {
      ok = value(&options->countryFile);
    } else if (arg == "--plugin") {
      ok = value(&options->plugin);
    } else if (arg == "--cabrillo") {
      options->cabrillo = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      *error = "unknown option " + arg;
      return false;
    } else {
      files.push_back(arg);
    }
    if (!ok) return false;
  }
  if (!files.empty() && files[0] == "check") {
    options->check = true;
    files.erase(files.begin());
  }
  if (files.size() != 1) {
    *error = files.empty() ? "no log file given" : "more than one log file given";
    return false;
  }
  options->logFile = files[0];
  for (const std::string* date : {&options->startDate, &options->endDate}) {
    if (!date->empty() && !IsDate(*date)) {
      *error = "\"" + *date + "\" is not a date of the form YYYY-MM-DD";
      return false;
    }
  }
  return true;
}

}  // namespace tarno::score
