#include "crosscheck/contest_set.h"

#include <cmath>

namespace tarno::score {

const char* VerdictName(Verdict verdict) {
  switch (verdict) {
    case Verdict::kPending:
      return "PENDING";
    case Verdict::kOk:
      return "OK";
    case Verdict::kBustedCall:
      return "BUSTED-CALL";
    case Verdict::kBustedExchange:
      return "BUSTED-EXCHANGE";
    case Verdict::kNil:
      return "NIL";
    case Verdict::kUnique:
      return "UNIQUE";
    case Verdict::kNoLog:
      return "NO-LOG";
    case Verdict::kDupe:
      return "DUPE";
    case Verdict::kOutside:
      return "OUTSIDE";
    case Verdict::kInvalid:
      return "INVALID";
  }
  return "?";
}

bool IsCredited(Verdict verdict, bool dropUniques) {
  return verdict == Verdict::kOk || verdict == Verdict::kNoLog ||
         (verdict == Verdict::kUnique && !dropUniques);
}

long long SecondsOf(double oleDays) { return std::llround(oleDays * 86400.0); }

}  // namespace tarno::score
