#include <io.h>

#include <cstdio>

#include "replay/progress.h"

namespace tarno::score {

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

}  // namespace tarno::score
