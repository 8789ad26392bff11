#include "serve/receipt_scoring.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "contest/ascii_text.h"
#include "contest/county_rules.h"
#include "logs/adif_reader.h"
#include "logs/cabrillo_reader.h"
#include "logs/exchanges.h"
#include "logs/log_text.h"
#include "replay/replay.h"
#include "replay/run_settings.h"
#include "serve/message_line.h"
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
  if (text.size() != 10 &&
      (text.size() != 16 || (text[10] != 'T' && text[10] != ' ') || text[13] != ':' ||
       !Digits(text, 11, 2, &hour) || !Digits(text, 14, 2, &minute))) {
    return false;
  }
  return OleDaysOf(year, month, day, hour, minute, end && text.size() == 10 ? 59 : 0, days);
}

// `why`: a MessageLine, or the words of whatever failed.
ClaimedScore NotScored(const std::string& why) {
  ClaimedScore claimed;
  claimed.score = MessageLine("robot.score.not_scored", {}, {{"why", why}});
  return claimed;
}

// The period's first and last moment: as given, else the days the log covers.
bool DecidePeriod(const ReceiptPeriod& period, const std::vector<LogQso>& qsos, double* start,
                  double* end, std::string* why) {
  if (!period.start.empty()) {
    if (PeriodDays(period.start, false, start) && PeriodDays(period.end, true, end)) return true;
    *why = MessageLine("robot.score.period_unreadable");
    return false;
  }
  *start = *end = qsos.front().oleDays;
  for (const LogQso& qso : qsos) {
    *start = std::min(*start, qso.oleDays);
    *end = std::max(*end, qso.oleDays);
  }
  if (*end - *start <= kLongestUnaskedSpanDays) return true;
  *why = MessageLine("robot.score.too_long",
                     {{"start", FormatOleDays(*start)}, {"end", FormatOleDays(*end)}});
  return false;
}

// The QSOs inside the period, in time order, as the logger would have replayed them; the
// others go to `outside`.
std::vector<LogQso> ContestQsos(std::vector<LogQso> qsos, double start, double end,
                                std::vector<LogQso>* outside) {
  std::vector<LogQso> inside;
  for (LogQso& qso : qsos) {
    const bool in = qso.oleDays >= start - kHalfSecondDays && qso.oleDays <= end + kHalfSecondDays;
    (in ? inside : *outside).push_back(std::move(qso));
  }
  std::stable_sort(inside.begin(), inside.end(),
                   [](const LogQso& a, const LogQso& b) { return a.oleDays < b.oleDays; });
  return inside;
}

// A text from the log as the receipt quotes it: printable ASCII, the rest as "?".
std::string Shown(const std::string& text) {
  std::string shown = text.c_str();  // the plug-in was handed it up to its first NUL
  for (char& c : shown) {
    if (c < 0x20 || c > 0x7e) c = '?';
  }
  return shown;
}

Values ContactValues(const LogQso& qso) {
  return {{"call", Shown(qso.call)}, {"band", Shown(qso.band)}, {"mode", Shown(qso.mode)}};
}

// Why the plug-in refused the QSO, in the words of its error file and its order of checks.
std::string RefusalText(const LogQso& qso) {
  const std::string band = qso.band.c_str(), mode = qso.mode.c_str();
  if (IsRefusedBand(band)) return "NO CONTEST BAND (" + Shown(band) + ")";
  if (!IsContestMode(mode)) return "NO CONTEST MODE (" + Shown(mode) + ")";
  if (std::string(qso.exchRcvd.c_str()).empty()) return "NO RX NUMBER (no exchange received)";
  if (std::string(qso.exchSent.c_str()).empty()) return "NO RX NUMBER (no exchange sent)";
  return MessageLine("robot.uncounted.no_reason");
}

// Every QSO that will not count, by source: the reader's, the period's, the plug-in's.
// Each entry is a MessageLine.
class UncountedList {
 public:
  explicit UncountedList(bool adif) : m_adif(adif) {}

  void NotRead(const LogProblem& skipped) {
    Add(skipped.source, MessageLine("robot.not_read", {{"reason", skipped.reason}}));
    ++m_counts.notRead;
  }
  void Outside(const LogQso& qso) {
    Add(qso.source, MessageLine("robot.uncounted.outside_qso",
                                {{"time", FormatOleDays(qso.oleDays)}, {"call", Shown(qso.call)}}));
    ++m_counts.outside;
  }
  void Judged(const LogQso& qso, const QsoVerdict& verdict) {
    if (verdict.kind == QsoVerdict::kRefused) {
      Add(qso.source, MessageLine("robot.uncounted.refused_qso", ContactValues(qso),
                                  {{"reason", RefusalText(qso)}}));
      ++m_counts.refused;
    } else if (verdict.kind == QsoVerdict::kDupe) {
      const Values first = {{"line", std::to_string(verdict.firstSource)}};
      Add(qso.source, MessageLine("robot.uncounted.dupe_qso", ContactValues(qso),
                                  {{"first", m_adif ? MessageLine("robot.at.record", first)
                                                    : MessageLine("robot.at.line", first)}}));
      ++m_counts.dupes;
    }
  }

