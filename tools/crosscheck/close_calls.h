#ifndef TARNO_TOOLS_CROSSCHECK_CLOSE_CALLS_H_
#define TARNO_TOOLS_CROSSCHECK_CLOSE_CALLS_H_

// The steps of the cross-check that look for calls close to a logged one (two characters
// changed, added or lost), through CallNeighbours rather than comparing every call: two
// lines that busted each other's call, and the calls a unique line may have meant.

#include <cstdint>
#include <unordered_map>

#include "crosscheck/contest_set.h"

namespace tarno::score {

// For each worked call that sent no log: how many logs hold it among their lines still
// pending.
struct NoLogCall {
  uint32_t lastLog;
  int logs;
};
using NoLogCalls = std::unordered_map<uint32_t, NoLogCall>;
NoLogCalls CountNoLogCalls(const ContestSet& set);

// Of the pending lines whose worked call is in no other log:
//  - two at one time (within the window), band and mode, each of whose worked call is
//    within two characters of the other line's station, and at least one of which copied
//    the other's exchange, are one QSO busted by both: BUSTED-CALL, each naming the other
//    station. Of several candidates, the one whose exchanges agree with this line's both
//    ways, then the closest calls, then the nearest in time;
//  - then one that a line of a station within two characters of its worked call holds,
//    though the plug-in took that line for a repeat or refused it (the same call, band and
//    mode, within the window), is BUSTED-CALL, that line its partner.
void MatchCloseCalls(long long windowSeconds, const NoLogCalls& noLog, ContestSet* set);

// Adds to each UNIQUE line's note the calls of the contest within two characters of its
// worked call that were active on its band and mode within 10 minutes of it (the logs'
// stations by their own lines, and stations without a log by the other logs' lines): the
// five closest, then by call.
void NameLikelyCalls(const NoLogCalls& noLog, ContestSet* set);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_CLOSE_CALLS_H_
