#ifndef TARNO_TOOLS_CROSSCHECK_CROSSCHECK_MAIN_H_
#define TARNO_TOOLS_CROSSCHECK_CROSSCHECK_MAIN_H_

// "tarno-score crosscheck": the contest sponsor's side, checking every entrant's log
// against the others.

#include <string>
#include <vector>

#include "crosscheck/certificate.h"

namespace tarno::score {

// Runs the command on its arguments (those after "crosscheck"); the exit status. The
// certificates are drawn by `certificates`, which lives apart from the rest (cairo and
// pango, Linux only); null where the program has none.
int CrosscheckMain(const std::vector<std::string>& args, CertificateWriter certificates);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_CROSSCHECK_MAIN_H_
