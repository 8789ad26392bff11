#include "crosscheck/entrant_report.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string_view>

#include "cabrillo/cabrillo_log.h"
#include "contest/county_rules.h"
#include "crosscheck/result_table.h"
#include "crosscheck/sent_exchange.h"
#include "crosscheck/verdict_text.h"

namespace tarno::score {
namespace {

int Count(const EntrantLog& log, Verdict verdict) { return log.counts[static_cast<int>(verdict)]; }

// "6 points", "1.5 points".
std::string PointsText(double points) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", points);
  return std::string(text) + (points == 1 ? " point" : " points");
}

std::string Counted(const EntrantLog& log, std::initializer_list<Verdict> verdicts) {
  std::string text;
  for (Verdict verdict : verdicts) {
    if (!text.empty()) text += ", ";
    text += std::string(VerdictName(verdict)) + " " + std::to_string(Count(log, verdict));
  }
  return text;
}

// ", BAND-MISMATCH 2" for each of the verdicts the log has; the verdicts few logs have
// stay out of the others' summaries.
std::string CountedIfAny(const EntrantLog& log, std::initializer_list<Verdict> verdicts) {
  std::string text;
  for (Verdict verdict : verdicts) {
    if (Count(log, verdict) > 0)
      text += ", " + std::string(VerdictName(verdict)) + " " + std::to_string(Count(log, verdict));
  }
  return text;
}

std::string Row(const char* label, const std::string& value) {
  std::string row = label;
  row.resize(16, ' ');
  return row + value + "\n";
}

std::string Summary(const ContestSet& set, const EntrantLog& log, const ReportContext& context) {
  std::string text = "TARNO cross-check report for " + log.call + "\n";
  text += "Log file: " + BaseName(log.file) + "\n";
  if (!log.setAside.empty()) {
    text += "Set aside: " + SetAsideText(log) + " (" +
            (log.setAside.size() == 1 ? "another log" : "other logs") + " of " + log.call +
            "; the one sent last is used)\n";
  }
  text += "Contest period: " + PeriodText(context.period) + "; matching window " +
          std::to_string(context.windowMinutes) + " minutes\n\n";
  text += Row("Claimed score:",
              std::to_string(log.claimed) +
                  (log.claimedHeader >= 0 ? " (CLAIMED-SCORE)" : " (no CLAIMED-SCORE: all QSOs)"));
  const std::string penalty =
      log.penaltyPoints ? " less a penalty of " + std::to_string(log.penaltyPoints) + "," : "";
  text += Row("Checked score:", std::to_string(log.checked) + " (" +
                                    std::to_string(log.checkedPoints) + " points" + penalty +
                                    " x " + std::to_string(log.checkedCounties) + " counties)");
  if (!PenaltyRulesText(context.penalty).empty()) {
    text += Row("Penalty:", PointsText(static_cast<double>(log.penaltyPoints)) +
                                " (the contest's rules: " + PenaltyRulesText(context.penalty) +
                                " times a lost QSO's points)");
  }
  text += Row(log.adif ? "QSO records:" : "QSO lines:", std::to_string(log.qsoCount));
  text += Row("Credited:", std::to_string(CreditedCount(log, context.dropUniques)) + " (" +
                               Counted(log, {Verdict::kOk, Verdict::kNoLog, Verdict::kUnique}) +
                               CountedIfAny(log, {Verdict::kNotInPartialLog}) +
                               (context.dropUniques ? "; uniques not credited)" : ")"));
  text +=
      Row("Lost:", Counted(log, {Verdict::kNil, Verdict::kBustedCall, Verdict::kBustedExchange}) +
                       CountedIfAny(log, {Verdict::kBandMismatch, Verdict::kModeMismatch}));
  text += Row("Not counted:", Counted(log, {Verdict::kDupe, Verdict::kOutside, Verdict::kInvalid}));
  if (log.clock.Corrected()) {
    text +=
        Row("Clock:", ClockFitText(log.clock) + " (judged on " + std::to_string(log.clock.pairs) +
                          " QSOs); matched with it corrected");
  }
  const std::string fix = SentFixText(set, log);
  if (!fix.empty()) text += Row("Sent exchange:", fix);
  for (const MissingStretch& stretch : log.missing) {
    text += Row("Missing:", "your log holds no QSO from " + FormatSeconds(stretch.fromSeconds) +
                                " to " + FormatSeconds(stretch.toSeconds) + ", while " +
                                std::to_string(stretch.lines) + " lines of " +
                                std::to_string(stretch.logs) +
                                " other logs hold QSOs with you then: a partial log; their "
                                "lines are credited (NOT-IN-PARTIAL-LOG)");
  }
  text += Row("Copied wrong:", "by " + std::to_string(log.copiedWrongByOthers) +
                                   (log.copiedWrongByOthers == 1 ? " station" : " stations"));
  return text;
}

std::string Heading(const std::string& title) {
  return "\n" + title + "\n" + std::string(title.size(), '-') + "\n";
}

std::string Side(const std::string& who, const std::string& line) {
  std::string label = "  " + who + ":";
  if (label.size() < 22) label.resize(22, ' ');
  return label + " " + line + "\n";
}

// Side(who, line) appended to `text`, who given in parts: a report holds two for every
// QSO that lost credit.
void AppendSide(std::string* text, std::initializer_list<std::string_view> who,
                const std::string& line) {
  const size_t start = text->size();
  text->append("  ");
  for (std::string_view part : who) text->append(part);
  text->push_back(':');
  if (text->size() - start < 22) text->resize(start + 22, ' ');
  text->append(" ").append(line).push_back('\n');
}

std::string Figures(long long qsos, long long points, long long counties) {
  char text[64];
  std::snprintf(text, sizeof text, "%6lld %7lld %9lld", qsos, points, counties);
  return text;
}

std::string BandRow(const std::string& band, const BandFigures& claimed,
                    const BandFigures& checked) {
  std::string row = band;
  if (row.size() < 8) row.resize(8, ' ');
  return row + Figures(claimed.qsos, claimed.points, claimed.counties) + "    " +
         Figures(checked.qsos, checked.points, checked.counties) + "\n";
}

std::string ScoreText(const BandFigures& total) {
  return std::to_string(total.points) + " x " + std::to_string(total.counties) + " = " +
         std::to_string(total.points * total.counties);
}

std::string BandTable(const EntrantLog& log) {
  std::string text = Heading("Score by band");
  if (log.claimedBands.empty() && log.checkedBands.empty()) {
    return text + "The plug-in's summary sheet gave no band rows.\n";
  }
  text += "                  claimed (every line)          checked\n";
  text += "Band      QSOs  Points  Counties      QSOs  Points  Counties\n";
  const std::vector<std::string> bands = SheetBands(log);
  BandFigures claimedTotal, checkedTotal;
  for (const std::string& band : bands) {
    BandFigures claimed, checked;
    for (const BandFigures& row : log.claimedBands) {
      if (row.band == band) claimed = row;
    }
    for (const BandFigures& row : log.checkedBands) {
      if (row.band == band) checked = row;
    }
    text += BandRow(band, claimed, checked);
    for (auto [total, row] : {std::pair{&claimedTotal, &claimed}, {&checkedTotal, &checked}}) {
      total->qsos += row->qsos;
      total->points += row->points;
      total->counties += row->counties;
    }
  }
  text += BandRow("Total", claimedTotal, checkedTotal);
  std::string score = "Score   " + ScoreText(claimedTotal);
  score.resize(std::max<size_t>(score.size() + 2, 38), ' ');
  text += score + ScoreText(checkedTotal) + "\n";
  if (log.penaltyPoints > 0) {
    text += "Penalty -" + std::to_string(log.penaltyPoints) + " points: checked score (" +
            std::to_string(checkedTotal.points) + " - " + std::to_string(log.penaltyPoints) +
            ") x " + std::to_string(checkedTotal.counties) + " = " + std::to_string(log.checked) +
            "\n";
  }
  if (log.counts[static_cast<int>(Verdict::kOutside)] > 0) {
    text += "The lines outside the contest period are in the claimed column only.\n";
  }
  return text;
}

// The text's words in lines of at most `width` characters.
std::string WordWrapped(const std::string& text, size_t width) {
  std::string out, line;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    if (!line.empty() && line.size() + 1 + word.size() > width) {
      out += line + "\n";
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
    start = end + 1;
  }
  return line.empty() ? out : out + line + "\n";
}

std::string HowCounted(const EntrantLog& log, bool dropUniques,
                       const std::array<double, kVerdictCount>& penalty) {
  return Heading("How the score is counted") +
         WordWrapped(ScoringRules(log, dropUniques, &penalty), 80);
}

std::string CostText(const ContestSet& set, const EntrantLog& log, const LostCost& cost) {
  const QsoRecord& qso = set.qsos[cost.qso];
  std::string text =
      "  cost: " + std::to_string(cost.points) + (cost.points == 1 ? " point" : " points");
  const std::string penalty = cost.penalty > 0 ? "; penalty: " + PointsText(cost.penalty) : "";
  if (cost.county < 0) return text + penalty + "\n";
  const std::string county =
      std::string(kCountyCodes[cost.county]) + " on " + set.texts.Text(qso.band);
  if (cost.costsCounty) {
    return text + " and the county " + county + ", which no credited QSO gives" + penalty + "\n";
  }
  if (cost.countyGoneWithLine != 0) {
    return text + "; the county " + county + " is counted as lost with " +
           (log.adif ? "record " : "line ") + std::to_string(cost.countyGoneWithLine) + penalty +
           "\n";
  }
  return text + "; the county " + county + " is still credited by another QSO" + penalty + "\n";
}

std::string Unit(const EntrantLog& log) { return log.adif ? "record " : "line "; }

}  // namespace

