#ifndef TARNO_TOOLS_CROSSCHECK_CONTEST_RULES_H_
#define TARNO_TOOLS_CROSSCHECK_CONTEST_RULES_H_

// The contest's own adjudication rules: the matching window, what each lost verdict costs
// beyond the QSO, what a mismatch costs where the logs cannot tell which side is wrong,
// what uniques are worth, and when a log is listed for the sponsor's review. The defaults
// are the cross-check's rules without a rules file.

#include <array>
#include <string>

#include "crosscheck/contest_set.h"

namespace tarno::score {

struct ContestRules {
  int windowMinutes = 5;
  // Per verdict: the penalty, as a multiple of the lost QSO's points, taken from the
  // points on top of the QSO itself.
  std::array<double, kVerdictCount> penalty{};
  // A band or mode mismatch that the logs cannot settle: both sides lose the QSO, or
  // neither does.
  bool undecidedBothLose = true;
  enum class Uniques { kCredited, kDropped, kListed };
  Uniques uniques = Uniques::kCredited;  // kListed: credited, and listed for review
  // A log is listed for review above any of these.
  double reviewUniquePercent = 3.0;
  double reviewErrorFactor = 2.0;  // times the contest's mean rate of errors caused
  bool reviewGaps = true;          // a missing stretch (a partial log)
  int reviewClockSpreadSeconds = 120;

  bool DropUniques() const { return uniques == Uniques::kDropped; }
  bool AnyPenalty() const {
    for (double p : penalty) {
      if (p != 0) return true;
    }
    return false;
  }
};

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_CONTEST_RULES_H_
