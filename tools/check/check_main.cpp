#include "check/check_main.h"

#include <cstdio>
#include <vector>

#include "logs/cabrillo_check.h"
#include "logs/log_file.h"
#include "logs/log_text.h"

namespace tarno::score {

int CheckMain(const std::string& path) {
  std::string text;
  std::string error;
  if (!ReadRegularFile(path, &text, &error)) {
    std::fprintf(stderr, "tarno-score: %s\n", error.c_str());
    return 1;
  }
  const TextDecoding decoding = DecodeLogText(&text);
  std::vector<CabrilloProblem> problems = CheckCabrillo(text);
  // Said first, as it holds for every line after it; bytes that made no character are a
  // fault of the file, a conversion alone is not.
  if (!decoding.note.empty()) {
    problems.insert(problems.begin(),
                    {0, (decoding.damaged ? "" : "note: ") + decoding.note, !decoding.damaged});
  }
  std::printf("%s: %s\n", path.c_str(), FormatProblems(problems).c_str());
  return IsSound(problems) ? 0 : 1;
}

}  // namespace tarno::score
