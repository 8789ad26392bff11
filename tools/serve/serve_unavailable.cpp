// The Windows build has no robot: it is a server for a Linux machine.

#include <cstdio>

#include "serve/serve_main.h"

namespace tarno::score {

int ServeMain(const std::vector<std::string>&) {
  std::fprintf(stderr, "tarno-score: the serve command is not in this build (Linux only)\n");
  return 2;
}

}  // namespace tarno::score
