#ifndef TARNO_TOOLS_CHECK_CHECK_MAIN_H_
#define TARNO_TOOLS_CHECK_CHECK_MAIN_H_

// "tarno-score check FILE.cbr": a Cabrillo 3.0 file tested as a log robot would.

#include <string>

namespace tarno::score {

// Prints every problem with its line number; the exit status (0 sound, 1 not).
int CheckMain(const std::string& path);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CHECK_CHECK_MAIN_H_
