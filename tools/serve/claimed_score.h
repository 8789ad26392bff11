#ifndef TARNO_TOOLS_SERVE_CLAIMED_SCORE_H_
#define TARNO_TOOLS_SERVE_CLAIMED_SCORE_H_

// The score an upload claims, as the plug-in gives it: "tarno-score LOG" run as a child
// in a scratch folder under the data folder, its summary sheet read back. Any thread.

#include <string>

#include "serve/child_process.h"
#include "serve/serve_options.h"

namespace tarno::score {

struct ClaimedScore {
  bool scored = false;
  std::string score;  // "879*73 = 64167"'s 64167; otherwise why there is none
  std::string sheet;  // the summary sheet, lines parted by LF
};

// `kind` "cbr" or "adi" names the scratch copy; `call` is the own call, already checked.
ClaimedScore ScoreUpload(ChildProcesses& children, const ServeOptions& options,
                         const std::string& bytes, const std::string& kind,
                         const std::string& call);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_CLAIMED_SCORE_H_
