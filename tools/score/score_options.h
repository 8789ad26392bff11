#ifndef TARNO_TOOLS_SCORE_SCORE_OPTIONS_H_
#define TARNO_TOOLS_SCORE_SCORE_OPTIONS_H_

// The command line of tarno-score.

#include <string>
#include <utility>
#include <vector>

#include "replay/run_settings.h"

namespace tarno::score {

extern const char kUsage[];

struct ScoreOptions {
  bool help = false;
  bool check = false;  // "check FILE.cbr" rather than scoring a log
  std::string logFile;
  std::string ownCall;       // upper case; empty: from the log
  std::string ownContinent;  // one of AF AN AS EU NA OC SA; empty: from the country file
  // The contest period, UTC, as days since 1899-12-30; `hasPeriod` when given.
  bool hasPeriod = false;
  double startDays = 0.0;
  double endDays = 0.0;  // inclusive: the last minute that counts
  bool cabrillo = false;
  std::string folder = ".";
  bool keepSettings = false;  // start from the settings already in --dir
  std::string countryFile = "/usr/share/hamradio-files/cty.dat";
  std::string plugin;         // empty: beside the program
  std::string exchangeField;  // upper case; empty: the usual fields
  std::string sentExchange;   // a county code, "serial", or empty
  std::string headerFile;     // Cabrillo header lines to take the header from
  HeaderFields header;        // from the options; they win over the header file
};

// False with the reason on a bad command line.
bool ParseScoreOptions(const std::vector<std::string>& args, ScoreOptions* options,
                       std::string* error);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SCORE_SCORE_OPTIONS_H_
