#ifndef TARNO_TOOLS_CROSSCHECK_PARTIAL_LOG_H_
#define TARNO_TOOLS_CROSSCHECK_PARTIAL_LOG_H_

// A log that lost a stretch (a crash, a file cut short, a second computer's QSOs left out)
// would hand a NIL to everyone it worked then. A stretch of at least 15 minutes in which
// the log holds no QSO at all, while at least four other logs hold at least four QSOs
// with it that match nothing, at least half the rate at which its log holds QSOs
// elsewhere, is taken as lost: those lines are NOT-IN-PARTIAL-LOG (credited), and the log
// records the stretch for its report and the sponsor. A stretch before its first QSO or
// after its last reaches from or to the other logs' lines in it.

#include "crosscheck/contest_set.h"

namespace tarno::score {

// Of the lines still pending whose worked station sent a log.
void FindMissingStretches(ContestSet* set);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_PARTIAL_LOG_H_
