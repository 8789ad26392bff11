#ifndef TARNO_TOOLS_CROSSCHECK_ENTRANT_PAGE_H_
#define TARNO_TOOLS_CROSSCHECK_ENTRANT_PAGE_H_

// An entrant's own page (<CALL>.html beside <CALL>.ubn): the score by band, the rate per
// hour by band, the counties over time and per band, a comparison with the entrant
// ranked next to it, and the lost QSOs. One file that needs nothing but itself; it
// reads on a phone and on paper alike.

#include <cstdint>
#include <string>
#include <vector>

#include "crosscheck/contest_set.h"
#include "crosscheck/entrant_report.h"
#include "crosscheck/entrant_score.h"
#include "crosscheck/result_table.h"

namespace tarno::score {

struct EntrantPageInput {
  uint32_t log = 0;
  const EntrantScore* score = nullptr;  // ScoreOf the log
  RankedLog row{};                      // its results row; rank 0 when it has none
  // The entrant ranked just above in the category, or just below for the first of it;
  // kNoRecord when it has no other entrant.
  uint32_t rival = kNoRecord;
  bool rivalAbove = true;
  const EntrantScore* rivalScore = nullptr;
};

std::string EntrantPage(const ContestSet& set, const EntrantPageInput& input,
                        const ReportContext& context);

// The page's file name from the report's: the same base name, ".html" for ".ubn"; but
// never the results page's name, in any case.
std::string PageFileName(const std::string& reportFileName);

// The hour buckets of the contest period: their start seconds and labels. None for an
// open period.
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