  // The counts, and the first entries by source.
  UncountedQsos Done(int64_t inLog, const std::string& period) {
    std::stable_sort(m_entries.begin(), m_entries.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    m_counts.inLog = inLog;
    m_counts.period = period;
    for (size_t i = 0; i < m_entries.size() && int64_t(i) < kUncountedListed; ++i) {
      const Values where = {{"line", std::to_string(m_entries[i].first)}};
      const Values what = {{"text", m_entries[i].second}};
      m_counts.listed += (m_adif ? MessageLine("robot.where.record", where, what)
                                 : MessageLine("robot.where.line", where, what)) +
                         "\n";
    }
    return m_counts;
  }

 private:
  // A log of 100,000 refused lines keeps only the first few hundred texts.
  void Add(int source, std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');  // one entry, one line
    std::replace(text.begin(), text.end(), '\r', ' ');
    m_entries.emplace_back(source, std::move(text));
    if (m_entries.size() >= 4 * size_t(kUncountedListed)) Trim();
  }
  void Trim() {
    std::stable_sort(m_entries.begin(), m_entries.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    m_entries.resize(size_t(kUncountedListed));
  }

  bool m_adif;
  std::vector<std::pair<int, std::string>> m_entries;
  UncountedQsos m_counts;
};

}  // namespace

ClaimedScore ScoreForReceipt(const EntryPoints& plugin, const CountryFile& countries,
                             const ReceiptPeriod& period, const std::string& call,
                             const std::string& bytes) {
  // Read as the receipt's problems were: UTF-16 or Windows-1250 made UTF-8 first.
  std::string text = bytes;
  DecodeLogText(&text);
  const bool adif = LooksLikeAdif(text);
  ReadLog log = adif ? ReadAdif(text) : ReadCabrillo(text);
  if (log.qsos.empty()) return NotScored(MessageLine("robot.score.no_qso"));
  RunValues run;
  run.ownCall = call;
  const CountryInfo own = countries.Lookup(call);
  run.ownContinent = own.continent;
  if (run.ownContinent.empty())
    return NotScored(MessageLine("robot.score.no_country", {{"call", call}}));
  ExchangeRules rules;
  rules.ownIsHome = IsHomePrefix(own.prefix);
  ResolveExchanges(rules, countries, &log.qsos);
  double start = 0.0, end = 0.0;
  std::string why;
  if (!DecidePeriod(period, log.qsos, &start, &end, &why)) return NotScored(why);
  run.startDays = std::floor(start);
  run.endDays = std::floor(end);
  const int64_t inLog =
      std::max<int64_t>(int64_t(log.recordsFound), int64_t(log.qsos.size() + log.skipped.size()));
  std::vector<LogQso> outside;
  const std::vector<LogQso> qsos = ContestQsos(std::move(log.qsos), start, end, &outside);

  std::vector<std::string> warnings;
  if (!WriteRunSettings(HeaderFields(), false, &warnings, &why)) return NotScored(why);
  ClaimedScore claimed;
  const ReplayedLog replayed = ReplayBounded(plugin, run, qsos, countries);
  claimed.sheet = replayed.sheet;
  claimed.sheet.erase(std::remove(claimed.sheet.begin(), claimed.sheet.end(), '\r'),
                      claimed.sheet.end());
  const size_t equals = claimed.sheet.rfind('=');
  const size_t score = claimed.sheet.rfind("Score:");
  if (score == std::string::npos || equals == std::string::npos || equals < score)
    return NotScored(MessageLine("robot.score.no_score"));
  claimed.scored = true;
  claimed.score = std::string(TrimAscii(std::string_view(claimed.sheet).substr(equals + 1)));

  UncountedList uncounted(adif);
  for (const LogProblem& skipped : log.skipped) uncounted.NotRead(skipped);
  for (const LogQso& qso : outside) uncounted.Outside(qso);
  for (size_t i = 0; i < qsos.size(); ++i) uncounted.Judged(qsos[i], replayed.verdicts[i]);
  claimed.uncounted = uncounted.Done(
      inLog, MessageLine("robot.period.span",
                         {{"start", FormatOleDays(start)}, {"end", FormatOleDays(end)}}));
  return claimed;
}

}  // namespace tarno::score
