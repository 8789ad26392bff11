#ifndef TARNO_TOOLS_CROSSCHECK_CROSSCHECK_MAIN_H_
#define TARNO_TOOLS_CROSSCHECK_CROSSCHECK_MAIN_H_

// "tarno-score crosscheck": the contest sponsor's side, checking every entrant's log
// against the others.

#include <string>
#include <vector>

namespace tarno::score {

// Runs the command on its arguments (those after "crosscheck"); the exit status.
int CrosscheckMain(const std::vector<std::string>& args);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_CROSSCHECK_MAIN_H_
