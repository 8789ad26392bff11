#ifndef TARNO_TOOLS_CROSSCHECK_CROSSCHECK_OPTIONS_H_
#define TARNO_TOOLS_CROSSCHECK_CROSSCHECK_OPTIONS_H_

// The command line of "tarno-score crosscheck".

#include <string>
#include <vector>

namespace tarno::score {

extern const char kCrosscheckUsage[];

struct CrosscheckOptions {
  std::vector<std::string> inputs;  // log files and folders of logs
  std::string outFolder = "crosscheck";
  int windowMinutes = 5;
  bool windowGiven = false;  // --window wins over the rules file's window
  std::string start;         // empty: decided from the logs (see contest_period.h)
  std::string end;
  bool dropUniques = false;
  std::string countryFile = "/usr/share/hamradio-files/cty.dat";
  std::string plugin;          // empty: beside the program
  int threads = 2;             // for reading the logs, sorting and the plug-in
  std::string categoriesFile;  // empty: one category per operator, mode, band and power
  std::string entrantsFile;    // the sponsor's corrections; empty: none
  std::string rulesFile;       // the contest's adjudication rules; empty: the defaults
  std::string decisionsFile;   // the sponsor's verdicts of single lines; empty: none
  std::string title;  // the contest's title on every page (UTF-8); empty: the logs' CONTEST:
  bool help = false;  // --help: the usage, and nothing else is read
  // The certificates: --no-certificates draws none; the sponsor's name and PNG images on
  // them, each empty for none.
  bool certificates = true;
  std::string sponsor;
  std::string certificateLogo;
  std::string certificateSignature;
};

// False with the reason on a bad command line; --help ends the reading with true.
bool ParseCrosscheckOptions(const std::vector<std::string>& args, CrosscheckOptions* options,
                            std::string* error);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_CROSSCHECK_OPTIONS_H_
