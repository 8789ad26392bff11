#ifndef TARNO_TOOLS_CROSSCHECK_CONTEST_PERIOD_H_
#define TARNO_TOOLS_CROSSCHECK_CONTEST_PERIOD_H_

// The contest period that decides OUTSIDE, in seconds since 1899-12-30 UTC, both ends
// included.

#include <string>

#include "crosscheck/contest_set.h"

namespace tarno::score {

struct ContestPeriod {
  long long startSeconds = 0;
  long long endSeconds = 0;
  std::string how;    // how it was decided, for the sponsor
  bool open = false;  // no QSO to set it by: every time is inside
};

// "YYYY-MM-DD", "YYYY-MM-DD HHMM", "YYYY-MM-DD HH:MM" or "YYYY-MM-DDTHH:MM"; a bare date
// is the day's first second, or its last for the end of the period. False when the text
// is none of these or no calendar date.
bool ParsePeriodTime(const std::string& text, bool end, long long* seconds);

// Without --start and --end: the whole UTC days that hold at least a tenth as many QSOs
// as the busiest day, from the first such day to the last, counted over every readable
// QSO of the used logs at its corrected time. A stray QSO a day early or late is then
// outside, while a contest over two days keeps both.
ContestPeriod DefaultPeriod(const ContestSet& set);

// "2026-03-07 0000" of seconds since 1899-12-30.
std::string FormatSeconds(long long seconds);

// "2026-03-07 0000 to 2026-03-07 2359 UTC", or "none (no QSO in any log)".
std::string PeriodText(const ContestPeriod& period);

// The seconds of a record at the corrected clock of its log.
long long CorrectedSeconds(const ContestSet& set, const QsoRecord& qso);

// The index in ContestSet::qsos of the log's first record at `correctedSeconds` or later
// (one past its last when none): a log's records are in time order, and a corrected clock
// keeps that order.
size_t FirstRecordFrom(const ContestSet& set, const EntrantLog& log, long long correctedSeconds);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_CONTEST_PERIOD_H_
