#include "crosscheck/crosscheck_options.h"

#include <cstdlib>

#include "logs/log_text.h"

namespace tarno::score {

const char kCrosscheckUsage[] =
    "usage: tarno-score crosscheck [options] LOGS...\n"
    "  LOGS                 Cabrillo (or ADIF) files, or folders of them (sub-folders\n"
    "                       too)\n"
    "  --out FOLDER         where the results go (default: crosscheck)\n"
    "  --window MINUTES     how far apart the two sides' times may be (default: 5)\n"
    "  --start DATE[ TIME]  the contest period, YYYY-MM-DD or YYYY-MM-DD HH:MM, UTC;\n"
    "  --end DATE[ TIME]    by default the days that hold the logs' QSOs\n"
    "  --drop-uniques       give no credit for QSOs with calls in no other log\n"
    "  --cty FILE           the country file (default: /usr/share/hamradio-files/cty.dat)\n"
    "  --plugin FILE        the plug-in library (default: beside the program)\n"
    "  --threads N          threads for reading the logs and running the plug-in\n"
    "                       (default: 2)\n"
    "  --categories FILE    the published categories (see README); by default one per\n"
    "                       operator, mode, band and power, home stations apart\n"
    "  --entrants FILE      the sponsor's corrections: call,category,name,club a line\n"
    "  --rules FILE         the contest's adjudication rules (see README): window,\n"
    "                       penalties, mismatches, uniques, review thresholds\n"
    "  --decisions FILE     the sponsor's verdicts of single lines:\n"
    "                       call,line,verdict,reason[,comment] a line\n"
    "  --sponsor NAME       the contest sponsor, as the certificates name it\n"
    "  --certificate-logo FILE, --certificate-signature FILE\n"
    "                       the sponsor's logo and a signature (PNG) for the\n"
    "                       certificates\n"
    "  --no-certificates    draw no certificates\n"
    "  --title TEXT         the contest's title on every page (default: the contest's\n"
    "                       name and the year of its period)\n"
    "  --help               this text\n"
    "Exit status: 0 every log used, 1 some log could not be used, 2 nothing checked (bad\n"
    "command line, a bad categories, entrants, rules or decisions file, a decision that\n"
    "matches no line, no country file or plug-in, output folder not writable, not one\n"
    "usable log).\n";

namespace {

bool Number(const std::string& text, int low, int high, int* value) {
  char* end = nullptr;
  const long number = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || number < low || number > high) return false;
  *value = static_cast<int>(number);
  return true;
}

// A title is a line of a page's head, not a paragraph.
constexpr size_t kLongestTitle = 200;

// Why `title` cannot head the pages (empty, too long, a control character, not UTF-8), or
// empty when it can.
std::string TitleProblem(const std::string& title) {
  if (title.find_first_not_of(' ') == std::string::npos) return "is empty";
  if (title.size() > kLongestTitle)
    return "is longer than " + std::to_string(kLongestTitle) + " bytes";
  for (unsigned char c : title) {
    if (c < 0x20 || c == 0x7F) return "holds a control character";
  }
  if (!IsValidUtf8(title)) return "is not UTF-8";
  return "";
}

}  // namespace

bool ParseCrosscheckOptions(const std::vector<std::string>& args, CrosscheckOptions* options,
                            std::string* error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      options->help = true;
      return true;
    }
    if (arg == "--drop-uniques") {
      options->dropUniques = true;
      continue;
    }
    if (arg == "--no-certificates") {
      options->certificates = false;
      continue;
    }
    if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      options->inputs.push_back(arg);
      continue;
    }
    if (i + 1 >= args.size()) {
      *error = arg + " needs a value";
      return false;
    }
    const std::string& value = args[++i];
    if (arg == "--out") {
      options->outFolder = value;
    } else if (arg == "--window") {
      if (!Number(value, 0, 1440, &options->windowMinutes)) {
        *error = "--window takes minutes from 0 to 1440, not \"" + value + "\"";
        return false;
      }
      options->windowGiven = true;
    } else if (arg == "--start") {
      options->start = value;
    } else if (arg == "--end") {
      options->end = value;
    } else if (arg == "--cty") {
      options->countryFile = value;
    } else if (arg == "--categories") {
      options->categoriesFile = value;
    } else if (arg == "--entrants") {
      options->entrantsFile = value;
    } else if (arg == "--rules") {
      options->rulesFile = value;
    } else if (arg == "--decisions") {
      options->decisionsFile = value;
    } else if (arg == "--sponsor") {
      options->sponsor = value;
    } else if (arg == "--certificate-logo") {
      options->certificateLogo = value;
    } else if (arg == "--certificate-signature") {
      options->certificateSignature = value;
    } else if (arg == "--title") {
      const std::string problem = TitleProblem(value);
      if (!problem.empty()) {
        *error = "--title " + problem;
        return false;
      }
      options->title = value;
    } else if (arg == "--plugin") {
      options->plugin = value;
    } else if (arg == "--threads") {
      if (!Number(value, 1, 64, &options->threads)) {
        *error = "--threads takes a number from 1 to 64, not \"" + value + "\"";
        return false;
      }
    } else {
      *error = "unknown option " + arg;
      return false;
    }
  }
  if (options->inputs.empty()) {
    *error = "no logs given";
    return false;
  }
  return true;
}

}  // namespace tarno::score
