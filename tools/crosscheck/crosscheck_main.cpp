#include "crosscheck/crosscheck_main.h"

#include <cstdio>

namespace tarno::score {

int CrosscheckMain(const std::vector<std::string>& /*args*/) {
  std::fprintf(stderr, "tarno-score crosscheck: not built yet\n");
  return 2;
}

}  // namespace tarno::score
