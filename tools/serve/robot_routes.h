#ifndef TARNO_TOOLS_SERVE_ROBOT_ROUTES_H_
#define TARNO_TOOLS_SERVE_ROBOT_ROUTES_H_

// The robot's HTTP side: what each route does, over the store, the sponsor's
// authentication, the scoring children and the cross-check runner. Every /sponsor/ route
// but the login refuses a request without a session (303 to /sponsor for GET, 403
// otherwise), and every POST there needs the session's CSRF token.

#include <httplib.h>

#include "serve/check_runner.h"
#include "serve/child_process.h"
#include "serve/robot_store.h"
#include "serve/scoring_pool.h"
#include "serve/serve_options.h"
#include "serve/sponsor_auth.h"

namespace tarno::score {

struct Robot {
  const ServeOptions& options;
  RobotStore& store;
  SponsorAuth& auth;
  ChildProcesses& children;
  ScoringPool& scoring;
  CheckRunner& checks;
};

// The largest log taken, and the largest request body read (the form around the log).
constexpr size_t kLargestLog = 10 * 1024 * 1024;
constexpr size_t kLargestBody = kLargestLog + 64 * 1024;

// Sets up the routes, the limits (body size, timeouts, threads) and the answer headers.
// `robot` must outlive the server.
void SetUpRoutes(Robot& robot, httplib::Server* server);

// The client's address, for the upload limit and the login delay: behind a TLS reverse
// proxy (--behind-tls) the one the proxy names last in X-Forwarded-For.
std::string ClientAddress(const httplib::Request& req, const ServeOptions& options);

constexpr char kHtmlType[] = "text/html; charset=utf-8";

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_ROBOT_ROUTES_H_
