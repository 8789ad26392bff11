#ifndef TARNO_TESTS_TOOLS_RUN_COMMAND_H_
#define TARNO_TESTS_TOOLS_RUN_COMMAND_H_

// The tools as an operator runs them: a shell command line, its exit status, and what it
// printed on standard output and standard error together.

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace tarno::testing {

// The exit status (-1 when the program did not exit), with both outputs in `output`.
inline int RunCommand(const std::string& command, std::string* output) {
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  output->clear();
  if (!pipe) return -1;
  char buffer[4096];
  for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output->append(buffer, got);
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace tarno::testing

#endif  // TARNO_TESTS_TOOLS_RUN_COMMAND_H_
