#include "crosscheck/contest_set.h"

#include <algorithm>

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
    case Verdict::kBandMismatch:
      return "BAND-MISMATCH";
    case Verdict::kModeMismatch:
      return "MODE-MISMATCH";
    case Verdict::kNotInPartialLog:
      return "NOT-IN-PARTIAL-LOG";
  }
  return "?";
}

bool IsCredited(Verdict verdict, bool dropUniques) {
  return verdict == Verdict::kOk || verdict == Verdict::kNoLog ||
         verdict == Verdict::kNotInPartialLog || (verdict == Verdict::kUnique && !dropUniques);
}

bool IsLost(Verdict verdict, bool dropUniques) {
  return verdict == Verdict::kNil || verdict == Verdict::kBustedCall ||
         verdict == Verdict::kBustedExchange || verdict == Verdict::kBandMismatch ||
         verdict == Verdict::kModeMismatch || (dropUniques && verdict == Verdict::kUnique);
}

std::vector<uint32_t> RecordsInFileOrder(const ContestSet& set, const EntrantLog& log) {
  std::vector<uint32_t> records(log.qsoCount);
  for (size_t i = 0; i < log.qsoCount; ++i) records[i] = static_cast<uint32_t>(log.firstQso + i);
  const auto byLine = [&](uint32_t a, uint32_t b) { return set.qsos[a].line < set.qsos[b].line; };
  if (!std::is_sorted(records.begin(), records.end(), byLine))
    std::sort(records.begin(), records.end(), byLine);
  return records;
}

}  // namespace tarno::score
