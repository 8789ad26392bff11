#include "serve/robot_routes.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <optional>
#include <set>

#include "cabrillo/cabrillo_log.h"
#include "contest/ascii_text.h"
#include "logs/log_text.h"
#include "serve/claimed_score.h"
#include "serve/log_intake.h"
#include "serve/published_files.h"
#include "serve/random_token.h"
#include "serve/robot_pages.h"
#include "serve/sponsor_routes.h"

namespace tarno::score {
namespace {

constexpr size_t kLongestEmail = 200;
constexpr const char* kHtml = kHtmlType;

int64_t Now() { return static_cast<int64_t>(std::time(nullptr)); }

void Refuse(HttpResponse& res, int status, const std::vector<std::string>& reasons) {
  res.status = status;
  res.SetContent(RefusalPage(reasons), kHtml);
}

std::string TooLargeReason() {
  return "over 10 MB: the robot takes logs of at most 10 MB (" + std::to_string(kLargestLog) +
         " bytes)";
}

UploadRecord RecordOf(const Intake& intake, const std::string& email, const std::string& address,
                      int64_t now, const ServeOptions& options) {
  UploadRecord upload;
  upload.receivedUnix = now;
  upload.address = address;
  // One byte more than an address may have is kept, so that a longer one is seen as such.
  upload.email = ValidUtf8(PrintableField(email.substr(0, kLongestEmail + 1)));
  upload.call = intake.call;
  upload.late = options.hasDeadline && now > options.deadlineUnix;
  upload.categories = intake.categories;
  upload.linesRead = intake.linesRead;
  upload.linesRefused = intake.linesRefused;
  for (const std::string& finding : intake.findings) upload.findings += finding + "\n";
  for (const std::string& reason : intake.refusal) upload.refusal += reason + "\n";
  upload.kind = intake.kind.empty() ? "txt" : intake.kind;
  return upload;
}

// A log taken: its claimed score, as the plug-in gives it, and its receipt token.
void Score(Robot& robot, const Intake& intake, const std::string& bytes, UploadRecord* upload) {
  const ClaimedScore claimed = robot.scoring.Score(intake.call, bytes);
  upload->claimedScore = claimed.score;
  upload->summary = claimed.sheet;
  upload->uncounted = claimed.uncounted;
  if (claimed.scored && !intake.claimedInLog.empty() && intake.claimedInLog != claimed.score) {
    upload->findings += "file: the log claims " + Quoted(intake.claimedInLog) +
                        " (CLAIMED-SCORE:), the plug-in scores it " + claimed.score + "\n";
  }
  upload->token = RandomHex(32);
}

std::string FieldValue(const HttpRequest& req, const char* name) {
  const FormField* field = req.Field(name);
  return field ? field->value : std::string();
}

// The form's refusal, if it is not one log: a body that is no form, or a log field twice.
bool RefuseForm(const HttpRequest& req, HttpResponse& res) {
  if (req.notForm) {
    Refuse(res, 400, {"not a log: send the log as multipart/form-data, in the field log"});
  } else if (req.formBroken) {
    Refuse(res, 400, {"the upload could not be read: the form is broken"});
  } else {
    for (const char* name : {"log", "text", "email"}) {
      const FormField* field = req.Field(name);
      if (!field || field->parts < 2) continue;
      Refuse(res, 400,
             {"the form holds the field " + std::string(name) + " " + std::to_string(field->parts) +
              " times: send one log in one upload"});
      return true;
    }
    return false;
  }
  return true;
}

void Upload(Robot& robot, const HttpRequest& req, HttpResponse& res) {
  const int64_t now = Now();
  const std::string address = ClientAddress(req, robot.options);
  const UploadQuota::Place place = robot.quota.Take(address, now);
  if (!place.taken()) {
    return Refuse(
        res, 429,
        {"too many uploads from your address: at most " +
         std::to_string(robot.options.uploadLimit) + " in " +
         std::to_string(robot.options.uploadWindowSeconds / 60) + " minutes; try again later"});
  }
  if (RefuseForm(req, res)) return;
  std::string logField = FieldValue(req, "log");
  std::string bytes = TrimAscii(logField).empty() ? FieldValue(req, "text") : std::move(logField);
  const Intake intake = JudgeUpload(bytes);
  UploadRecord upload = RecordOf(intake, FieldValue(req, "email"), address, now, robot.options);
  if (intake.refusal.empty()) Score(robot, intake, bytes, &upload);
  upload.bytes = std::move(bytes);
  std::string error;
  if (!robot.store.AddUpload(&upload, &error, robot.mail.ForUpload(now))) {
    std::fprintf(stderr, "tarno-score serve: an upload could not be stored: %s\n", error.c_str());
    return Refuse(res, 503, {"the log could not be stored just now; please send it again"});
  }
  robot.mail.Queued();
  if (!intake.refusal.empty()) return Refuse(res, 400, intake.refusal);
  res.SetContent(ReceiptPage(upload, std::string(), false, robot.options.publicUrl), kHtml);
}

}  // namespace

void ServeRunFile(Robot& robot, int64_t run, const std::string& name, bool published,
                  HttpResponse& res) {
  const auto fetch = [&robot, run](const std::string& file) -> std::optional<std::string> {
    std::string bytes;
    if (!robot.store.RunFile(run, file, &bytes)) return std::nullopt;
    return bytes;
  };
  const auto names = [&robot, run] {
    const std::vector<std::string> list = robot.store.RunFileNames(run);
    return std::set<std::string>(list.begin(), list.end());
  };
  std::string bytes;
  if ((published && !robot.published.Allowed(run, name, names, fetch)) ||
      !robot.store.RunFile(run, name, &bytes)) {
    res.status = 404;
    return;
  }
  const std::string type = ContentTypeOf(name);
  if (type == "application/octet-stream") {
    const size_t slash = name.rfind('/');
    res.SetHeader(
        "Content-Disposition",
        "attachment; filename=\"" + name.substr(slash == std::string::npos ? 0 : slash + 1) + "\"");
  }
  res.SetContent(std::move(bytes), type);
}

namespace {

// The entrant's report in the published results, when there are any.
// Only the upload the published check took shows the report: a log sent under the same call
// by someone else, before or after, does not.
bool PublishedReport(RobotStore& store, const UploadRecord& upload, std::string* report) {
  const int64_t run = std::atoll(store.Setting("published_run").c_str());
  if (run <= 0) return false;
  if (!store.RunChecked(run, upload.id) ||
      !store.RunFile(run, FileCallOf(upload.call) + ".ubn", report)) {
    report->clear();
  }
  return true;
}

ContestTexts TextsOf(const ServeOptions& options) {
  ContestTexts texts;
  texts.period = options.start.empty() ? "not set: logs of any date are taken"
                                       : options.start + " to " + options.end + " (UTC)";
  texts.deadline = options.hasDeadline ? UtcText(options.deadlineUnix) : "none";
  return texts;
}

BodyRule UploadBody() {
  BodyRule body;
  body.kind = BodyRule::Kind::kMultipart;
  body.maxBytes = kLargestBody;
  body.fields = {{"log", kLargestLog, false},
                 {"text", kLargestLog, false},
                 {"email", kLongestEmail + 1, true}};  // kept short: only the sponsor sees it
  return body;
}

void SetUpEntrantRoutes(Robot& robot, HttpServer* server) {
  server->Get("/", [&robot](const HttpRequest&, HttpResponse& res) {
    const bool published = !robot.store.Setting("published_run").empty();
    res.SetContent(HomePage(TextsOf(robot.options), robot.store.Uploads(), published), kHtml);
  });
  server->Post("/upload", UploadBody(),
               [&robot](const HttpRequest& req, HttpResponse& res) { Upload(robot, req, res); });
  server->Get("/receipt/([0-9a-f]{64})", [&robot](const HttpRequest& req, HttpResponse& res) {
    UploadRecord upload;
    if (!robot.store.UploadByToken(req.matches[1], &upload)) {
      res.status = 404;
      res.SetContent(MessagePage("No such receipt", "This receipt link is not known."), kHtml);
      return;
    }
    std::string report;
    const bool published = PublishedReport(robot.store, upload, &report);
    res.SetContent(ReceiptPage(upload, report, published, robot.options.publicUrl), kHtml);
  });
  // The pages link to each other by name, so they are served from one folder.
  server->Get("/results", [](const HttpRequest&, HttpResponse& res) {
    res.status = 301;
    res.SetHeader("Location", "/results/");
  });
  server->Get("/results/(.*)", [&robot](const HttpRequest& req, HttpResponse& res) {
    const int64_t run = std::atoll(robot.store.Setting("published_run").c_str());
    if (run <= 0) {
      res.status = 404;
      res.SetContent(MessagePage("Results", "The results are not yet published."), kHtml);
      return;
    }
    const std::string name = req.matches[1].empty() ? "results.html" : req.matches[1];
    ServeRunFile(robot, run, name, true, res);
  });
}

void SetHeadersAndErrorPage(const HttpRequest&, HttpResponse& res) {
  res.SetHeader("X-Content-Type-Options", "nosniff");
  res.SetHeader("Referrer-Policy", "no-referrer");  // receipt links are secrets
  res.SetHeader("Cache-Control", "no-store");
  res.SetHeader("Content-Security-Policy",
                "default-src 'none'; style-src 'unsafe-inline'; img-src data:; "
                "form-action 'self'; frame-ancestors 'none'; base-uri 'none'");
  if (res.status < 400 || !res.body.empty()) return;
  switch (res.status) {
    case 413:
      return res.SetContent(RefusalPage({TooLargeReason()}), kHtml);
    case 404:
      return res.SetContent(MessagePage("Not found", "There is no such page."), kHtml);
    case 431:
      return res.SetContent(MessagePage("Refused",
                                        "The request's headers are too many or too "
                                        "long."),
                            kHtml);
    case 503:
      return res.SetContent(
          MessagePage("Busy", "The robot is busy or stopping: please try again in a minute."),
          kHtml);
    default:
      return res.SetContent(
          MessagePage("Error " + std::to_string(res.status), "The request could not be answered."),
          kHtml);
  }
}

}  // namespace

std::string ClientAddress(const HttpRequest& req, const ServeOptions& options) {
  if (options.behindTls) {
    // The reverse proxy in front appends the address it saw; only that last one is its word.
    const std::string forwarded = req.Header("X-Forwarded-For");
    const size_t comma = forwarded.rfind(',');
    const std::string last(
        TrimAscii(comma == std::string::npos ? forwarded : forwarded.substr(comma + 1)));
    if (!last.empty() && last.size() <= 64) return last;
  }
  return req.remoteAddress;
}

HttpLimits LimitsOf(const ServeOptions& options) {
  HttpLimits limits;
  limits.headerSeconds = options.timeoutSeconds;
  limits.idleSeconds = options.timeoutSeconds;
  limits.requestSeconds = options.requestSeconds;
  limits.connections = options.connections;
  // Behind a proxy every connection comes from the proxy's address: the proxy caps them.
  limits.connectionsPerAddress = options.behindTls ? 0 : options.connectionsPerAddress;
  limits.workers = options.threads;
  return limits;
}

void SetUpRoutes(Robot& robot, HttpServer* server) {
  server->SetFinisher(&SetHeadersAndErrorPage);
  SetUpEntrantRoutes(robot, server);
  SetUpSponsorRoutes(robot, server);
}

}  // namespace tarno::score
