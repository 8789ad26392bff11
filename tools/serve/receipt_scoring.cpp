#include "serve/receipt_scoring.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "contest/ascii_text.h"
#include "contest/county_rules.h"
#include "logs/adif_reader.h"
#include "logs/cabrillo_reader.h"
#include "logs/exchanges.h"
#include "replay/replay.h"
#include "replay/run_settings.h"
#include "serve/receipt_replay.h"

namespace tarno::score {
namespace {

constexpr double kLongestUnaskedSpanDays = 2.0;  // as tarno-score takes a log without a period
constexpr double kHalfSecondDays = 0.5 / 86400.0;

bool Digits(const std::string& text, size_t from, size_t count, int* value) {
  if (from + count > text.size()) return false;
  *value = 0;
  for (size_t i = from; i < from + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    *value = *value * 10 + (text[i] - '0');
  }
  return true;
}

// As tarno-score reads --start and --end: a date alone is its first minute, or for the
// end its last second; a time is its first second.
bool PeriodDays(const std::string& text, bool end, double* days) {
  int year, month, day, hour = end ? 23 : 0, minute = end ? 59 : 0;
  if (text.size() < 10 || text[4] != '-' || text[7] != '-' || !Digits(text, 0, 4, &year) ||
      !Digits(text, 5, 2, &month) || !Digits(text, 8, 2, &day)) {
    return false;
  }
  if (text.size() != 10 && (text.size() != 16 || (text[10] != 'T' && text[10] != ' ') ||
                            text[13] != ':' || !Digits(text, 11, 2, &hour) ||
                            !Digits(text, 14, 2, &minute))) {
    return false;
  }
  return OleDaysOf(year, month, day, hour, minute, end && text.size() == 10 ? 59 : 0, days);
}

ClaimedScore NotScored(const std::string& why) {
  ClaimedScore claimed;
  claimed.score = "not scored: " + why;
  return claimed;
}

// The period's first and last moment: as given, else the days the log covers.
bool DecidePeriod(const ReceiptPeriod& period, const std::vector<LogQso>& qsos, double* start,
                  double* end, std::string* why) {
  if (!period.start.empty()) {
    if (PeriodDays(period.start, false, start) && PeriodDays(period.end, true, end)) return true;
    *why = "the contest period cannot be read";
    return false;
  }
  *start = *end = qsos.front().oleDays;
  for (const LogQso& qso : qsos) {
    *start = std::min(*start, qso.oleDays);
    *end = std::max(*end, qso.oleDays);
  }
  if (*end - *start <= kLongestUnaskedSpanDays) return true;
  *why = "the log runs from " + FormatOleDays(*start) + " to " + FormatOleDays(*end) +
         ", longer than one contest";
  return false;
}

// The QSOs inside the period, in time order, as the logger would have replayed them.
std::vector<LogQso> ContestQsos(std::vector<LogQso> qsos, double start, double end) {
  std::vector<LogQso> inside;
  for (LogQso& qso : qsos) {
    if (qso.oleDays >= start - kHalfSecondDays && qso.oleDays <= end + kHalfSecondDays)
      inside.push_back(std::move(qso));
  }
  std::stable_sort(inside.begin(), inside.end(),
                   [](const LogQso& a, const LogQso& b) { return a.oleDays < b.oleDays; });
  return inside;
}

}  // namespace

ClaimedScore ScoreForReceipt(const EntryPoints& plugin, const CountryFile& countries,
                             const ReceiptPeriod& period, const std::string& call,
                             const std::string& bytes) {
  ReadLog log = LooksLikeAdif(bytes) ? ReadAdif(bytes) : ReadCabrillo(bytes);
  if (log.qsos.empty()) return NotScored("the log holds no QSO that can be scored");
  RunValues run;
  run.ownCall = call;
  const CountryInfo own = countries.Lookup(call);
  run.ownContinent = own.continent;
  if (run.ownContinent.empty())
    return NotScored("the own call " + call + " is in no country of the country file");
  ExchangeRules rules;
  rules.ownIsHome = IsHomePrefix(own.prefix);
  ResolveExchanges(rules, countries, &log.qsos);
  double start = 0.0, end = 0.0;
  std::string why;
  if (!DecidePeriod(period, log.qsos, &start, &end, &why)) return NotScored(why);
  run.startDays = std::floor(start);
  run.endDays = std::floor(end);
  const std::vector<LogQso> qsos = ContestQsos(std::move(log.qsos), start, end);

  std::vector<std::string> warnings;
  if (!WriteRunSettings(HeaderFields(), false, &warnings, &why)) return NotScored(why);
  ClaimedScore claimed;
  claimed.sheet = ReplayBounded(plugin, run, qsos, countries).sheet;
  claimed.sheet.erase(std::remove(claimed.sheet.begin(), claimed.sheet.end(), '\r'),
                      claimed.sheet.end());
  const size_t equals = claimed.sheet.rfind('=');
  const size_t score = claimed.sheet.rfind("Score:");
  if (score == std::string::npos || equals == std::string::npos || equals < score)
    return NotScored("the plug-in gave no score");
  claimed.scored = true;
  claimed.score = std::string(TrimAscii(std::string_view(claimed.sheet).substr(equals + 1)));
  return claimed;
}

}  // namespace tarno::score
