#include "serve/claimed_score.h"

namespace tarno::score {

Fields FieldsOf(const ClaimedScore& claimed) {
  return {claimed.scored ? "scored" : "not scored", claimed.score, claimed.sheet};
}

bool ClaimedScoreOf(const Fields& fields, ClaimedScore* claimed) {
  if (fields.size() != 3 || (fields[0] != "scored" && fields[0] != "not scored")) return false;
  claimed->scored = fields[0] == "scored";
  claimed->score = fields[1];
  claimed->sheet = fields[2];
  return true;
}

}  // namespace tarno::score
