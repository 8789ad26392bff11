#include "serve/sponsor_routes.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "contest/ascii_text.h"
#include "crosscheck/contest_title.h"
#include "logs/log_text.h"
#include "serve/adjudication_routes.h"
#include "serve/message_line.h"
#include "serve/page_language.h"
#include "serve/random_token.h"
#include "serve/robot_archive.h"
#include "serve/robot_pages.h"

namespace tarno::score {
namespace {

using Request = HttpRequest;
using Response = HttpResponse;

int64_t Now() { return static_cast<int64_t>(std::time(nullptr)); }

void SeeOther(Response& res, const char* where) {
  res.status = 303;
  res.SetHeader("Location", where);
}

// `why` in the request's words already.
void Forbidden(const Robot& robot, const Request& req, Response& res, const std::string& why) {
  const Catalogue& words = WordsOf(req);
  res.status = 403;
  res.SetContent(
      MessagePage(words, robot.options.title, words.Text("robot.error.refused"), why, "/sponsor"),
      kHtmlType);
}

bool Session(Robot& robot, const Request& req, SponsorSession* session) {
  return robot.auth.SessionOf(req.Header("Cookie"), Now(), session);
}

// The session of a POST whose form carries the session's CSRF token; else refused.
bool PostSession(Robot& robot, const Request& req, Response& res, SponsorSession* session) {
  if (!Session(robot, req, session)) {
    Forbidden(robot, req, res, WordsOf(req).Text("robot.sponsor.log_in_first"));
    return false;
  }
  if (!SameSecret(req.Param("csrf"), session->csrf)) {
    Forbidden(robot, req, res, WordsOf(req).Text("robot.sponsor.form_expired"));
    return false;
  }
  return true;
}

MailView MailViewOf(Robot& robot) {
  MailView view;
  view.on = robot.mail.On();
  view.counts = robot.store.CountMails();
  view.mails = robot.store.Mails(kMailsListed);
  return view;
}

int64_t PublishedRun(Robot& robot) {
  return std::atoll(robot.store.Setting("published_run").c_str());
}

// `message` in the request's words already.
std::string SponsorPageOf(Robot& robot, const Request& req, const SponsorSession& session,
                          const std::string& message) {
  SponsorView view;
  view.uploads = robot.store.Uploads();
  view.hasRun = robot.store.LatestRun(&view.run);
  view.hasFinished = robot.store.LatestFinishedRun(&view.finished);
  view.running = robot.checks.Running();
  view.publishedRun = PublishedRun(robot);
  view.adjudication = AdjudicationViewOf(robot, view.uploads, view.publishedRun);
  view.adjudication.language = WordsOf(req).language();
  view.nowUnix = Now();
  view.csrf = session.csrf;
  view.message = message;
  view.mail = MailViewOf(robot);
  return SponsorPage(WordsOf(req), robot.options.title, view);
}

// The login form, with a CSRF token of its own that a cookie repeats.
void ShowLogin(Robot& robot, const Request& req, Response& res, const std::string& message) {
  std::string token = SponsorAuth::LoginTokenOf(req.Header("Cookie"));
  if (token.empty()) {
    token = RandomHex(32);
    res.SetHeader("Set-Cookie", robot.auth.LoginCookie(token));
  }
  res.SetContent(LoginPage(WordsOf(req), robot.options.title, token, message), kHtmlType);
}

void LogIn(Robot& robot, const Request& req, Response& res) {
  const Catalogue& words = WordsOf(req);
  const std::string token = SponsorAuth::LoginTokenOf(req.Header("Cookie"));
  if (token.empty() || !SameSecret(req.Param("csrf"), token)) {
    res.status = 403;
    return ShowLogin(robot, req, res, words.Text("robot.login.expired"));
  }
  SponsorSession session;
  int64_t wait = 0;
  switch (robot.auth.Login(req.Param("password"), ClientAddress(req, robot.options), Now(),
                           &session, &wait)) {
    case LoginOutcome::kIn:
      res.SetHeader("Set-Cookie", robot.auth.SessionCookie(session.token));
      return SeeOther(res, "/sponsor");
    case LoginOutcome::kWrongPassword:
      res.status = 403;
      return ShowLogin(robot, req, res, words.Text("robot.login.wrong"));
    case LoginOutcome::kNotKept:
      res.status = 503;
      return ShowLogin(robot, req, res, words.Text("robot.login.not_kept"));
    case LoginOutcome::kTooSoon:
      res.status = 429;
      return ShowLogin(robot, req, res,
                       words.Format("robot.login.too_soon", {{"seconds", std::to_string(wait)}}));
  }
}

// Every /sponsor/ route but the login needs a session: GET goes to the login, the rest is
// refused, before any handler runs. True when it answered.
bool Guard(Robot& robot, const Request& req, Response& res) {
  if (req.path.rfind("/sponsor/", 0) != 0 || req.path == "/sponsor/login") return false;
  SponsorSession session;
  if (Session(robot, req, &session)) return false;
  if (req.method == "GET") {
    SeeOther(res, "/sponsor");
  } else {
    Forbidden(robot, req, res, WordsOf(req).Text("robot.sponsor.log_in_first"));
  }
  return true;
}

// The sponsor's forms: a few short fields, url-encoded.
BodyRule FormBody() {
  BodyRule body;
  body.kind = BodyRule::Kind::kUrlEncoded;
  body.maxBytes = 16 * 1024;
  return body;
}

void SetUpSessionRoutes(Robot& robot, HttpServer* server) {
  server->Get("/sponsor", [&robot](const Request& req, Response& res) {
    SponsorSession session;
    if (!Session(robot, req, &session)) return ShowLogin(robot, req, res, std::string());
    res.SetContent(SponsorPageOf(robot, req, session, std::string()), kHtmlType);
  });
  server->Post("/sponsor/login", FormBody(),
               [&robot](const Request& req, Response& res) { LogIn(robot, req, res); });
  server->Post("/sponsor/logout", FormBody(), [&robot](const Request& req, Response& res) {
    SponsorSession session;
    if (!PostSession(robot, req, res, &session)) return;
    robot.auth.Logout(session);
    res.SetHeader("Set-Cookie", robot.auth.ClearedSessionCookie());
    SeeOther(res, "/sponsor");
  });
}

void SetUpUploadRoutes(Robot& robot, HttpServer* server) {
  server->Get(R"(/sponsor/upload/(\d{1,18})/raw)", [&robot](const Request& req, Response& res) {
    UploadRecord upload;
    if (!robot.store.UploadById(std::atoll(req.matches[1].c_str()), &upload)) {
      res.status = 404;
      return;
    }
    res.SetHeader("Content-Disposition", "attachment; filename=\"upload-" +
                                             std::to_string(upload.id) + "." + upload.kind + "\"");
    res.SetContent(upload.bytes, "application/octet-stream");
  });
  server->Post(
      R"(/sponsor/upload/(\d{1,18})/admit)", FormBody(),
      [&robot](const Request& req, Response& res) {
        SponsorSession session;
        if (!PostSession(robot, req, res, &session)) return;
        const std::string reason = ValidUtf8(PrintableField(TrimAscii(req.Param("reason"))));
        std::string error;
        if (reason.empty() || reason.size() > 300) {
          error = MessageLine("robot.admit.no_reason");
        } else if (robot.store.AdmitLate(std::atoll(req.matches[1].c_str()), Now(), reason,
                                         &error)) {
          return SeeOther(res, "/sponsor");
        }
        res.status = 409;
        const Catalogue& words = WordsOf(req);
        res.SetContent(
            SponsorPageOf(robot, req, session,
                          words.Format("robot.admit.failed", {{"why", ShownLine(words, error)}})),
            kHtmlType);
      });
  server->Post("/sponsor/backup", FormBody(), [&robot](const Request& req, Response& res) {
    SponsorSession session;
    if (!PostSession(robot, req, res, &session)) return;
    std::string file, error;
    const std::string folder =
        (std::filesystem::path(robot.options.dataFolder) / "backups").string();
    const Catalogue& words = WordsOf(req);
    if (!robot.store.Backup(folder, &file, &error)) {
      res.status = 500;
      res.SetContent(
          SponsorPageOf(robot, req, session, words.Format("robot.backup.failed", {{"why", error}})),
          kHtmlType);
      return;
    }
    const std::string made = "backups/" + std::filesystem::path(file).filename().string();
    res.SetContent(
        SponsorPageOf(robot, req, session, words.Format("robot.backup.made", {{"file", made}})),
        kHtmlType);
  });
  server->Get("/sponsor/archive", [&robot](const Request&, Response& res) {
    std::string zip;
    if (!ZipOfLogs(robot.store.CurrentLogs(), &zip)) {
      res.status = 500;
      return;
    }
    // Named by the contest's title and year, so that the sponsor's downloads of several
    // years stay apart.
    res.SetHeader("Content-Disposition",
                  "attachment; filename=\"" + ArchiveName(robot.options.title, "logs") + "\"");
    res.SetContent(zip, "application/zip");
  });
}

void SetUpCheckRoutes(Robot& robot, HttpServer* server) {
  server->Post("/sponsor/check", FormBody(), [&robot](const Request& req, Response& res) {
    SponsorSession session;
    if (!PostSession(robot, req, res, &session)) return;
    std::string why;
    if (robot.checks.Start(Now(), &why)) return SeeOther(res, "/sponsor");
    const Catalogue& words = WordsOf(req);
    res.status = 409;
    res.SetContent(
        SponsorPageOf(robot, req, session,
                      words.Format("robot.check.not_started", {{"why", ShownLine(words, why)}})),
        kHtmlType);
  });
  server->Post("/sponsor/publish", FormBody(), [&robot](const Request& req, Response& res) {
    SponsorSession session;
    if (!PostSession(robot, req, res, &session)) return;
    RunRecord run;
    // The run whose results the sponsor looked at, else the latest that finished.
    const int64_t shown = std::atoll(req.Param("run").c_str());
    if (!(shown > 0 ? robot.store.Run(shown, &run) : robot.store.LatestFinishedRun(&run)) ||
        run.state != "finished") {
      res.status = 409;
      res.SetContent(SponsorPageOf(robot, req, session, WordsOf(req).Text("robot.publish.nothing")),
                     kHtmlType);
      return;
    }
    std::string error;
    if (!robot.store.Publish(run.id, robot.mail.ForResults(robot.store, run.id, Now()), &error)) {
      res.status = 500;
      res.SetContent(
          SponsorPageOf(robot, req, session,
                        WordsOf(req).Format("robot.publish.failed", {{"reason", error}})),
          kHtmlType);
      return;
    }
    robot.mail.Queued();
    SeeOther(res, "/sponsor");
  });
  server->Get("/sponsor/results", [&robot](const Request& req, Response& res) {
    SponsorSession session;
    RunRecord run;
    Session(robot, req, &session);
    const Catalogue& words = WordsOf(req);
    if (!robot.store.LatestFinishedRun(&run)) {
      res.SetContent(MessagePage(words, robot.options.title, words.Text("robot.results.title"),
                                 words.Text("robot.results.none"), req.path),
                     kHtmlType);
      return;
    }
    std::vector<std::pair<std::string, std::string>> reports;
    for (const std::string& name : robot.store.RunFileNames(run.id)) {
      if (name.size() < 4 || name.compare(name.size() - 4, 4, ".ubn") != 0) continue;
      std::string text;
      if (robot.store.RunFile(run.id, name, &text)) reports.emplace_back(name, text);
    }
    res.SetContent(PrivateResultsPage(words, robot.options.title, run, reports,
                                      PublishedRun(robot) == run.id, session.csrf),
                   kHtmlType);
  });
  server->Get("/sponsor/results/page", [&robot](const Request&, Response& res) {
    RunRecord run;
    if (!robot.store.LatestFinishedRun(&run)) {
      res.status = 404;
      return;
    }
    res.status = 303;
    res.SetHeader("Location", "/sponsor/runs/" + std::to_string(run.id) + "/results.html");
  });
  // Every file of a run, for the sponsor's eyes only: the pages link to each other by name.
  server->Get(R"(/sponsor/runs/(\d{1,18})/(.+))", [&robot](const Request& req, Response& res) {
    ServeRunFile(robot, std::atoll(req.matches[1].c_str()), req.matches[2], false, res);
  });
}

}  // namespace

void SetUpSponsorRoutes(Robot& robot, HttpServer* server) {
  server->SetGuard([&robot](const Request& req, Response& res) { return Guard(robot, req, res); });
  SetUpSessionRoutes(robot, server);
  SetUpUploadRoutes(robot, server);
  SetUpCheckRoutes(robot, server);
  SetUpAdjudicationRoutes(robot, server);
}

}  // namespace tarno::score
