#include "check/check_main.h"

#include <cstdio>
#include <vector>

#include "logs/cabrillo_check.h"
#include "logs/log_file.h"

namespace tarno::score {

int CheckMain(const std::string& path) {
  std::string text;
  std::string error;
  if (!ReadRegularFile(path, &text, &error)) {
    std::fprintf(stderr, "tarno-score: %s\n", error.c_str());
    return 1;
  }
  const std::vector<CabrilloProblem> problems = CheckCabrillo(text);
  std::printf("%s: %s\n", path.c_str(), FormatProblems(problems).c_str());
  return IsSound(problems) ? 0 : 1;
}

}  // namespace tarno::score
