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
#include "serve/message_line.h"
#include "serve/page_language.h"
#include "serve/published_files.h"
#include "serve/random_token.h"
#include "serve/robot_pages.h"
#include "serve/sponsor_routes.h"

namespace tarno::score {
namespace {

constexpr size_t kLongestEmail = 200;
constexpr const char* kHtml = kHtmlType;

int64_t Now() { return static_cast<int64_t>(std::time(nullptr)); }

// `reasons`: MessageLines, shown in the words the request asks for.
void Refuse(const Robot& robot, const HttpRequest& req, HttpResponse& res, int status,
            const std::vector<std::string>& reasons) {
  res.status = status;
  res.SetContent(RefusalPage(WordsOf(req), robot.options.title, reasons), kHtml);
}

std::string TooLargeReason() {
  return MessageLine("robot.refusal.too_large", {{"bytes", std::to_string(kLargestLog)}});
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
    upload->findings += MessageLine("robot.where.file", {},
                                    {{"text", MessageLine("robot.finding.claimed",
                                                          {{"claimed", Quoted(intake.claimedInLog)},
                                                           {"score", claimed.score}})}}) +
                        "\n";
  }
  upload->token = RandomHex(32);
}

std::string FieldValue(const HttpRequest& req, const char* name) {
  const FormField* field = req.Field(name);
  return field ? field->value : std::string();
}

// The form's refusal, if it is not one log: a body that is no form, or a log field twice.
bool RefuseForm(const Robot& robot, const HttpRequest& req, HttpResponse& res) {
  if (req.notForm) {
    Refuse(robot, req, res, 400, {MessageLine("robot.refusal.not_form")});
  } else if (req.formBroken) {
    Refuse(robot, req, res, 400, {MessageLine("robot.refusal.form_broken")});
  } else {
    for (const char* name : {"log", "text", "email"}) {
      const FormField* field = req.Field(name);
      if (!field || field->parts < 2) continue;
      Refuse(robot, req, res, 400,
             {MessageLine("robot.refusal.field_twice",
                          {{"field", name}, {"count", std::to_string(field->parts)}})});
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
        robot, req, res, 429,
        {MessageLine("robot.refusal.too_many",
                     {{"limit", std::to_string(robot.options.uploadLimit)},
                      {"minutes", std::to_string(robot.options.uploadWindowSeconds / 60)}})});
  }
  if (RefuseForm(robot, req, res)) return;
  std::string logField = FieldValue(req, "log");
  std::string bytes = TrimAscii(logField).empty() ? FieldValue(req, "text") : std::move(logField);
  const Intake intake = JudgeUpload(bytes);
  UploadRecord upload = RecordOf(intake, FieldValue(req, "email"), address, now, robot.options);
  if (intake.refusal.empty()) Score(robot, intake, bytes, &upload);
  upload.bytes = std::move(bytes);
  std::string error;
  if (!robot.store.AddUpload(&upload, &error, robot.mail.ForUpload(now))) {
    std::fprintf(stderr, "tarno-score serve: an upload could not be stored: %s\n", error.c_str());
    return Refuse(robot, req, res, 503, {MessageLine("robot.refusal.not_stored")});
  }
  robot.mail.Queued();
  if (!intake.refusal.empty()) return Refuse(robot, req, res, 400, intake.refusal);
  res.SetContent(ReceiptPage(WordsOf(req), robot.options.title, upload, std::string(), false,
                             robot.options.publicUrl),
                 kHtml);
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

// The entrant's report in the published results, when there are any, and the links to
// the entrant's page and certificate there.
// Only the upload the published check took shows the report: a log sent under the same call
// by someone else, before or after, does not.
bool PublishedReport(RobotStore& store, const UploadRecord& upload, const Catalogue& words,
                     std::string* report, ReceiptLinks* links) {
  const int64_t run = std::atoll(store.Setting("published_run").c_str());
  if (run <= 0) return false;
  const std::string file = FileCallOf(upload.call);
  if (!store.RunChecked(run, upload.id) || !store.RunFile(run, file + ".ubn", report)) {
    report->clear();
    return true;
  }
  const std::string folder = words.language() == Language::kEnglish ? "" : words.Code() + std::string("/");
  std::string bytes;
  if (store.RunFile(run, folder + file + ".html", &bytes))
    links->page = "/results/" + folder + file + ".html";
  if (store.RunFile(run, "certificates/" + file + ".pdf", &bytes))
    links->certificate = "/results/certificates/" + file + ".pdf";
  return true;
}

ContestDates DatesOf(const ServeOptions& options) {
  ContestDates dates;
  dates.start = options.start;
  dates.end = options.end;
  dates.hasDeadline = options.hasDeadline;
  dates.deadlineUnix = options.deadlineUnix;
  return dates;
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
  server->Get("/", [&robot](const HttpRequest& req, HttpResponse& res) {
    const bool published = !robot.store.Setting("published_run").empty();
    res.SetContent(HomePage(WordsOf(req), robot.options.title, DatesOf(robot.options),
                            robot.store.Uploads(), published),
                   kHtml);
  });
  server->Post("/upload", UploadBody(),
               [&robot](const HttpRequest& req, HttpResponse& res) { Upload(robot, req, res); });
  server->Get("/receipt/([0-9a-f]{64})", [&robot](const HttpRequest& req, HttpResponse& res) {
    UploadRecord upload;
    const Catalogue& words = WordsOf(req);
    if (!robot.store.UploadByToken(req.matches[1], &upload)) {
      res.status = 404;
      res.SetContent(MessagePage(words, robot.options.title, words.Text("robot.receipt.unknown"),
                                 words.Text("robot.receipt.unknown_text"), req.path),
                     kHtml);
      return;
    }
    std::string report;
    ReceiptLinks links;
    const bool published = PublishedReport(robot.store, upload, words, &report, &links);
    res.SetContent(ReceiptPage(words, robot.options.title, upload, report, published,
                               robot.options.publicUrl, links),
                   kHtml);
  });
  // The pages link to each other by name, so they are served from one folder.
  server->Get("/results", [](const HttpRequest&, HttpResponse& res) {
    res.status = 301;
    res.SetHeader("Location", "/results/");
  });
  server->Get("/results/(.*)", [&robot](const HttpRequest& req, HttpResponse& res) {
    const int64_t run = std::atoll(robot.store.Setting("published_run").c_str());
    if (run <= 0) {
      const Catalogue& words = WordsOf(req);
      res.status = 404;
      res.SetContent(MessagePage(words, robot.options.title, words.Text("robot.results.title"),
                                 words.Text("robot.results.not_published"), req.path),
                     kHtml);
      return;
    }
    const std::string name = req.matches[1].empty() ? "results.html" : req.matches[1];
    ServeRunFile(robot, run, name, true, res);
  });
}

void SetHeadersAndErrorPage(const Robot& robot, const HttpRequest& req, HttpResponse& res) {
  SetLanguageHeaders(req, robot.options.behindTls, &res);
  res.SetHeader("X-Content-Type-Options", "nosniff");
  res.SetHeader("Referrer-Policy", "no-referrer");  // receipt links are secrets
  res.SetHeader("Cache-Control", "no-store");
  res.SetHeader("Content-Security-Policy",
                "default-src 'none'; style-src 'unsafe-inline'; img-src data:; "
                "form-action 'self'; frame-ancestors 'none'; base-uri 'none'");
  if (res.status < 400 || !res.body.empty()) return;
  const Catalogue& words = WordsOf(req);
  const std::string& title = robot.options.title;
  std::string heading, text;
  switch (res.status) {
    case 413:
      return res.SetContent(RefusalPage(words, title, {TooLargeReason()}), kHtml);
    case 404:
      heading = words.Text("robot.error.not_found");
      text = words.Text("robot.error.not_found_text");
      break;
    case 431:
      heading = words.Text("robot.error.refused");
      text = words.Text("robot.error.headers_text");
      break;
    case 503:
      heading = words.Text("robot.error.busy");
      text = words.Text("robot.error.busy_text");
      break;
    default:
      heading = words.Format("robot.error.status", {{"status", std::to_string(res.status)}});
      text = words.Text("robot.error.status_text");
  }
  res.SetContent(MessagePage(words, title, heading, text, req.path), kHtml);
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
  server->SetFinisher([&robot](const HttpRequest& req, HttpResponse& res) {
    SetHeadersAndErrorPage(robot, req, res);
  });
  SetUpEntrantRoutes(robot, server);
  SetUpSponsorRoutes(robot, server);
}

}  // namespace tarno::score
