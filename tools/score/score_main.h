#ifndef TARNO_TOOLS_SCORE_SCORE_MAIN_H_
#define TARNO_TOOLS_SCORE_SCORE_MAIN_H_

// "tarno-score LOGFILE": one entrant's log scored through the plug-in, as the logger would.

#include "score/score_options.h"

namespace tarno::score {

// Runs the command on parsed options; the exit status.
int ScoreMain(const ScoreOptions& options);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SCORE_SCORE_MAIN_H_
