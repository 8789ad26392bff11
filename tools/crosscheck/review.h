#ifndef TARNO_TOOLS_CROSSCHECK_REVIEW_H_
#define TARNO_TOOLS_CROSSCHECK_REVIEW_H_

// The logs a sponsor should look at: for every log the share of its lines that are
// uniques, the rate of errors it caused others (their lines that copied it wrong, and
// their lines it does not hold: NIL), its busted calls against the contest's mean, its
// clock correction and the spread of its times around it, and the stretches its log lost.
// A log above any of the rules' thresholds is listed with the lines behind each figure
// above its threshold, in review.csv and review.html.

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "crosscheck/contest_rules.h"
#include "crosscheck/contest_set.h"

namespace tarno::score {

enum ReviewFigure : int { kUniques, kErrorsCaused, kBustedCalls, kMissing, kClockSpread };
constexpr int kReviewFigureCount = 5;

struct LogReview {
  uint32_t log = 0;
  int lines = 0;
  int counts[kReviewFigureCount] = {};  // uniques, errors caused, busted calls, stretches
  bool above[kReviewFigureCount] = {};
  bool Listed() const {
    for (bool a : above) {
      if (a) return true;
    }
    return false;
  }
};

// The lines behind the figures above their thresholds, by index in ContestSet::qsos.
using LinesBehindFigures = std::array<std::vector<uint32_t>, kReviewFigureCount>;

struct Review {
  std::vector<LogReview> logs;  // every used log, by call
  double meanErrorsCaused = 0;  // per line, over the contest
  double meanBustedCalls = 0;
  // By listed log; found once, by the first of the files that needs them.
  mutable std::unordered_map<uint32_t, LinesBehindFigures> behind;
};

// Every used log's figures, held to the rules' thresholds. A log's errors caused or busted
// calls are above the threshold only where they number at least 3; its clock spread only
// where it was judged on at least 5 QSOs. Where the rules list uniques, every log with a
// unique is listed for them.
Review ReviewLogs(const ContestSet& set, const ContestRules& rules);

// review.csv: call,figure,value,threshold,log,line,verdict,worked,detail; for each log
// listed, a row per figure above its threshold (log and line empty), each followed by the
// lines behind it. False with the reason when it cannot be written.
bool WriteReviewCsv(const ContestSet& set, const Review& review, const ContestRules& rules,
                    const std::string& path, std::string* error);

// review.html, the sponsor's (in English): every log's figures in one table, the listed
// logs first,  (HTML the sponsor reads besides, such as the wanted logs), then each
// listed log with the lines behind its figures; headed by the contest's  and year.
bool WriteReviewHtml(const ContestSet& set, const Review& review, const ContestRules& rules,
                     const std::string& title, const std::string& sections,
                     const std::string& path, std::string* error);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_REVIEW_H_
