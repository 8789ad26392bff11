#include "score/score_options.h"

#include <cstdlib>
#include <tuple>

#include "contest/ascii_text.h"
#include "contest/county_rules.h"
#include "logs/log_qso.h"
#include "replay/run_settings.h"

namespace tarno::score {

const char kUsage[] =
    "usage: tarno-score [options] LOGFILE      score an ADIF or Cabrillo log\n"
    "       tarno-score check FILE.cbr         check a Cabrillo 3.0 file\n"
    "       tarno-score crosscheck [options] LOGS...   check entrants' logs against each other\n"
    "       tarno-score --help\n"
    "options:\n"
    "  --own-call CALL          the contestant (default: the log's station call)\n"
    "  --continent CC           own continent, AF AN AS EU NA OC SA (default: country file)\n"
    "  --start DATE[THH:MM]     contest start, UTC (a date alone: 00:00)\n"
    "  --end DATE[THH:MM]       contest end, UTC, inclusive (a date alone: until 23:59)\n"
    "                           QSOs outside the period are reported and not scored;\n"
    "                           without a period a log may span at most 48 hours\n"
    "  --exchange-field NAME    the ADIF field holding the received exchange\n"
    "  --sent-exchange TEXT     the sent exchange: a county code, or 'serial' to number\n"
    "                           the QSOs in time order\n"
    "  --cabrillo               also write the Cabrillo file, and check it\n"
    "  --header FILE            Cabrillo header lines (NAME: ..., CATEGORY-POWER: LOW)\n"
    "  --category-operator X  --category-power X  --category-mode X  --category-band X\n"
    "  --category-transmitter X  --operators X  --name X  --address X  --address-city X\n"
    "  --address-postalcode X  --address-country X  --location X  --email X  --club X\n"
    "  --soapbox X              header fields; they win over --header\n"
    "  --dir FOLDER             where err.txt, summary.txt, the Cabrillo file and\n"
    "                           Plugins/ go (default: .)\n"
    "  --keep-settings          keep the plug-in's settings already in FOLDER (default:\n"
    "                           every run starts from clean settings)\n"
    "  --cty FILE               country file (default: /usr/share/hamradio-files/cty.dat)\n"
    "  --plugin FILE            the plug-in library (default: beside this program)\n"
    "exit status: 0 every record read and scored and the Cabrillo file sound; 1 records\n"
    "skipped or unreadable, a log of another contest, a file not written, or problems in\n"
    "the Cabrillo file; 2 usage: a bad option or value, or a log that needs one to be\n"
    "scored (--own-call, --continent, or --start and --end past 48 hours)\n";

namespace {

// The header options are the Cabrillo tags in lower case: --category-power, --email.
std::string HeaderTagOfOption(const std::string& option) {
  if (option.rfind("--", 0) != 0) return std::string();
  std::string tag = UpperAscii(std::string_view(option).substr(2));
  if (tag == "EMAIL") tag = "E-MAIL";
  return IsHeaderTag(tag) ? tag : std::string();
}

bool Digits(const std::string& text, size_t from, size_t count, int* value) {
  if (from + count > text.size()) return false;
  *value = 0;
  for (size_t i = from; i < from + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    *value = *value * 10 + (text[i] - '0');
  }
  return true;
}

// "YYYY-MM-DD", "YYYY-MM-DDTHH:MM" or "YYYY-MM-DD HH:MM"; a date alone is its first
// minute, or with `endOfDay` its last.
bool ParseMoment(const std::string& text, bool endOfDay, double* days) {
  int year, month, day, hour = endOfDay ? 23 : 0, minute = endOfDay ? 59 : 0;
  if (!Digits(text, 0, 4, &year) || text.size() < 10 || text[4] != '-' || text[7] != '-' ||
      !Digits(text, 5, 2, &month) || !Digits(text, 8, 2, &day)) {
    return false;
  }
  if (text.size() != 10) {
    if (text.size() != 16 || (text[10] != 'T' && text[10] != ' ') || text[13] != ':' ||
        !Digits(text, 11, 2, &hour) || !Digits(text, 14, 2, &minute)) {
      return false;
    }
  }
  return OleDaysOf(year, month, day, hour, minute, endOfDay && text.size() == 10 ? 59 : 0, days);
}

bool IsContinent(const std::string& code) {
  for (const char* known : {"AF", "AN", "AS", "EU", "NA", "OC", "SA"}) {
    if (code == known) return true;
  }
  return false;
}

// The files and values the loop collected, checked and normalised.
bool CheckOptions(std::vector<std::string> files, const std::string& start, const std::string& end,
                  ScoreOptions* options, std::string* error) {
  if (!files.empty() && files[0] == "check") {
    options->check = true;
    files.erase(files.begin());
  }
  if (files.size() != 1) {
    *error = files.empty() ? "no log file given" : "more than one log file given";
    return false;
  }
  options->logFile = files[0];
  options->ownCall = UpperAscii(TrimAscii(options->ownCall));
  options->ownContinent = UpperAscii(TrimAscii(options->ownContinent));
  if (!options->ownContinent.empty() && !IsContinent(options->ownContinent)) {
    *error = "continent \"" + options->ownContinent + "\" is none of AF AN AS EU NA OC SA";
    return false;
  }
  options->exchangeField = UpperAscii(TrimAscii(options->exchangeField));
  const std::string sent = UpperAscii(TrimAscii(options->sentExchange));
  if (!options->sentExchange.empty()) {
    if (sent == "SERIAL") {
      options->sentExchange = "serial";
    } else if (IsCountyCode(sent)) {
      options->sentExchange = sent;
    } else {
      *error =
          "--sent-exchange \"" + options->sentExchange + "\" is neither a county code nor 'serial'";
      return false;
    }
  }
  if (start.empty() != end.empty()) {
    *error = "the contest period needs both --start and --end";
    return false;
  }
  if (!start.empty()) {
    for (auto [text, endOfDay, target] :
         {std::tuple{&start, false, &options->startDays}, {&end, true, &options->endDays}}) {
      if (!ParseMoment(*text, endOfDay, target)) {
        *error = "\"" + *text + "\" is not a date YYYY-MM-DD or a time YYYY-MM-DDTHH:MM";
        return false;
      }
    }
    if (options->endDays < options->startDays) {
      *error = "the contest ends (" + end + ") before it starts (" + start + ")";
      return false;
    }
    options->hasPeriod = true;
  }
  return true;
}

}  // namespace

bool ParseScoreOptions(const std::vector<std::string>& args, ScoreOptions* options,
                       std::string* error) {
  std::vector<std::string> files;
  std::string start;
  std::string end;
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
    const struct {
      const char* name;
      std::string* target;
    } kValued[] = {
        {"--own-call", &options->ownCall},
        {"--continent", &options->ownContinent},
        {"--start", &start},
        {"--end", &end},
        {"--dir", &options->folder},
        {"--cty", &options->countryFile},
        {"--plugin", &options->plugin},
        {"--exchange-field", &options->exchangeField},
        {"--sent-exchange", &options->sentExchange},
        {"--header", &options->headerFile},
    };
    std::string* target = nullptr;
    for (const auto& valued : kValued) {
      if (arg == valued.name) target = valued.target;
    }
    const std::string headerTag = HeaderTagOfOption(arg);
    bool ok = true;
    if (arg == "--help" || arg == "-h") {
      options->help = true;
    } else if (target) {
      ok = value(target);
    } else if (!headerTag.empty()) {
      std::string text;
      ok = value(&text);
      options->header.emplace_back(headerTag, text);
    } else if (arg == "--cabrillo") {
      options->cabrillo = true;
    } else if (arg == "--keep-settings") {
      options->keepSettings = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      *error = "unknown option " + arg;
      return false;
    } else {
      files.push_back(arg);
    }
    if (!ok) return false;
  }
  if (options->help) return true;
  return CheckOptions(files, start, end, options, error);
}

}  // namespace tarno::score
