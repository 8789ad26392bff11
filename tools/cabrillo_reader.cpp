#include "cabrillo_reader.h"

#include <cctype>
#include <cstdint>
#include <sstream>
#include <vector>

namespace tarno::score {
namespace {

std::vector<std::string> Tokens(std::string_view line) {
  std::vector<std::string> tokens;
  std::istringstream in{std::string(line)};
  for (std::string token; in >> token;) tokens.push_back(token);
  return tokens;
}

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

std::string ModeOf(const std::string& code) {
  if (code == "CW") return "CW";
  if (code == "PH") return "SSB";
  if (code == "RY") return "RTTY";
  if (code == "DG") return "DIGI";
  return code;
}

bool TimeOf(const std::string& date, const std::string& time, double* days) {
  if (date.size() != 10 || date[4] != '-' || date[7] != '-' || time.size() != 4 ||
      !AllDigits(time) || !AllDigits(date.substr(0, 4) + date.substr(5, 2) + date.substr(8, 2))) {
    return false;
  }
  return OleDaysOf(std::stoi(date.substr(0, 4)), std::stoi(date.substr(5, 2)),
                   std::stoi(date.substr(8, 2)), std::stoi(time.substr(0, 2)),
                   std::stoi(time.substr(2, 2)), 0, days);
}

// The fields after "QSO:": frequency, mode, date, time, then the sent and received
// halves, each a call, an optional report and the exchange.
bool ToQso(const std::vector<std::string>& t, int line, LogQso* qso, std::string* reason) {
  const size_t n = t.size() - 1;  // without "QSO:"
  const bool withReports = n == 10 || n == 11;
  if (n < 8 || n > 11) {
    *reason = "a QSO line needs 8 to 11 fields, this one has " + std::to_string(n);
    return false;
  }
  qso->source = line;
  if (!AllDigits(t[1]) || t[1].size() > 7) {
    *reason = "frequency \"" + t[1] + "\" is not in kHz";
    return false;
  }
  const unsigned long freqKHz = std::stoul(t[1]);
  // Beyond this the Hz do not fit the host's 32 bits, and wrapped they would land on a band.
  const bool fits = freqKHz <= UINT32_MAX / 1000;
  qso->freqHz = fits ? static_cast<uint32_t>(freqKHz * 1000) : 0;
  qso->band = BandOfFrequency(qso->freqHz);
  if (qso->band.empty()) {
    *reason = "frequency " + t[1] + " kHz is on no band";
    return false;
  }
  qso->mode = ModeOf(t[2]);
  qso->hasTime = TimeOf(t[3], t[4], &qso->oleDays);
  if (!qso->hasTime) {
    *reason = "\"" + t[3] + " " + t[4] + "\" is not a valid date and time";
    return false;
  }
  size_t at = 5;
  qso->stationCall = t[at++];
  if (withReports) qso->rstSent = t[at++];
  qso->exchSent = t[at++];
  qso->call = t[at++];
  if (withReports) qso->rstRcvd = t[at++];
  qso->exchRcvd = t[at++];
  return true;
}

}  // namespace

ReadLog ReadCabrillo(std::string_view text) {
  ReadLog log;
  int lineNumber = 0;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::vector<std::string> tokens = Tokens(line);
    if (tokens.empty()) continue;
    std::string tag = tokens[0];
    for (char& c : tag) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (tag == "CALLSIGN:" && tokens.size() > 1) log.ownCall = tokens[1];
    if (tag == "CONTEST:" && tokens.size() > 1) log.contest = tokens[1];
    if (tag == "CLAIMED-SCORE:" && tokens.size() > 1) log.claimedScore = tokens[1];
    if (tag != "QSO:") continue;
    LogQso qso;
    std::string reason;
    if (ToQso(tokens, lineNumber, &qso, &reason)) {
      log.qsos.push_back(std::move(qso));
    } else {
      log.skipped.push_back({lineNumber, reason});
    }
  }
  return log;
}

}  // namespace tarno::score
