#ifndef TARNO_TOOLS_SERVE_ROBOT_ROUTES_H_
#define TARNO_TOOLS_SERVE_ROBOT_ROUTES_H_

// The robot's HTTP side: what each route does, over the store, the sponsor's
// authentication, the scoring children and the cross-check runner. Every /sponsor/ route
// but the login refuses a request without a session (303 to /sponsor for GET, 403
// otherwise), and every POST there needs the session's CSRF token.

#include "serve/check_runner.h"
#include "serve/http_server.h"
#include "serve/published_files.h"
#include "serve/child_process.h"
#include "serve/robot_mail.h"
#include "serve/robot_store.h"
#include "serve/scoring_pool.h"
#include "serve/serve_options.h"
#include "serve/sponsor_auth.h"
#include "serve/upload_quota.h"
#include "serve/wanted_logs.h"

namespace tarno::score {

struct Robot {
  const ServeOptions& options;
  RobotStore& store;
  SponsorAuth& auth;
  ChildProcesses& children;
  ScoringPool& scoring;
  CheckRunner& checks;
  PublishedFiles& published;
  UploadQuota& quota;
  RobotMail& mail;
  WantedLogs& wanted;
};

// The largest log taken, and the largest request body read (the form around the log).
constexpr size_t kLargestLog = 10 * 1024 * 1024;
constexpr size_t kLargestBody = kLargestLog + 64 * 1024;

// The server's limits from the command line.
HttpLimits LimitsOf(const ServeOptions& options);

// Sets up the routes, the answer headers and the pages of the server's own refusals.
// `robot` must outlive the server.
void SetUpRoutes(Robot& robot, HttpServer* server);

// The client's address, for the upload limit and the login delay: behind a TLS reverse
// proxy (--behind-tls) the one the proxy names last in X-Forwarded-For.
std::string ClientAddress(const HttpRequest& req, const ServeOptions& options);

constexpr char kHtmlType[] = "text/html; charset=utf-8";

// Answers with the file `name` of the cross-check run `run`, typed by its name; 404 when the
// run has no such file or, for the `published` results, when no page of them links to it.
void ServeRunFile(Robot& robot, int64_t run, const std::string& name, bool published,
                  HttpResponse& res);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_ROBOT_ROUTES_H_
