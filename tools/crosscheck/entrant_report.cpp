#include "crosscheck/entrant_report.h"

#include <cstdlib>

#include "cabrillo/cabrillo_log.h"
#include "crosscheck/result_table.h"
#include "crosscheck/verdict_text.h"

namespace tarno::score {
namespace {

int Count(const EntrantLog& log, Verdict verdict) { return log.counts[static_cast<int>(verdict)]; }

std::string Counted(const EntrantLog& log, std::initializer_list<Verdict> verdicts) {
  std::string text;
  for (Verdict verdict : verdicts) {
    if (!text.empty()) text += ", ";
    text += std::string(VerdictName(verdict)) + " " + std::to_string(Count(log, verdict));
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
  text +=
      Row("Checked score:", std::to_string(log.checked) + " (" + std::to_string(log.checkedPoints) +
                                " points x " + std::to_string(log.checkedCounties) + " counties)");
  text += Row("QSO lines:", std::to_string(log.qsoCount));
  text += Row("Credited:", std::to_string(CreditedCount(log, context.dropUniques)) + " (" +
                               Counted(log, {Verdict::kOk, Verdict::kNoLog, Verdict::kUnique}) +
                               (context.dropUniques ? "; uniques not credited)" : ")"));
  text +=
      Row("Lost:", Counted(log, {Verdict::kNil, Verdict::kBustedCall, Verdict::kBustedExchange}));
  text += Row("Not counted:", Counted(log, {Verdict::kDupe, Verdict::kOutside, Verdict::kInvalid}));
  if (log.clockOffsetMinutes != 0) {
    text += Row("Clock:", ClockText(log.clockOffsetMinutes) + " the other logs' (judged on " +
                              std::to_string(log.clockPairs) + " QSOs); matched with it corrected");
  }
  text += Row("Copied wrong:", "by " + std::to_string(log.copiedWrongByOthers) +
                                   (log.copiedWrongByOthers == 1 ? " station" : " stations"));
  (void)set;
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
                          const std::vector<uint32_t>& copiedWrong, const ReportContext& context) {
  const EntrantLog& log = set.logs[logIndex];
  std::string text = Summary(set, log, context);
  text += Heading("QSOs that lost credit");
  size_t lost = 0;
  for (uint32_t i : RecordsInFileOrder(set, log)) {
    const QsoRecord& qso = set.qsos[i];
    if (IsCredited(qso.verdict, context.dropUniques)) continue;
    ++lost;
    text += "line " + std::to_string(qso.line) + "  " + VerdictName(qso.verdict) + "  " +
            DetailOf(set, qso) + "\n";
    text += Side("you", QsoLineOf(set, qso));
    if (qso.partner != kNoRecord) {
      const QsoRecord& other = set.qsos[qso.partner];
      text +=
          Side(OwnerOf(set, other) + " line " + std::to_string(other.line), QsoLineOf(set, other));
    }
  }
  if (lost == 0) text += "none\n";
  text += Heading("Stations that copied " + log.call + " wrong");
  for (uint32_t index : copiedWrong) {
    const QsoRecord& other = set.qsos[index];
    const QsoRecord& mine = set.qsos[other.partner];
    text += OwnerOf(set, other) + " line " + std::to_string(other.line) + "  " +
            VerdictName(other.verdict) + "  " + DetailOf(set, other) + "\n";
    text += Side(OwnerOf(set, other), QsoLineOf(set, other));
    text += Side("you line " + std::to_string(mine.line), QsoLineOf(set, mine));
  }
  if (copiedWrong.empty()) text += "none\n";
  return text;
}

std::string ReportFileName(const std::string& call) { return FileCallOf(call) + ".ubn"; }

std::string ClockText(int offsetMinutes) {
  const int minutes = std::abs(offsetMinutes);
  return std::to_string(minutes) + (minutes == 1 ? " minute " : " minutes ") +
         (offsetMinutes > 0 ? "ahead of" : "behind");
}

}  // namespace tarno::score