std::vector<std::vector<uint32_t>> CopiedWrongByLog(const ContestSet& set) {
  std::vector<std::vector<uint32_t>> byLog(set.logs.size());
  for (uint32_t i = 0; i < set.qsos.size(); ++i) {
    const QsoRecord& qso = set.qsos[i];
    if ((qso.verdict == Verdict::kBustedCall || qso.verdict == Verdict::kBustedExchange) &&
        qso.partner != kNoRecord && set.logs[qso.log].used) {
      byLog[set.qsos[qso.partner].log].push_back(i);
    }
  }
  return byLog;
}

std::string EntrantReport(const ContestSet& set, uint32_t logIndex,
                          const std::vector<uint32_t>& copiedWrong, const EntrantScore& score,
                          const ReportContext& context) {
  const EntrantLog& log = set.logs[logIndex];
  std::string text = Summary(set, log, context);
  text += BandTable(log);
  text += HowCounted(log, context.dropUniques, context.penalty);
  text += Heading("QSOs that lost credit");
  size_t lost = 0;
  auto cost = score.lost.begin();  // in file order too
  for (uint32_t i : RecordsInFileOrder(set, log)) {
    const QsoRecord& qso = set.qsos[i];
    if (IsCredited(qso.verdict, context.dropUniques)) continue;
    ++lost;
    text.append(Unit(log)).append(std::to_string(qso.line)).append("  ");
    text.append(VerdictName(qso.verdict)).append("  ").append(EntrantDetailOf(set, qso));
    text.push_back('\n');
    AppendSide(&text, {"you"}, QsoLineOf(set, qso));
    if (qso.partner != kNoRecord) {
      const QsoRecord& other = set.qsos[qso.partner];
      AppendSide(&text,
                 {OwnerOf(set, other), " ", Unit(set.logs[other.log]), std::to_string(other.line)},
                 QsoLineOf(set, other));
    }
    if (cost != score.lost.end() && cost->qso == i) text += CostText(set, log, *cost++);
  }
  if (lost == 0) text += "none\n";
  if (!context.dropUniques && log.counts[static_cast<int>(Verdict::kUnique)] > 0) {
    text += Heading("Uniques: calls in no other log, credited");
    for (uint32_t i : RecordsInFileOrder(set, log)) {
      const QsoRecord& qso = set.qsos[i];
      if (qso.verdict != Verdict::kUnique) continue;
      text += Unit(log) + std::to_string(qso.line) + "  " + EntrantDetailOf(set, qso) + "\n";
      text += Side("you", QsoLineOf(set, qso));
    }
  }
  if (!set.decisions.empty()) {
    std::string decided;
    for (uint32_t i : RecordsInFileOrder(set, log)) {
      if (set.decisions.count(i) == 0) continue;
      const QsoRecord& qso = set.qsos[i];
      decided += Unit(log) + std::to_string(qso.line) + "  " + VerdictName(qso.verdict) + "  " +
                 EntrantDetailOf(set, qso) + "\n" + Side("you", QsoLineOf(set, qso));
    }
    if (!decided.empty()) text += Heading("Lines decided by the sponsor") + decided;
  }
  text += Heading("Stations that copied " + log.call + " wrong");
  for (uint32_t index : copiedWrong) {
    const QsoRecord& other = set.qsos[index];
    const QsoRecord& mine = set.qsos[other.partner];
    const EntrantLog& otherLog = set.logs[other.log];
    text.append(OwnerOf(set, other)).append(" ").append(Unit(otherLog));
    text.append(std::to_string(other.line)).append("  ").append(VerdictName(other.verdict));
    text.append("  ").append(EntrantDetailOf(set, other)).push_back('\n');
    AppendSide(&text, {OwnerOf(set, other)}, QsoLineOf(set, other));
    AppendSide(&text, {"you ", Unit(log), std::to_string(mine.line)}, QsoLineOf(set, mine));
  }
  if (copiedWrong.empty()) text += "none\n";
  return text;
}

