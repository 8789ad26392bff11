#include "serve/sponsor_routes.h"

#include <cstdlib>
#include <ctime>

#include "serve/random_token.h"
#include "serve/robot_archive.h"
#include "serve/robot_pages.h"

namespace tarno::score {
namespace {

using httplib::Request;
using httplib::Response;

int64_t Now() { return static_cast<int64_t>(std::time(nullptr)); }

void SeeOther(Response& res, const char* where) {
  res.status = 303;
  res.set_header("Location", where);
}

void Forbidden(Response& res, const std::string& why) {
  res.status = 403;
  res.set_content(MessagePage("Refused", why), kHtmlType);
}

bool Session(Robot& robot, const Request& req, SponsorSession* session) {
  return robot.auth.SessionOf(req.get_header_value("Cookie"), Now(), session);
}

// The session of a POST whose form carries the session's CSRF token; else refused.
bool PostSession(Robot& robot, const Request& req, Response& res, SponsorSession* session) {
  if (!Session(robot, req, session)) {
    Forbidden(res, "Log in first.");
    return false;
  }
  if (!SameSecret(req.get_param_value("csrf"), session->csrf)) {
    Forbidden(res, "The form has expired or did not come from this site: reload the page.");
    return false;
  }
  return true;
}

int64_t PublishedRun(Robot& robot) {
  return std::atoll(robot.store.Setting("published_run").c_str());
}

std::string SponsorPageOf(Robot& robot, const SponsorSession& session, const std::string& message) {
  SponsorView view;
  view.uploads = robot.store.Uploads();
  view.hasRun = robot.store.LatestRun(&view.run);
  view.hasFinished = robot.store.LatestFinishedRun(&view.finished);
  view.running = robot.checks.Running();
  view.publishedRun = PublishedRun(robot);
  view.nowUnix = Now();
  view.csrf = session.csrf;
  view.message = message;
  return SponsorPage(view);
}

// The login form, with a CSRF token of its own that a cookie repeats.
void ShowLogin(Robot& robot, const Request& req, Response& res, const std::string& message) {
  std::string token = SponsorAuth::LoginTokenOf(req.get_header_value("Cookie"));
  if (token.empty()) {
    token = RandomHex(32);
    res.set_header("Set-Cookie", robot.auth.LoginCookie(token));
  }
  res.set_content(LoginPage(token, message), kHtmlType);
}

void LogIn(Robot& robot, const Request& req, Response& res) {
  const std::string token = SponsorAuth::LoginTokenOf(req.get_header_value("Cookie"));
  if (token.empty() || !SameSecret(req.get_param_value("csrf"), token)) {
    res.status = 403;
    return ShowLogin(robot, req, res, "The form has expired: log in again.");
  }
  SponsorSession session;
  int64_t wait = 0;
  switch (robot.auth.Login(req.get_param_value("password"), ClientAddress(req, robot.options),
                           Now(), &session, &wait)) {
    case LoginOutcome::kIn:
      res.set_header("Set-Cookie", robot.auth.SessionCookie(session.token));
      return SeeOther(res, "/sponsor");
    case LoginOutcome::kWrongPassword:
      res.status = 403;
      return ShowLogin(robot, req, res, "Wrong password.");
    case LoginOutcome::kTooSoon:
      res.status = 429;
      return ShowLogin(
          robot, req, res,
          "Too many failed logins: wait " + std::to_string(wait) + " s before the next try.");
  }
}

// Every /sponsor/ route but the login needs a session: GET goes to the login, the rest is
// refused, before any handler runs.
httplib::Server::HandlerResponse Guard(Robot& robot, const Request& req, Response& res) {
  if (req.path.rfind("/sponsor/", 0) != 0 || req.path == "/sponsor/login")
    return httplib::Server::HandlerResponse::Unhandled;
  SponsorSession session;
  if (Session(robot, req, &session)) return httplib::Server::HandlerResponse::Unhandled;
  if (req.method == "GET" || req.method == "HEAD") {
    SeeOther(res, "/sponsor");
  } else {
    Forbidden(res, "Log in first.");
  }
  return httplib::Server::HandlerResponse::Handled;
}

void SetUpSessionRoutes(Robot& robot, httplib::Server* server) {
  server->Get("/sponsor", [&robot](const Request& req, Response& res) {
    SponsorSession session;
    if (!Session(robot, req, &session)) return ShowLogin(robot, req, res, std::string());
    res.set_content(SponsorPageOf(robot, session, std::string()), kHtmlType);
  });
  server->Post("/sponsor/login",
               [&robot](const Request& req, Response& res) { LogIn(robot, req, res); });
  server->Post("/sponsor/logout", [&robot](const Request& req, Response& res) {
    SponsorSession session;
    if (!PostSession(robot, req, res, &session)) return;
    robot.auth.Logout(session);
    res.set_header("Set-Cookie", robot.auth.ClearedSessionCookie());
    SeeOther(res, "/sponsor");
  });
}

void SetUpUploadRoutes(Robot& robot, httplib::Server* server) {
  server->Get(R"(/sponsor/upload/(\d{1,18})/raw)", [&robot](const Request& req, Response& res) {
    UploadRecord upload;
    if (!robot.store.UploadById(std::atoll(req.matches[1].str().c_str()), &upload)) {
      res.status = 404;
      return;
    }
    res.set_header("Content-Disposition", "attachment; filename=\"upload-" +
                                              std::to_string(upload.id) + "." + upload.kind + "\"");
    res.set_content(upload.bytes, "application/octet-stream");
  });
  server->Get("/sponsor/archive", [&robot](const Request&, Response& res) {
    std::string zip;
    if (!ZipOfLogs(robot.store.CurrentLogs(), &zip)) {
      res.status = 500;
      return;
    }
    res.set_header("Content-Disposition", "attachment; filename=\"tarno-logs.zip\"");
    res.set_content(zip, "application/zip");
  });
}

void SetUpCheckRoutes(Robot& robot, httplib::Server* server) {
  server->Post("/sponsor/check", [&robot](const Request& req, Response& res) {
    SponsorSession session;
    if (!PostSession(robot, req, res, &session)) return;
    std::string why;
    if (robot.checks.Start(Now(), &why)) return SeeOther(res, "/sponsor");
    res.status = 409;
    res.set_content(SponsorPageOf(robot, session, "The check was not started: " + why), kHtmlType);
  });
  server->Post("/sponsor/publish", [&robot](const Request& req, Response& res) {
    SponsorSession session;
    if (!PostSession(robot, req, res, &session)) return;
    RunRecord run;
    // The run whose results the sponsor looked at, else the latest that finished.
    const int64_t shown = std::atoll(req.get_param_value("run").c_str());
    if (!(shown > 0 ? robot.store.Run(shown, &run) : robot.store.LatestFinishedRun(&run)) ||
        run.state != "finished") {
      res.status = 409;
      res.set_content(SponsorPageOf(robot, session, "Nothing to publish: no check has finished."),
                      kHtmlType);
      return;
    }
    robot.store.SetSetting("published_run", std::to_string(run.id));
    SeeOther(res, "/sponsor");
  });
  server->Get("/sponsor/results", [&robot](const Request& req, Response& res) {
    SponsorSession session;
    RunRecord run;
    Session(robot, req, &session);
    if (!robot.store.LatestFinishedRun(&run)) {
      res.set_content(MessagePage("Results", "No check has finished yet."), kHtmlType);
      return;
    }
    std::vector<std::pair<std::string, std::string>> reports;
    for (const std::string& name : robot.store.RunFileNames(run.id)) {
      if (name.size() < 4 || name.compare(name.size() - 4, 4, ".ubn") != 0) continue;
      std::string text;
      if (robot.store.RunFile(run.id, name, &text)) reports.emplace_back(name, text);
    }
    res.set_content(PrivateResultsPage(run, reports, PublishedRun(robot) == run.id, session.csrf),
                    kHtmlType);
  });
  server->Get("/sponsor/results/page", [&robot](const Request&, Response& res) {
    RunRecord run;
    std::string page;
    if (!robot.store.LatestFinishedRun(&run) ||
        !robot.store.RunFile(run.id, "results.html", &page)) {
      res.status = 404;
      return;
    }
    res.set_content(page, kHtmlType);
  });
}

}  // namespace

void SetUpSponsorRoutes(Robot& robot, httplib::Server* server) {
  server->set_pre_routing_handler(
      [&robot](const Request& req, Response& res) { return Guard(robot, req, res); });
  SetUpSessionRoutes(robot, server);
  SetUpUploadRoutes(robot, server);
  SetUpCheckRoutes(robot, server);
}

}  // namespace tarno::score
