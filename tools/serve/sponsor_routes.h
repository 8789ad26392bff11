#ifndef TARNO_TOOLS_SERVE_SPONSOR_ROUTES_H_
#define TARNO_TOOLS_SERVE_SPONSOR_ROUTES_H_

// The sponsor's routes under /sponsor: login and logout, the list of uploads, raw bytes
// and the archive, the cross-check, the private results and publishing.

#include "serve/robot_routes.h"

namespace tarno::score {

void SetUpSponsorRoutes(Robot& robot, HttpServer* server);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_SPONSOR_ROUTES_H_
