#ifndef TARNO_TOOLS_CROSSCHECK_SENT_EXCHANGE_H_
#define TARNO_TOOLS_CROSSCHECK_SENT_EXCHANGE_H_

// What a station sent is what its partners copied, where its log's sent column says
// otherwise and nearly all of them copied the same: a log whose column says SO while every
// partner copied PE, or whose serials are all one off what was copied, loses nothing for
// its column, and its partners keep what they copied right.

#include <string>
#include <string_view>

#include "crosscheck/contest_set.h"

namespace tarno::score {

// Sets each used log's sentFix from its QSOs matched so far (the same QSO in both logs,
// on the same band and mode or not): where at least 5 of its partners' lines are judged
// and at least three quarters of them copied the same other county, or serials that differ
// from the column by the same number.
void FindSentFixes(ContestSet* set);

// What the line sent, as its log's partners copied it: its sent column, or the fix.
std::string SentAsCopied(const ContestSet& set, const QsoRecord& sent);

// Whether the line `receiver` received what the line `sent` sent (SentAsCopied;
// SameExchange).
bool ReceivedAsSent(const ContestSet& set, const QsoRecord& receiver, const QsoRecord& sent);

// The sentence the log's report gives its fix; empty without one.
std::string SentFixText(const ContestSet& set, const EntrantLog& log);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_SENT_EXCHANGE_H_