std::string EntrantDetailOf(const ContestSet& set, const QsoRecord& qso) {
  std::string detail = DetailOf(set, qso);
  static const char kDupeOf[] = "dupe of line ";
  if (set.logs[qso.log].adif && detail.compare(0, sizeof(kDupeOf) - 1, kDupeOf) == 0)
    detail.replace(0, sizeof(kDupeOf) - 1, "dupe of record ");
  return detail;
}

std::string ReportFileName(const std::string& call) { return FileCallOf(call) + ".ubn"; }

std::string ClockText(int offsetMinutes) {
  const int minutes = std::abs(offsetMinutes);
  return std::to_string(minutes) + (minutes == 1 ? " minute " : " minutes ") +
         (offsetMinutes > 0 ? "ahead of" : "behind");
}

std::string MinutesAndSeconds(int offsetSeconds) {
  const int seconds = std::abs(offsetSeconds);
  return std::to_string(seconds / 60) + " min " + std::to_string(seconds % 60) + " s " +
         (offsetSeconds >= 0 ? "ahead of" : "behind");
}

std::string ClockFitText(const ClockFit& clock) {
  if (!clock.drifts) return ClockText(clock.offsetMinutes) + " the other logs'";
  return "drifting from " + MinutesAndSeconds(clock.startSeconds) +
         " the other logs' at its first QSO to " + MinutesAndSeconds(clock.endSeconds) +
         " them at its last";
}

}  // namespace tarno::score
