#ifndef TARNO_STATS_SUMMARY_H_
#define TARNO_STATS_SUMMARY_H_

// The summary sheet returned to the host: a heading with the contest dates and the
// contestant, a row per band (TAB and blank between columns), the total row and the
// score. Lines end with CR LF; the last one has none.

#include <string>

#include "stats/score.h"

namespace tarno {

std::string FormatSummary(const std::string& startText, const std::string& endText,
                          const std::string& ownCall, const ScoreTally& tally);

}  // namespace tarno

#endif  // TARNO_STATS_SUMMARY_H_
