#include "serve/claimed_score.h"

#include <cstdlib>

namespace tarno::score {
namespace {

bool Count(const std::string& text, int64_t* count) {
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  *count = std::strtoll(text.c_str(), nullptr, 10);
  return true;
}

}  // namespace

Fields FieldsOf(const ClaimedScore& claimed) {
  const UncountedQsos& uncounted = claimed.uncounted;
  return {claimed.scored ? "scored" : "not scored",
          claimed.score,
          claimed.sheet,
          std::to_string(uncounted.inLog),
          std::to_string(uncounted.notRead),
          std::to_string(uncounted.outside),
          std::to_string(uncounted.refused),
          std::to_string(uncounted.dupes),
          uncounted.listed,
          uncounted.period};
}

bool ClaimedScoreOf(const Fields& fields, ClaimedScore* claimed) {
  if (fields.size() != 10 || (fields[0] != "scored" && fields[0] != "not scored")) return false;
  UncountedQsos& uncounted = claimed->uncounted;
  if (!Count(fields[3], &uncounted.inLog) || !Count(fields[4], &uncounted.notRead) ||
      !Count(fields[5], &uncounted.outside) || !Count(fields[6], &uncounted.refused) ||
      !Count(fields[7], &uncounted.dupes)) {
    return false;
  }
  claimed->scored = fields[0] == "scored";
  claimed->score = fields[1];
  claimed->sheet = fields[2];
  uncounted.listed = fields[8];
  uncounted.period = fields[9];
  return true;
}

}  // namespace tarno::score
