#ifndef TARNO_TOOLS_CROSSCHECK_DECISIONS_H_
#define TARNO_TOOLS_CROSSCHECK_DECISIONS_H_

// The sponsor's last word on single lines (--decisions FILE): CSV, one decision a line,
//   call,line,verdict,reason[,comment]
// `call` the entrant's own call (any case); `line` its line as verdicts.csv names it (the
// Cabrillo file's line, an ADIF file's record); `verdict` one of verdicts.csv's verdicts;
// `reason` what the entrant is told ("decided by the sponsor: reason"); `comment` for the
// sponsor alone. A first line "call,..." is a heading; blank lines and lines starting with
// # are passed over. A program that keeps the sponsor's decisions (the log robot) writes
// this file whole and passes it on every run.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "crosscheck/contest_set.h"

namespace tarno::score {

struct Decision {
  std::string call;  // upper-cased
  uint32_t line = 0;
  Verdict verdict = Verdict::kPending;
  std::string reason;
  std::string comment;
  int fileLine = 0;  // where the decisions file says it
};

// False with "line N: reason" for a line that is no decision: too few fields, no call, a
// line that is no number, an unknown verdict, no reason.
bool ParseDecisions(std::string_view text, std::vector<Decision>* decisions, std::string* error);
bool LoadDecisions(const std::string& path, std::vector<Decision>* decisions, std::string* error);

// Sets each decided line's verdict, keeping what the cross-check said for its detail.
// False with "line N: reason" for a decision that matches no line (no used log of that
// call, no line of that number in it), a line decided twice, or one that credits a line
// that could not be read.
bool ApplyDecisions(const std::vector<Decision>& decisions, ContestSet* set, std::string* error);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_DECISIONS_H_
