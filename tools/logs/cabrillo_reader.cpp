#include "logs/cabrillo_reader.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "contest/ascii_text.h"
#include "logs/bands.h"

namespace tarno::score {
namespace {

std::vector<std::string_view> Tokens(std::string_view line) {
  std::vector<std::string_view> tokens;
  size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && IsAsciiBlank(line[at])) ++at;
    size_t end = at;
    while (end < line.size() && !IsAsciiBlank(line[end])) ++end;
    if (end > at) tokens.push_back(line.substr(at, end - at));
    at = end;
  }
  return tokens;
}

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A call sign: letters and digits, "/" between its parts, at least one of each.
bool IsCallShape(std::string_view text) {
  if (text.size() < 3 || text.size() > 20) return false;
  bool letter = false;
  bool digit = false;
  for (char c : text) {
    if (IsLetter(c)) {
      letter = true;
    } else if (IsDigit(c)) {
      digit = true;
    } else if (c != '/') {
      return false;
    }
  }
  return letter && digit;
}

// A signal report: readability 1-5 and strength 1-9 ("59"), with a tone for CW ("599");
// "N" stands for 9 as CW operators send it ("5NN").
bool IsReportShape(std::string_view text) {
  if (text.size() < 2 || text.size() > 3 || text[0] < '1' || text[0] > '5') return false;
  for (char c : text.substr(1)) {
    if (!((c >= '1' && c <= '9') || c == 'N' || c == 'n')) return false;
  }
  return true;
}

bool IsExchangeShape(std::string_view text) { return !text.empty() && !IsCallShape(text); }

// The reports contesters actually send. Where a layout has no report on one side, such a
// text in the exchange's place is more likely a report whose exchange is missing than a
// serial number, so the line is not guessed at.
bool IsCustomaryReport(std::string_view text) {
  const std::string upper = UpperAscii(text);
  return upper == "59" || upper == "599" || upper == "5NN";
}

bool IsTransmitter(std::string_view text) { return text == "0" || text == "1"; }

// Where each part of a QSO line stands after the time, -1 where the layout has none.
struct Layout {
  int myCall, rstSent, exchSent, call, rstRcvd, exchRcvd, transmitter;
  const char* name;
};
const Layout kLayouts[] = {
    {0, -1, 1, 2, -1, 3, -1, "no reports"},
    {0, -1, 1, 2, -1, 3, 4, "no reports, transmitter"},
    {0, 1, 2, 3, -1, 4, -1, "no received report"},
    {0, -1, 1, 2, 3, 4, -1, "no sent report"},
    {0, 1, 2, 3, 4, 5, -1, "reports"},
    {0, 1, 2, 3, 4, 5, 6, "reports, transmitter"},
};

int FieldCount(const Layout& layout) {
  return layout.transmitter >= 0 ? layout.transmitter + 1 : layout.exchRcvd + 1;
}

bool Fits(const Layout& layout, const std::vector<std::string_view>& rest) {
  if (static_cast<int>(rest.size()) != FieldCount(layout)) return false;
  auto at = [&](int index) { return rest[static_cast<size_t>(index)]; };
  return IsCallShape(at(layout.myCall)) && IsCallShape(at(layout.call)) &&
         IsExchangeShape(at(layout.exchSent)) && IsExchangeShape(at(layout.exchRcvd)) &&
         (layout.rstSent < 0 || IsReportShape(at(layout.rstSent))) &&
         (layout.rstRcvd < 0 || IsReportShape(at(layout.rstRcvd))) &&
         (layout.transmitter < 0 || IsTransmitter(at(layout.transmitter)));
}

std::string Joined(const std::vector<std::string_view>& parts) {
  std::string text;
  for (std::string_view part : parts) text += (text.empty() ? "" : " ") + std::string(part);
  return text;
}

bool TimeOf(std::string_view date, std::string_view time, double* days) {
  if (date.size() != 10 || date[4] != '-' || date[7] != '-' || time.size() != 4 ||
      !AllDigits(time) || !AllDigits(date.substr(0, 4)) || !AllDigits(date.substr(5, 2)) ||
      !AllDigits(date.substr(8, 2))) {
    return false;
  }
  auto number = [](std::string_view digits) { return std::stoi(std::string(digits)); };
  return OleDaysOf(number(date.substr(0, 4)), number(date.substr(5, 2)), number(date.substr(8, 2)),
                   number(time.substr(0, 2)), number(time.substr(2, 2)), 0, days);
}

std::string ModeOf(std::string_view code) {
  const std::string upper = UpperAscii(code);
  if (upper == "RY") return "RTTY";
  if (upper == "DG") return "DIGI";
  return ContestMode(upper);
}

bool ToQso(const std::vector<std::string_view>& t, int line, LogQso* qso, std::string* reason) {
  qso->source = line;
  if (t.size() < 5) {
    *reason = "a QSO line needs a frequency, mode, date and time before the calls";
    return false;
  }
  uint64_t freqHz = 0;
  if (!CabrilloBand(t[1], &qso->band, &freqHz)) {
    *reason = "frequency \"" + std::string(t[1]) + "\" is on no band";
    return false;
  }
  qso->freqHz = freqHz <= UINT32_MAX ? static_cast<uint32_t>(freqHz) : 0;
  qso->mode = ModeOf(t[2]);
  qso->hasTime = TimeOf(t[3], t[4], &qso->oleDays);
  if (!qso->hasTime) {
    *reason =
        "\"" + std::string(t[3]) + " " + std::string(t[4]) + "\" is not a valid date and time";
    return false;
  }
  const std::vector<std::string_view> rest(t.begin() + 5, t.end());
  const Layout* found = nullptr;
  int fitting = 0;
  for (const Layout& layout : kLayouts) {
    if (Fits(layout, rest)) {
      found = &layout;
      ++fitting;
    }
  }
  if (fitting != 1) {
    *reason = "\"" + Joined(rest) + "\" " +
              (fitting == 0 ? "is not own call, [report,] exchange, call, [report,] exchange"
                            : "fits more than one layout; which report is missing is not clear");
    return false;
  }
  auto at = [&](int index) { return index < 0 ? std::string() : std::string(rest[size_t(index)]); };
  for (const auto& [report, exchange] :
       {std::pair{found->rstSent, found->exchSent}, std::pair{found->rstRcvd, found->exchRcvd}}) {
    if (report < 0 && IsCustomaryReport(at(exchange))) {
      *reason = "\"" + Joined(rest) + "\": \"" + at(exchange) +
                "\" may be a report whose exchange is missing";
      return false;
    }
  }
  qso->stationCall = UpperAscii(at(found->myCall));
  qso->rstSent = at(found->rstSent);
  qso->exchSent = at(found->exchSent);
  qso->call = UpperAscii(at(found->call));
  qso->rstRcvd = at(found->rstRcvd);
  qso->exchRcvd = at(found->exchRcvd);
  qso->exchSentField = "QSO line";
  qso->exchRcvdField = "QSO line";
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
    const std::vector<std::string_view> tokens = Tokens(line);
    if (tokens.empty()) continue;
    const std::string tag = UpperAscii(tokens[0]);
    const std::string value = tokens.size() > 1 ? std::string(tokens[1]) : std::string();
    if (tag == "CALLSIGN:") log.ownCall = UpperAscii(value);
    if (tag == "CONTEST:") log.contest = value;
    if (tag == "CLAIMED-SCORE:") log.claimedScore = value;
    if (tag == "X-QSO:") log.notes.push_back({lineNumber, "an X-QSO line is not scored"});
    if (tag != "QSO:") continue;
    ++log.recordsFound;
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
