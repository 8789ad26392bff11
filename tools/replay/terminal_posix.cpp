#include <unistd.h>

#include <cstdio>

#include "replay/progress.h"

namespace tarno::score {

bool StderrIsTerminal() { return isatty(fileno(stderr)) == 1; }

}  // namespace tarno::score
