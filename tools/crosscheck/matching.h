#ifndef TARNO_TOOLS_CROSSCHECK_MATCHING_H_
#define TARNO_TOOLS_CROSSCHECK_MATCHING_H_

// The cross-check proper: every QSO line still pending after the plug-in's admission
// (not DUPE, OUTSIDE or INVALID) is matched against the other logs, at the logs'
// corrected clocks, in three passes. The period is judged per side: passes 1 and 2 each
// match the lines inside the period first, then those left with the other side's OUTSIDE
// lines, which keep their verdict while the side inside is judged as if both were inside
// (two OUTSIDE lines are never matched with each other).
//  1. exact: the worked station's log holds a QSO with this station on the same band and
//     mode within the window; both sides are OK, or BUSTED-EXCHANGE for a side whose
//     received exchange differs from what the other side says it sent;
//  2. busted call: of the lines left, one whose worked call has no such partner, while a
//     station with a call close to it (at most two characters inserted, removed or
//     changed) logged this station then, is BUSTED-CALL; that station's line is matched
//     to it and stays OK unless it copied the exchange wrong;
//  3. the rest: NIL when the worked station sent a log (with what that log holds instead,
//     when it has an unmatched line with this station), NO-LOG when it sent none but is in
//     two or more logs, UNIQUE when it is in this log only.
// Each line is matched at most once: in pass 1 the two sides in time order, in pass 2 the
// closest call, then the nearest in time.

#include <string_view>

#include "crosscheck/contest_set.h"
#include "crosscheck/pair_index.h"

namespace tarno::score {

void MatchQsos(const PairIndex& index, int windowMinutes, ContestSet* set);

// Whether an exchange received is the one sent: serials as numbers ("007" is 7), anything
// else as a county code (upper case, blanks at the ends ignored).
bool SameExchange(std::string_view received, std::string_view sent);

// The Levenshtein distance of two calls, or `limit` + 1 once it is certain to exceed it.
int CallDistance(std::string_view a, std::string_view b, int limit);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_MATCHING_H_
