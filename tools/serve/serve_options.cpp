#include "serve/serve_options.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <initializer_list>

#include "crosscheck/contest_title.h"
#include "logs/log_text.h"
#include "serve/mail_address.h"

namespace tarno::score {

const char kServeUsage[] =
    "usage: tarno-score serve [options]         the log robot: entrants upload, the sponsor\n"
    "                                           collects, checks and publishes\n"
    "options:\n"
    "  --data FOLDER            the robot's database and files (default: robot)\n"
    "  --listen ADDRESS:PORT    where to listen (default: 127.0.0.1:8080; port 0: any)\n"
    "  --start DATE[THH:MM]     contest start, UTC; with --end, QSOs outside are not scored\n"
    "  --end DATE[THH:MM]       contest end, UTC, inclusive\n"
    "  --deadline DATE[THH:MM]  logs received later are kept and marked late\n"
    "  --title TEXT             the contest's title and year on every page (default: TARNO\n"
    "                           and the year of --start)\n"
    "  --password-file FILE     the sponsor's password (default: made on first start and\n"
    "                           printed once)\n"
    "  --behind-tls             a TLS reverse proxy is in front: cookies are Secure\n"
    "  --upload-limit N[/SECONDS]  uploads per client address (default: 20/600)\n"
    "  --timeout SECONDS        a request's headers must come within this time, and a\n"
    "                           client silent this long is dropped (default: 10)\n"
    "  --request-timeout SECONDS  a request's body must come within this time after its\n"
    "                           headers, and its answer be taken within it (default: 120)\n"
    "  --connections N          connections open at once, in all (default: 1000)\n"
    "  --connections-per-address N  connections open at once from one address (default:\n"
    "                           16; not counted with --behind-tls, where the proxy caps them)\n"
    "  --children N             logs scored at once (default: one per processor)\n"
    "  --scoring-timeout SECONDS  one log's scoring for its receipt may take this long\n"
    "                           (default: 60)\n"
    "  --backup-every HOURS     a backup of the database in FOLDER/backups this often\n"
    "                           (default: 0, never)\n"
    "  --smtp URL               send mails through this server: smtp://HOST[:PORT] (STARTTLS\n"
    "                           when offered) or smtps://HOST[:PORT] (default: no mail)\n"
    "  --smtp-user NAME         log in to the mail server; over smtp:// STARTTLS is then\n"
    "                           required\n"
    "  --smtp-password-file FILE  the mail server's password, the file's first line\n"
    "  --mail-from ADDRESS      the mails' sender (needed with --smtp)\n"
    "  --public-url URL         the robot's address as entrants reach it, for the links in\n"
    "                           mails and receipts (default: the --listen address)\n"
    "  --rules FILE             the contest's adjudication rules, handed to every check\n"
    "                           (read at the start; see README)\n"
    "  --sponsor NAME           the sponsor's name on the certificates\n"
    "  --certificate-logo FILE  a PNG or JPEG drawn at the certificates' top\n"
    "  --certificate-signature FILE  a PNG or JPEG of the sponsor's signature on them\n"
    "  --cty FILE               country file (default: /usr/share/hamradio-files/cty.dat)\n"
    "  --plugin FILE            the plug-in library (default: beside this program)\n";

namespace {

constexpr size_t kLongestTitle = 200;

bool Number(const std::string& text, long low, long high, int* value) {
  char* end = nullptr;
  const long number = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || number < low || number > high) return false;
  *value = static_cast<int>(number);
  return true;
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

bool ParseListen(const std::string& text, ServeOptions* options) {
  const size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  options->host = text.substr(0, colon);
  return Number(text.substr(colon + 1), 0, 65535, &options->port);
}

bool ParseLimit(const std::string& text, ServeOptions* options) {
  const size_t slash = text.find('/');
  if (!Number(text.substr(0, slash), 1, 1000000, &options->uploadLimit)) return false;
  return slash == std::string::npos ||
         Number(text.substr(slash + 1), 1, 86400 * 7, &options->uploadWindowSeconds);
}

bool CheckPeriod(const ServeOptions& options, std::string* error) {
  if (options.start.empty() != options.end.empty()) {
    *error = "the contest period needs both --start and --end";
    return false;
  }
  if (options.start.empty()) return true;
  int64_t start = 0, end = 0;
  for (const std::string* text : {&options.start, &options.end}) {
    if (!ParseUtcMoment(*text, text == &options.end, text == &options.start ? &start : &end)) {
      *error = "\"" + *text + "\" is not a date YYYY-MM-DD or a time YYYY-MM-DDTHH:MM";
      return false;
    }
  }
  if (end < start) {
    *error = "the contest ends (" + options.end + ") before it starts (" + options.start + ")";
    return false;
  }
  return true;
}

// A URL whose text goes into mails and pages: no blank, control byte, quote or angle bracket.
bool PlainUrl(const std::string& url) {
  for (const unsigned char c : url) {
    if (c <= ' ' || c >= 0x7f || c == '"' || c == '\'' || c == '<' || c == '>' || c == '\\')
      return false;
  }
  return true;
}

bool HasScheme(const std::string& url, std::initializer_list<const char*> schemes) {
  for (const char* scheme : schemes) {
    const std::string prefix = std::string(scheme) + "://";
    if (url.rfind(prefix, 0) == 0 && url.size() > prefix.size()) return true;
  }
  return false;
}

bool CheckMailOptions(ServeOptions* options, std::string* error) {
  if (!options->publicUrl.empty()) {
    while (options->publicUrl.size() > 1 && options->publicUrl.back() == '/')
      options->publicUrl.pop_back();
    if (!PlainUrl(options->publicUrl) || !HasScheme(options->publicUrl, {"http", "https"})) {
      *error = "--public-url \"" + options->publicUrl + "\" is not an http:// or https:// URL";
      return false;
    }
  }
  if (options->smtpUrl.empty()) {
    if (options->smtpUser.empty() && options->smtpPasswordFile.empty() && options->mailFrom.empty())
      return true;
    *error = "--smtp-user, --smtp-password-file and --mail-from need --smtp";
    return false;
  }
  if (!PlainUrl(options->smtpUrl) || !HasScheme(options->smtpUrl, {"smtp", "smtps"})) {
    *error = "--smtp \"" + options->smtpUrl + "\" is not an smtp:// or smtps:// URL";
    return false;
  }
  if (options->mailFrom.empty()) {
    *error = "--smtp needs --mail-from ADDRESS, the mails' sender";
    return false;
  }
  if (CheckMailAddress(options->mailFrom) != AddressFault::kNone) {
    *error = "--mail-from \"" + options->mailFrom + "\" is not a plain e-mail address";
    return false;
  }
  if (options->smtpUser.empty() != options->smtpPasswordFile.empty()) {
    *error = "--smtp-user and --smtp-password-file go together";
    return false;
  }
  return true;
}

// A title from the command line goes into every page: one line of text, not a document.
bool DecideTitle(ServeOptions* options, std::string* error) {
  std::string& title = options->title;
  options->titleGiven = !title.empty();
  if (title.empty()) {
    title = options->start.empty() ? "TARNO" : "TARNO " + options->start.substr(0, 4);
    return true;
  }
  const bool control = std::any_of(title.begin(), title.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
  });
  if (control || title.size() > kLongestTitle || !IsValidUtf8(title)) {
    *error = "--title must be one line of UTF-8 text, at most " + std::to_string(kLongestTitle) +
             " bytes";
    return false;
  }
  // With its year, as the checks' pages and certificates take it.
  if (!options->start.empty()) title = ContestTitle(title, std::atoi(options->start.substr(0, 4).c_str()));
  return true;
}

}  // namespace

