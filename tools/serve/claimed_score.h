#ifndef TARNO_TOOLS_SERVE_CLAIMED_SCORE_H_
#define TARNO_TOOLS_SERVE_CLAIMED_SCORE_H_

// The score an upload claims, as the plug-in gives it (receipt_scoring.h), and the fields
// it travels in from a scoring worker to the robot (worker_frame.h).

#include <string>

#include "serve/uncounted_qsos.h"
#include "serve/worker_frame.h"

namespace tarno::score {

struct ClaimedScore {
  bool scored = false;
  std::string score;        // "879*73 = 64167"'s 64167; otherwise why there is none
  std::string sheet;        // the summary sheet, lines parted by LF
  UncountedQsos uncounted;  // known when scored
};

Fields FieldsOf(const ClaimedScore& claimed);
// False for fields that are no answer a worker gives.
bool ClaimedScoreOf(const Fields& fields, ClaimedScore* claimed);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_CLAIMED_SCORE_H_
