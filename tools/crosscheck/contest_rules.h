#ifndef TARNO_TOOLS_CROSSCHECK_CONTEST_RULES_H_
#define TARNO_TOOLS_CROSSCHECK_CONTEST_RULES_H_

// The contest's own adjudication rules: the matching window, what each lost verdict costs
// beyond the QSO, what a mismatch costs where the logs cannot tell which side is wrong,
// what uniques are worth, and when a log is listed for the sponsor's review. The defaults
// are the cross-check's rules without a rules file.

#include <array>
#include <string>
#include <string_view>

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
  bool ListUniques() const { return uniques == Uniques::kListed; }
  bool AnyPenalty() const {
    for (double p : penalty) {
      if (p != 0) return true;
    }
    return false;
  }
};

// The verdicts that may carry a penalty.
constexpr Verdict kPenalised[] = {Verdict::kBustedCall, Verdict::kBustedExchange, Verdict::kNil,
                                  Verdict::kBandMismatch, Verdict::kModeMismatch};

// The rules file, one rule a line, "key: value", a line starting with # a comment, keys in
// any case:
//   window: 2                       the matching window in minutes (0 to 1440)
//   penalty: NIL 1                  a lost verdict's penalty, times the QSO's points (0 to
//                                   100, decimals allowed); one line per verdict
//   undecided mismatch: both lose   or: neither loses
//   uniques: credited               or: dropped, or listed (credited, listed for review)
//   review uniques: 3%              a log above this share of uniques is reviewed
//   review errors: 2                above this many times the contest's mean rate of
//                                   errors caused to others, or of busted calls
//   review gaps: yes                or: no (a partial log is reviewed)
//   review clock spread: 2          minutes
// A rule not given keeps its default. False with "line N: reason" on anything else: an
// unknown key, a bad value, a rule given twice.
bool ParseContestRules(std::string_view text, ContestRules* rules, std::string* error);

// Reads and parses the file; the reason starts with the path.
bool LoadContestRules(const std::string& path, ContestRules* rules, std::string* error);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_CONTEST_RULES_H_
