#ifndef TARNO_TOOLS_CROSSCHECK_MATCHING_H_
#define TARNO_TOOLS_CROSSCHECK_MATCHING_H_

// The cross-check proper: every QSO line still pending after the plug-in's admission
// (not DUPE, OUTSIDE or INVALID) is matched against the other logs, at the logs'
// corrected clocks. The period is judged per side: a pass matches the lines inside the
// period first, then those left with the other side's OUTSIDE lines, which keep their
// verdict while the side inside is judged as if both were inside (two OUTSIDE lines are
// never matched with each other). In order:
//  1. exact: the worked station's log holds a QSO with this station on the same band and
//     mode within the window;
//  2. mismatches: it holds one within the window on another band, or in another mode
//     (mismatch.h judges which side is shown wrong);
//  3. what each log's partners copied from it, where its sent column says otherwise
//     (sent_exchange.h);
//  4. busted call: of the lines left, one whose worked call has no such partner, while a
//     station with a call close to it (at most two characters inserted, removed or
//     changed) logged this station then, is BUSTED-CALL; that station's line is matched
//     to it and stays OK unless it copied the exchange wrong;
//  5. mutual busts: two lines at one time, band and mode, each within two characters of
//     the other station's call, are one QSO busted by both (close_calls.h);
//  6. a line of the worked station's log that the plug-in took for a repeat (DUPE), or
//     that was refused (INVALID), still holds the QSO: the other side keeps it;
//  7. a log with a stretch missing (partial_log.h): the lines in it are NOT-IN-PARTIAL-LOG;
//  8. the rest: NIL when the worked station sent a log (with what that log holds instead,
//     when it has an unmatched line with this station), NO-LOG when it sent none but is in
//     two or more logs, UNIQUE when it is in this log only (with the calls close to it
//     that were active then);
//  9. each side of a matched QSO whose received exchange is not what the other side sent,
//     as its partners copied it, is BUSTED-EXCHANGE.
// Each line is matched at most once: in pass 1 the two sides in time order, in pass 4 the
// line whose exchange agrees, then the closest call, then the nearest in time.

#include <string>
#include <string_view>

#include "crosscheck/contest_rules.h"
#include "crosscheck/contest_set.h"
#include "crosscheck/pair_index.h"

namespace tarno::score {

void MatchQsos(const PairIndex& index, const ContestRules& rules, ContestSet* set);

// Whether an exchange received is the one sent: serials as numbers ("007" is 7), anything
// else as a county code (upper case, blanks at the ends ignored).
bool SameExchange(std::string_view received, std::string_view sent);

// The Levenshtein distance of two calls, or `limit` + 1 once it is certain to exceed it.
int CallDistance(std::string_view a, std::string_view b, int limit);

// Whether a line may still be matched: no partner, pending, or (`withOutside`) OUTSIDE.
bool Matchable(const QsoRecord& qso, bool withOutside);

// Sets the verdict unless the line is OUTSIDE, which it keeps.
void Judge(QsoRecord* qso, Verdict verdict);

// Makes two lines each other's partner, found by `how`.
void Pair(ContestSet* set, uint32_t a, uint32_t b, MatchKind how);

// "its line 17", "its record 17": how a partner's line is named.
std::string ItsLine(const ContestSet& set, const QsoRecord& qso);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_MATCHING_H_
