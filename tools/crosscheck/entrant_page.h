#ifndef TARNO_TOOLS_CROSSCHECK_ENTRANT_PAGE_H_
#define TARNO_TOOLS_CROSSCHECK_ENTRANT_PAGE_H_

// An entrant's own page (<CALL>.html beside <CALL>.ubn, and its twin in each other
// language's folder): its places and what they are read against, its verdicts, the score
// by band, the rate per hour by band, the counties over time, per band and those it missed
// with who worked them, a comparison with the entrant placed next to it, the stations that
// copied it wrong, and the lost QSOs. One file that needs nothing but itself; it reads on a
// phone, to a screen reader and on paper alike: every chart's values are in a table folded
// under it.

#include <cstdint>
#include <string>
#include <vector>

#include "crosscheck/contest_set.h"
#include "crosscheck/entrant_report.h"
#include "crosscheck/entrant_score.h"
#include "crosscheck/entrant_standing.h"
#include "crosscheck/page_style.h"
#include "crosscheck/rankings.h"
#include "crosscheck/result_table.h"

namespace tarno::score {

struct EntrantFigures;  // entrant_charts.h

struct EntrantPageInput {
  uint32_t log = 0;
  const EntrantScore* score = nullptr;   // ScoreOf the log
  RankedLog row{};                       // its results row; rank 0 when it has none
  const CategoryTable* table = nullptr;  // its category's; null for a log ranked in none
  const ContestStanding* contest = nullptr;
  const EntrantScore* rivalScore = nullptr;  // ScoreOf its standing's rival, when it has one
  const std::vector<uint32_t>* copiedWrong = nullptr;  // CopiedWrongByLog's, for this log
  // FiguresOf this input, where the pages of several languages share them; else each
  // page works them out.
  const EntrantFigures* figures = nullptr;
};

std::string EntrantPage(const PageLanguage& page, const ContestSet& set,
                        const EntrantPageInput& input, const ReportContext& context);

// The page's file name from the report's: the same base name, ".html" for ".ubn"; but
// never the results page's name, in any case.
std::string PageFileName(const std::string& reportFileName);

// The hour buckets of the contest period: their start seconds and labels (the chart's, ""
// for most). None for an open period.
struct Buckets {
  long long startSeconds = 0;
  long long seconds = 3600;
  std::vector<std::string> labels;
  // The bucket of a moment, clamped into the period.
  size_t Of(long long moment) const;
};
Buckets BucketsOf(const ContestPeriod& period);

// Credited QSOs per bucket; and the checked score at the end of each bucket.
std::vector<double> RatePerBucket(const EntrantScore& score, const Buckets& buckets);
// The score counts the penalties of the lost QSOs (LostCost::penalty) where they were made.
std::vector<double> ScoreByBucket(const ContestSet& set, const EntrantScore& score,
                                  const Buckets& buckets);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_ENTRANT_PAGE_H_
