#include <io.h>

#include <cstdio>

#include "progress.h"

namespace tarno::score {

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

}  // namespace tarno::score
