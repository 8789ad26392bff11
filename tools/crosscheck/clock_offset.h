#ifndef TARNO_TOOLS_CROSSCHECK_CLOCK_OFFSET_H_
#define TARNO_TOOLS_CROSSCHECK_CLOCK_OFFSET_H_

// A log whose clock ran off against its partners' (a time-zone mistake puts it a whole hour
// out; a computer's clock drifts minutes over a day) would otherwise lose every QSO as NIL.
// Each log's clock is fitted to the time differences of its QSOs with the same partner on
// the same band and mode: a constant offset (their median), or, where the differences grow
// over the contest, a straight line robust to the odd pair that is another QSO. The fit is
// taken once against all partners as they are and once more against the partners' own
// fits, so that two wrong clocks that worked each other do not hide each other.

#include "crosscheck/contest_set.h"
#include "crosscheck/pair_index.h"

namespace tarno::score {

// Sets the clock of every used log. A correction is only taken where it reaches at least
// 3 minutes (or the window, where that is shorter; at least a minute), is judged on at
// least 3 QSOs, and puts at least two thirds of them within `windowMinutes` of the fit; a
// clock a minute or two off needs none. A line is taken for a drift of at least 2 minutes
// over the log, judged on at least 16 QSOs, that fits more of them within a minute than
// the constant does; else the offset is constant, in whole minutes.
void DetectClockOffsets(const PairIndex& index, int windowMinutes, ContestSet* set);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_CLOCK_OFFSET_H_