bool ParseUtcMoment(const std::string& text, bool endOfDay, int64_t* unixSeconds) {
  int year, month, day, hour = 0, minute = 0;
  if (text.size() < 10 || text[4] != '-' || text[7] != '-' || !Digits(text, 0, 4, &year) ||
      !Digits(text, 5, 2, &month) || !Digits(text, 8, 2, &day) || month < 1 || month > 12 ||
      day < 1 || day > 31 || year < 1900) {
    return false;
  }
  const bool dateOnly = text.size() == 10;
  if (!dateOnly &&
      (text.size() != 16 || (text[10] != 'T' && text[10] != ' ') || text[13] != ':' ||
       !Digits(text, 11, 2, &hour) || !Digits(text, 14, 2, &minute) || hour > 23 || minute > 59)) {
    return false;
  }
  std::tm moment{};
  moment.tm_year = year - 1900;
  moment.tm_mon = month - 1;
  moment.tm_mday = day;
  moment.tm_hour = hour;
  moment.tm_min = minute;
  const time_t seconds = timegm(&moment);
  if (moment.tm_mday != day) return false;  // 31 April rolled into May
  *unixSeconds = static_cast<int64_t>(seconds) + (endOfDay ? (dateOnly ? 86399 : 59) : 0);
  return true;
}

