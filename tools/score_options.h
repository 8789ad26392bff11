#ifndef TARNO_TOOLS_SCORE_OPTIONS_H_
#define TARNO_TOOLS_SCORE_OPTIONS_H_

// The command line of tarno-score.

#include <string>
#include <vector>

namespace tarno::score {

extern const char kUsage[];

struct ScoreOptions {
  bool check = false;  // "check FILE.cbr" rather than scoring a log
  std::string logFile;
  std::string ownCall;       // empty: from the log
  std::string ownContinent;  // empty: from the country file
  std::string startDate;     // yyyy-mm-dd; empty: the first QSO's day
  std::string endDate;       // yyyy-mm-dd; empty: the last QSO's day
  bool cabrillo = false;
  std::string folder = ".";
  std::string countryFile = "/usr/share/hamradio-files/cty.dat";
  std::string plugin;  // empty: beside the program
};

// False with the reason on a bad command line.
bool ParseScoreOptions(const std::vector<std::string>& args, ScoreOptions* options,
                       std::string* error);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SCORE_OPTIONS_H_
