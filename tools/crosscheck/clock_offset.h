#ifndef TARNO_TOOLS_CROSSCHECK_CLOCK_OFFSET_H_
#define TARNO_TOOLS_CROSSCHECK_CLOCK_OFFSET_H_

// A log whose clock ran consistently off against its partners' (a time-zone mistake
// puts it a whole hour out) would otherwise lose every QSO as NIL. Each log's offset is
// the median of the time differences of its QSOs with the same partner on the same band
// and mode, taken once against all partners as they are and once more against the
// partners' own offsets, so that two wrong clocks that worked each other do not hide
// each other.

#include "crosscheck/contest_set.h"
#include "crosscheck/pair_index.h"

namespace tarno::score {

// Sets clockOffsetMinutes and clockPairs of every used log. An offset is only taken when
// it is at least 3 minutes, judged on at least 3 QSOs, and at least two thirds of them
// lie within `windowMinutes` of it; a clock a minute or two off needs no correction.
void DetectClockOffsets(const PairIndex& index, int windowMinutes, ContestSet* set);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_CLOCK_OFFSET_H_