bool ParseServeOptions(const std::vector<std::string>& args, ServeOptions* options,
                       std::string* error) {
  std::string listen, limit, timeout, requestTimeout, connections, perAddress, scoringTimeout,
      children, backupHours;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const struct {
      const char* name;
      std::string* target;
    } kValued[] = {
        {"--data", &options->dataFolder},
        {"--listen", &listen},
        {"--start", &options->start},
        {"--end", &options->end},
        {"--deadline", &options->deadlineText},
        {"--title", &options->title},
        {"--password-file", &options->passwordFile},
        {"--cty", &options->countryFile},
        {"--plugin", &options->plugin},
        {"--rules", &options->rulesFile},
        {"--upload-limit", &limit},
        {"--timeout", &timeout},
        {"--request-timeout", &requestTimeout},
        {"--connections", &connections},
        {"--connections-per-address", &perAddress},
        {"--scoring-timeout", &scoringTimeout},
        {"--children", &children},
        {"--backup-every", &backupHours},
        {"--smtp", &options->smtpUrl},
        {"--smtp-user", &options->smtpUser},
        {"--smtp-password-file", &options->smtpPasswordFile},
        {"--mail-from", &options->mailFrom},
        {"--public-url", &options->publicUrl},
        {"--sponsor", &options->sponsor},
        {"--certificate-logo", &options->certificateLogo},
        {"--certificate-signature", &options->certificateSignature},
    };
    std::string* target = nullptr;
    for (const auto& valued : kValued) {
      if (arg == valued.name) target = valued.target;
    }
    if (arg == "--help" || arg == "-h") {
      options->help = true;
    } else if (arg == "--behind-tls") {
      options->behindTls = true;
    } else if (!target) {
      *error = (arg.size() > 1 && arg[0] == '-' ? "unknown option " : "unexpected argument ") + arg;
      return false;
    } else if (i + 1 >= args.size()) {
      *error = arg + " needs a value";
      return false;
    } else {
      *target = args[++i];
      if (target->empty()) {
        *error = arg + " needs a value";
        return false;
      }
    }
  }
  if (options->help) return true;
  if (!listen.empty() && !ParseListen(listen, options)) {
    *error = "--listen \"" + listen + "\" is not ADDRESS:PORT";
    return false;
  }
  if (!limit.empty() && !ParseLimit(limit, options)) {
    *error = "--upload-limit \"" + limit + "\" is not N or N/SECONDS";
    return false;
  }
  if (!timeout.empty() && !Number(timeout, 1, 3600, &options->timeoutSeconds)) {
    *error = "--timeout \"" + timeout + "\" is not a number of seconds from 1 to 3600";
    return false;
  }
  if (!requestTimeout.empty() && !Number(requestTimeout, 1, 3600, &options->requestSeconds)) {
    *error =
        "--request-timeout \"" + requestTimeout + "\" is not a number of seconds from 1 to 3600";
    return false;
  }
  if (!connections.empty() && !Number(connections, 1, 100000, &options->connections)) {
    *error = "--connections \"" + connections + "\" is not a number from 1 to 100000";
    return false;
  }
  if (!perAddress.empty() && !Number(perAddress, 1, 100000, &options->connectionsPerAddress)) {
    *error = "--connections-per-address \"" + perAddress + "\" is not a number from 1 to 100000";
    return false;
  }
  if (!scoringTimeout.empty() && !Number(scoringTimeout, 1, 3600, &options->scoringSeconds)) {
    *error =
        "--scoring-timeout \"" + scoringTimeout + "\" is not a number of seconds from 1 to 3600";
    return false;
  }
  if (!children.empty() && !Number(children, 1, 256, &options->children)) {
    *error = "--children \"" + children + "\" is not a number from 1 to 256";
    return false;
  }
  if (!backupHours.empty() && !Number(backupHours, 0, 24 * 365, &options->backupHours)) {
    *error = "--backup-every \"" + backupHours + "\" is not a number of hours from 0 to 8760";
    return false;
  }
  if (!options->deadlineText.empty()) {
    if (!ParseUtcMoment(options->deadlineText, true, &options->deadlineUnix)) {
      *error = "--deadline \"" + options->deadlineText +
               "\" is not a date YYYY-MM-DD or a time YYYY-MM-DDTHH:MM";
      return false;
    }
    options->hasDeadline = true;
  }
  if (!CheckPeriod(*options, error) || !CheckMailOptions(options, error)) return false;
  // The checks run in the data folder's own places: a picture named from here is found
  // from anywhere.
  for (std::string* picture : {&options->certificateLogo, &options->certificateSignature}) {
    std::error_code failed;
    if (!picture->empty()) *picture = std::filesystem::absolute(*picture, failed).string();
  }
  if (options->sponsor.size() > kLongestTitle || !IsValidUtf8(options->sponsor)) {
    *error = "--sponsor must be UTF-8 text, at most " + std::to_string(kLongestTitle) + " bytes";
    return false;
  }
  return DecideTitle(options, error);
}

}  // namespace tarno::score
