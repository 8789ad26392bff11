#ifndef TARNO_TOOLS_SERVE_SERVE_MAIN_H_
#define TARNO_TOOLS_SERVE_SERVE_MAIN_H_

// "tarno-score serve": the log robot. Entrants upload their logs and get a receipt at
// once; the sponsor collects, runs the cross-check and publishes.

#include <string>
#include <vector>

namespace tarno::score {

// Runs the robot on its arguments (those after "serve") until SIGTERM or SIGINT; the
// exit status: 0 after a clean stop, 1 when it could not start, 2 on a bad command line.
int ServeMain(const std::vector<std::string>& args);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_SERVE_MAIN_H_
