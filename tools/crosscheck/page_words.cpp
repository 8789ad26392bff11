#include "crosscheck/page_words.h"

#include <cstdlib>

#include "contest/ascii_text.h"
#include "contest/ole_date_time.h"
#include "crosscheck/entrant_report.h"
#include "crosscheck/entrant_score.h"
#include "crosscheck/sent_exchange.h"
#include "crosscheck/verdict_text.h"

namespace tarno::score {
namespace {

std::string Quoted(const Catalogue& words, const std::string& logged) {
  return words.Format("detail.quoted", {{"text", UpperAscii(logged)}});
}

// "2026-03-07 0900" taken apart.
Values MomentParts(long long seconds) {
  const std::string when = FormatSeconds(seconds);
  return {{"year", when.substr(0, 4)},
          {"month", when.substr(5, 2)},
          {"day", when.substr(8, 2)},
          {"hour", when.substr(11, 2)},
          {"minute", when.substr(13, 2)}};
}

// The line number the judge's note "dupe of line 12" names; 0 where it names none.
uint32_t DupeOf(const std::string& note) {
  const size_t digits = note.find_last_not_of("0123456789");
  if (digits == std::string::npos || digits + 1 >= note.size()) return 0;
  return static_cast<uint32_t>(std::strtoul(note.c_str() + digits + 1, nullptr, 10));
}

// A line's detail said from its records, for a language the judge's notes are not in.
std::string DetailFromRecords(const Catalogue& words, const ContestSet& set, const QsoRecord& qso) {
  const auto text = [&](uint32_t id) -> const std::string& { return set.texts.Text(id); };
  const EntrantLog& log = set.logs[qso.log];
  const QsoRecord* other = qso.partner == kNoRecord ? nullptr : &set.qsos[qso.partner];
  switch (qso.verdict) {
    case Verdict::kBustedCall:
      if (other) return words.Format("detail.busted_call", {{"call", OwnerOf(set, *other)}});
      break;
    case Verdict::kBustedExchange:
      if (other) {
        const std::string sent = SentAsCopied(set, *other);
        std::string detail = words.Format(
            "detail.busted_exchange",
            {{"copied", Quoted(words, text(qso.exchRcvd))}, {"sent", Quoted(words, sent)}});
        if (sent != text(other->exchSent)) {
          detail += words.Format("detail.its_log_says",
                                 {{"logged", Quoted(words, text(other->exchSent))}});
        }
        return detail;
      }
      break;
    case Verdict::kOk:
      if (other && other->verdict == Verdict::kBustedCall) {
        return words.Format("detail.they_busted_call",
                            {{"call", OwnerOf(set, *other)},
                             {"logged", Quoted(words, text(other->workedAsLogged))}});
      }
      if (other && other->verdict == Verdict::kBustedExchange) {
        return words.Format(
            "detail.they_busted_exchange",
            {{"call", OwnerOf(set, *other)}, {"logged", Quoted(words, text(other->exchRcvd))}});
      }
      return "";
    case Verdict::kNil:
      return words.Format("detail.nil", {{"call", text(qso.worked)}});
    case Verdict::kNoLog:
      return words.Text("detail.no_log");
    case Verdict::kUnique:
      return words.Text("detail.unique");
    case Verdict::kNotInPartialLog:
      return words.Format("detail.not_in_partial_log", {{"call", text(qso.worked)}});
    case Verdict::kDupe: {
      const uint32_t first = DupeOf(text(qso.note));
      return first == 0 ? words.Text("detail.dupe")
                        : words.Format("detail.dupe_of", {{"unit", UnitText(words, log, first)}});
    }
    case Verdict::kOutside:
      return words.Format("detail.outside",
                          {{"moment", MomentText(words, SecondsOf(qso.oleDays))}});
    case Verdict::kBandMismatch:
    case Verdict::kModeMismatch:
      if (other) {
        return words.Format("detail.mismatch",
                            {{"call", OwnerOf(set, *other)},
                             {"band", text(other->band)},
                             {"mode", text(other->mode)},
                             {"unit", UnitText(words, set.logs[other->log], other->line)}});
      }
      break;
    default:
      break;
  }
  return words.Format("detail.judge", {{"text", EntrantDetailOf(set, qso)}});
}

}  // namespace

std::string VerdictLabel(const Catalogue& words, Verdict verdict) {
  switch (verdict) {
    case Verdict::kOk:
      return words.Text("verdict.ok");
    case Verdict::kBustedCall:
      return words.Text("verdict.busted_call");
    case Verdict::kBustedExchange:
      return words.Text("verdict.busted_exchange");
    case Verdict::kNil:
      return words.Text("verdict.nil");
    case Verdict::kUnique:
      return words.Text("verdict.unique");
    case Verdict::kNoLog:
      return words.Text("verdict.no_log");
    case Verdict::kDupe:
      return words.Text("verdict.dupe");
    case Verdict::kOutside:
      return words.Text("verdict.outside");
    case Verdict::kInvalid:
      return words.Text("verdict.invalid");
    case Verdict::kBandMismatch:
      return words.Text("verdict.band_mismatch");
    case Verdict::kModeMismatch:
      return words.Text("verdict.mode_mismatch");
    case Verdict::kNotInPartialLog:
      return words.Text("verdict.not_in_partial_log");
    case Verdict::kPending:
      break;
  }
  return VerdictName(verdict);
}

std::string UnitText(const Catalogue& words, const EntrantLog& log, uint32_t line) {
  const Values number = {{"line", std::to_string(line)}};
  return log.adif ? words.Format("unit.record", number) : words.Format("unit.line", number);
}

std::string DetailWords(const Catalogue& words, const ContestSet& set, const QsoRecord& qso) {
  if (!set.decisions.empty()) {
    const auto decided = set.decisions.find(static_cast<uint32_t>(&qso - set.qsos.data()));
    if (decided != set.decisions.end() && words.language() != Language::kEnglish) {
      return words.Format("detail.decided", {{"reason", set.texts.Text(decided->second.reason)},
                                             {"was", set.texts.Text(decided->second.was)}});
    }
  }
  // The judge writes its findings in English, with more evidence than a page's words hold.
  if (words.language() == Language::kEnglish) return EntrantDetailOf(set, qso);
  return DetailFromRecords(words, set, qso);
}

std::string MomentText(const Catalogue& words, long long seconds) {
  return words.Format("time.moment", MomentParts(seconds));
}

std::string PeriodWords(const Catalogue& words, const ContestPeriod& period) {
  if (period.open) return words.Text("period.open");
  return words.Format("period.range", {{"from", MomentText(words, period.startSeconds)},
                                       {"to", MomentText(words, period.endSeconds)}});
}

std::string HourText(const Catalogue& words, const ContestPeriod& period, long long seconds) {
  const bool oneDay = FormatSeconds(period.startSeconds).substr(0, 10) ==
                      FormatSeconds(period.endSeconds).substr(0, 10);
  return oneDay ? words.Format("time.hour", MomentParts(seconds))
                : words.Format("time.day_hour", MomentParts(seconds));
}

std::string ClockWords(const Catalogue& words, const ClockFit& clock) {
  if (!clock.Corrected()) return "";
  if (!clock.drifts) {
    const int minutes = std::abs(clock.offsetMinutes);
    return clock.offsetMinutes > 0 ? words.Plural("clock.ahead", minutes)
                                   : words.Plural("clock.behind", minutes);
  }
  const auto at = [&words](int offsetSeconds) {
    const int seconds = std::abs(offsetSeconds);
    const Values parts = {{"minutes", std::to_string(seconds / 60)},
                          {"seconds", std::to_string(seconds % 60)}};
    return offsetSeconds >= 0 ? words.Format("clock.drift_ahead", parts)
                              : words.Format("clock.drift_behind", parts);
  };
  return words.Format("clock.drift",
                      {{"start", at(clock.startSeconds)}, {"end", at(clock.endSeconds)}});
}

std::string ClockCellWords(const Catalogue& words, const ClockFit& clock) {
  if (!clock.Corrected()) return "";
  const auto signedMinutes = [](int seconds) {
    const int size = std::abs(seconds);
    return std::string(seconds < 0 ? "\xE2\x88\x92" : "+") + std::to_string(size / 60) + ":" +
           (size % 60 < 10 ? "0" : "") + std::to_string(size % 60);
  };
  if (!clock.drifts) {
    return words.Format("clock.cell",
                        {{"offset", (clock.offsetMinutes < 0 ? "\xE2\x88\x92" : "+") +
                                        std::to_string(std::abs(clock.offsetMinutes))}});
  }
  return words.Format("clock.cell_drift", {{"start", signedMinutes(clock.startSeconds)},
                                           {"end", signedMinutes(clock.endSeconds)}});
}

std::string SentFixWords(const Catalogue& words, const ContestSet& set, const EntrantLog& log) {
  const SentFix& fix = log.sentFix;
  if (fix.kind == SentFix::kNone) return "";
  const Values counts = {{"agreeing", words.Number(fix.agreeing)},
                         {"lines", words.Number(fix.lines)}};
  if (fix.kind == SentFix::kCounty) {
    Values values = counts;
    values.emplace_back("column", Quoted(words, set.texts.Text(fix.column)));
    values.emplace_back("county", Quoted(words, set.texts.Text(fix.county)));
    return words.Format("sent.county", values);
  }
  Values values = counts;
  // The copies add `offset` to the column: the column says that much less than was sent.
  values.emplace_back(
      "offset", (fix.offset > 0 ? "+" : "\xE2\x88\x92") + std::to_string(std::abs(fix.offset)));
  return words.Format("sent.serial", values);
}

std::string MissingWords(const Catalogue& words, const MissingStretch& stretch) {
  return words.Format("missing.stretch", {{"from", MomentText(words, stretch.fromSeconds)},
                                          {"to", MomentText(words, stretch.toSeconds)},
                                          {"lines", words.Number(stretch.lines)},
                                          {"logs", words.Number(stretch.logs)}});
}

std::string ScoringWords(const Catalogue& words, const EntrantLog& log, bool dropUniques,
                         const std::array<double, kVerdictCount>& penalty) {
  const std::string continent =
      log.ownContinent.empty() ? words.Text("rules.no_continent") : log.ownContinent;
  std::string credited =
      VerdictLabel(words, Verdict::kOk) + ", " + VerdictLabel(words, Verdict::kNoLog);
  if (!dropUniques) credited += ", " + VerdictLabel(words, Verdict::kUnique);
  if (log.counts[static_cast<int>(Verdict::kNotInPartialLog)] > 0)
    credited += ", " + VerdictLabel(words, Verdict::kNotInPartialLog);
  std::string text = words.Format("rules.counting", {{"continent", continent}}) + " " +
                     words.Format("rules.credited", {{"verdicts", credited}}) + " " +
                     words.Text("rules.lost");
  std::string penalties;
  for (int v = 0; v < kVerdictCount; ++v) {
    if (penalty[v] == 0) continue;
    penalties += (penalties.empty() ? "" : ", ") + VerdictLabel(words, static_cast<Verdict>(v)) +
                 " " +
                 words.Decimal(penalty[v], penalty[v] == static_cast<int>(penalty[v]) ? 0 : 2);
  }
  if (!penalties.empty()) text += " " + words.Format("rules.penalty", {{"penalties", penalties}});
  return text;
}

std::string CategoryWords(const Catalogue& words, const CategoryTable& table) {
  if (table.home < 0) return table.name;
  std::string values;
  for (const auto& [field, value] : table.values) {
    values += (values.empty() ? "" : " ") +
              (value.empty() ? words.Format("category.not_given", {{"field", CategoryKey(field)}})
                             : value);
  }
  return table.home ? words.Format("category.home", {{"values", values}})
                    : words.Format("category.foreign", {{"values", values}});
}

}  // namespace tarno::score
