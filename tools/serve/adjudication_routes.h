#ifndef TARNO_TOOLS_SERVE_ADJUDICATION_ROUTES_H_
#define TARNO_TOOLS_SERVE_ADJUDICATION_ROUTES_H_

// The sponsor's review and decisions in the robot:
//   GET  /sponsor/review                  the latest finished check's logs to review
//   GET  /sponsor/decisions               every decision, and the form (call= and line=
//                                         fill it in)
//   POST /sponsor/decisions               decides a line: call, line, verdict, reason,
//                                         comment; from= names the page to go back to
//   POST /sponsor/decisions/N/undo        withdraws decision N; it stays listed
// A decision is checked at once against the latest finished check's verdicts.csv and
// refused (409, with the reason) where that check has no such line or the line could not
// be read; a check that still refuses one fails with the cross-check's own message.
// Every POST needs the session's CSRF token.

#include <vector>

#include "serve/adjudication_pages.h"
#include "serve/http_server.h"
#include "serve/robot_routes.h"

namespace tarno::score {

void SetUpAdjudicationRoutes(Robot& robot, HttpServer* server);

// What the sponsor page shows of the rules, the review, the decisions and the wanted logs.
AdjudicationView AdjudicationViewOf(Robot& robot, const std::vector<UploadRecord>& uploads,
                                    int64_t publishedRun);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_ADJUDICATION_ROUTES_H_
