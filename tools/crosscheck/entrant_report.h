#ifndef TARNO_TOOLS_CROSSCHECK_ENTRANT_REPORT_H_
#define TARNO_TOOLS_CROSSCHECK_ENTRANT_REPORT_H_

// The report an entrant gets back (<CALL>.ubn): the summary, the score band by band as
// claimed and as checked, how the plug-in counts it, every QSO line that lost credit with
// both sides shown and what it cost, then the stations that copied this entrant wrong.

#include <array>
#include <string>
#include <vector>

#include "crosscheck/contest_period.h"
#include "crosscheck/contest_set.h"
#include "crosscheck/entrant_score.h"

namespace tarno::score {

struct ReportContext {
  ContestPeriod period;
  int windowMinutes = 5;
  bool dropUniques = false;
  std::array<double, kVerdictCount> penalty{};  // the contest's rules, by verdict
  int threads = 1;                              // for writing the reports and pages
  // The contest's title and year as every page heads itself: "TARNO 2026".
  std::string title;
  bool certificates = false;  // each entrant's page links certificates/<CALL>.pdf
};

// For each log, the other logs' lines that copied its call or exchange wrong.
std::vector<std::vector<uint32_t>> CopiedWrongByLog(const ContestSet& set);

// `score` is ScoreOf the same log.
std::string EntrantReport(const ContestSet& set, uint32_t log,
                          const std::vector<uint32_t>& copiedWrong, const EntrantScore& score,
                          const ReportContext& context);

// DetailOf in the entrant's words: an ADIF entry's dupe repeats a record, not a line
// (verdicts.csv keeps the line, as its column is named).
std::string EntrantDetailOf(const ContestSet& set, const QsoRecord& qso);

// The report's file name: the call made fit for a file name, then ".ubn". Of calls that
// pass IsCallShaped (log_loading.h) no two give the same name, and none a hidden one: "/"
// becomes "_", which no such call holds, and a device name (COM1) gets a "_" of its own.
std::string ReportFileName(const std::string& call);

// "60 minutes ahead of", "5 minutes behind" the other logs' clocks.
std::string ClockText(int offsetMinutes);
// "60 minutes ahead of the other logs'"; for a drift, "drifting from 0 min 12 s ahead of
// the other logs' at its first QSO to 7 min 48 s ahead of them at its last".
std::string ClockFitText(const ClockFit& clock);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_ENTRANT_REPORT_H_
