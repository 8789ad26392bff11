#ifndef TARNO_TOOLS_CROSSCHECK_MISMATCH_H_
#define TARNO_TOOLS_CROSSCHECK_MISMATCH_H_

// The same QSO in both logs (the two calls, the times within the window) on another band
// or in another mode. Only the side the evidence shows wrong loses it, as BAND-MISMATCH or
// MODE-MISMATCH; the other side keeps it, its detail naming the partner's error. The
// evidence, strongest first, each side alike:
//  1. the line's own frequency: off its band, or in the other mode's part of the band (a
//     band's lower edge, which loggers write without the radio's frequency, says nothing);
//  2. a run of such lines: at least two more of the log's QSOs within 30 minutes on the same
//     band (or mode) logged on another by their partners, outnumbering those there its
//     partners confirm;
//  3. the log's neighbouring QSOs: those within 30 minutes its partners confirm are on the
//     partner's band (or mode), none on its own.
// The first kind of evidence that shows either side decides: one side shown wrong loses;
// both shown wrong by the frequency or a run both lose. Where nothing shows, or the
// neighbouring QSOs show both, the contest's rule decides: both lose, or neither.

#include "crosscheck/contest_rules.h"
#include "crosscheck/contest_set.h"
#include "crosscheck/pair_index.h"

namespace tarno::score {

// Pairs the lines still unmatched (pending, or OUTSIDE against a pending line) of one
// station pair that lie within the window on another band or in another mode, not both:
// each line with the nearest such line of the other side. Both provisionally OK.
void PairMismatches(const PairIndex& index, long long windowSeconds, ContestSet* set);

// Judges every pair PairMismatches made.
void JudgeMismatches(const ContestRules& rules, ContestSet* set);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_MISMATCH_H_
