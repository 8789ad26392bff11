#include "serve/robot_routes.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>

#include "cabrillo/cabrillo_log.h"
#include "contest/ascii_text.h"
#include "serve/claimed_score.h"
#include "serve/log_intake.h"
#include "serve/random_token.h"
#include "serve/robot_pages.h"
#include "serve/sponsor_routes.h"

namespace tarno::score {
namespace {

constexpr size_t kLongestEmail = 200;
constexpr const char* kHtml = kHtmlType;

int64_t Now() { return static_cast<int64_t>(std::time(nullptr)); }

// What the upload form sent, as far as it is kept.
struct UploadForm {
  std::string log;
  std::string text;
  std::string email;
  size_t bodyBytes = 0;
  bool tooLarge = false;
};

void Refuse(httplib::Response& res, int status, const std::vector<std::string>& reasons) {
  res.status = status;
  res.set_content(RefusalPage(reasons), kHtml);
}

// Reads the form part by part, so that nothing past the limits is ever held.
bool ReadForm(const httplib::ContentReader& reader, UploadForm* form) {
  std::string field;
  return reader(
      [&](const httplib::MultipartFormData& part) {
        field = part.name;
        return true;
      },
      [&](const char* data, size_t length) {
        form->bodyBytes += length;
        std::string* target = field == "log"     ? &form->log
                              : field == "text"  ? &form->text
                              : field == "email" ? &form->email
                                                 : nullptr;
        if (form->bodyBytes > kLargestBody || (target && target->size() + length > kLargestLog)) {
          form->tooLarge = true;
          return false;
        }
        if (target == &form->email)  // kept short: it is only shown to the sponsor
          length = std::min(length, kLongestEmail - std::min(form->email.size(), kLongestEmail));
        if (target) target->append(data, length);
        return true;
      });
}

std::string TooLargeReason() {
  return "over 10 MB: the robot takes logs of at most 10 MB (" + std::to_string(kLargestLog) +
         " bytes)";
}

UploadRecord RecordOf(const Intake& intake, const UploadForm& form, const std::string& address,
                      int64_t now, const ServeOptions& options) {
  UploadRecord upload;
  upload.receivedUnix = now;
  upload.address = address;
  upload.email = PrintableField(form.email.substr(0, kLongestEmail));
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

// Reads a refused request's body and drops it, so that the connection stays in step for
// the answer; a body over the limit is skipped unread by the server itself.
void Drain(const httplib::Request& req, const httplib::ContentReader& reader) {
  size_t bytes = 0;
  const auto drop = [&bytes](const char*, size_t length) {
    bytes += length;
    return bytes <= kLargestBody;
  };
  if (req.is_multipart_form_data()) {
    reader([](const httplib::MultipartFormData&) { return true; }, drop);
  } else {
    reader(drop);
  }
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

void Upload(Robot& robot, const httplib::Request& req, httplib::Response& res,
            const httplib::ContentReader& reader) {
  const int64_t now = Now();
  const std::string address = ClientAddress(req, robot.options);
  if (robot.store.UploadsSince(address, now - robot.options.uploadWindowSeconds) >=
      robot.options.uploadLimit) {
    Drain(req, reader);
    return Refuse(
        res, 429,
        {"too many uploads from your address: at most " +
         std::to_string(robot.options.uploadLimit) + " in " +
         std::to_string(robot.options.uploadWindowSeconds / 60) + " minutes; try again later"});
  }
  if (std::strtoull(req.get_header_value("Content-Length").c_str(), nullptr, 10) > kLargestBody) {
    Drain(req, reader);
    return Refuse(res, 413, {TooLargeReason()});
  }
  if (!req.is_multipart_form_data()) {
    Drain(req, reader);
    return Refuse(res, 400, {"not a log: send the log as multipart/form-data, in the field log"});
  }
  UploadForm form;
  const bool read = ReadForm(reader, &form);
  if (form.tooLarge) return Refuse(res, 413, {TooLargeReason()});
  if (!read) return Refuse(res, 400, {"the upload could not be read: the form is broken"});

  std::string& bytes = TrimAscii(form.log).empty() ? form.text : form.log;
  const Intake intake = JudgeUpload(bytes);
  UploadRecord upload = RecordOf(intake, form, address, now, robot.options);
  if (intake.refusal.empty()) Score(robot, intake, bytes, &upload);
  upload.bytes = std::move(bytes);
  std::string error;
  if (!robot.store.AddUpload(&upload, &error)) {
    std::fprintf(stderr, "tarno-score serve: an upload could not be stored: %s\n", error.c_str());
    return Refuse(res, 503, {"the log could not be stored just now; please send it again"});
  }
  if (!intake.refusal.empty()) return Refuse(res, 400, intake.refusal);
  res.set_content(ReceiptPage(upload, std::string(), false), kHtml);
}

// The entrant's report in the published results, when there are any.
bool PublishedReport(RobotStore& store, const std::string& call, std::string* report) {
  const int64_t run = std::atoll(store.Setting("published_run").c_str());
  if (run <= 0) return false;
  if (!store.RunFile(run, FileCallOf(call) + ".ubn", report)) report->clear();
  return true;
}

ContestTexts TextsOf(const ServeOptions& options) {
  ContestTexts texts;
  texts.period = options.start.empty() ? "not set: logs of any date are taken"
                                       : options.start + " to " + options.end + " (UTC)";
  texts.deadline = options.hasDeadline ? UtcText(options.deadlineUnix) : "none";
  return texts;
}

void SetUpEntrantRoutes(Robot& robot, httplib::Server* server) {
  server->Get("/", [&robot](const httplib::Request&, httplib::Response& res) {
    const bool published = !robot.store.Setting("published_run").empty();
    res.set_content(HomePage(TextsOf(robot.options), robot.store.Uploads(), published), kHtml);
  });
  server->Post("/upload",
               [&robot](const httplib::Request& req, httplib::Response& res,
                        const httplib::ContentReader& reader) { Upload(robot, req, res, reader); });
  server->Get(
      "/receipt/([0-9a-f]{64})", [&robot](const httplib::Request& req, httplib::Response& res) {
        UploadRecord upload;
        if (!robot.store.UploadByToken(req.matches[1], &upload)) {
          res.status = 404;
          res.set_content(MessagePage("No such receipt", "This receipt link is not known."), kHtml);
          return;
        }
        std::string report;
        const bool published = PublishedReport(robot.store, upload.call, &report);
        res.set_content(ReceiptPage(upload, report, published), kHtml);
      });
  server->Get("/results", [&robot](const httplib::Request&, httplib::Response& res) {
    const int64_t run = std::atoll(robot.store.Setting("published_run").c_str());
    std::string page;
    if (run <= 0 || !robot.store.RunFile(run, "results.html", &page)) {
      res.status = 404;
      res.set_content(MessagePage("Results", "The results are not yet published."), kHtml);
      return;
    }
    res.set_content(page, kHtml);
  });
}

void SetUpLimitsAndHeaders(const ServeOptions& options, httplib::Server* server) {
  const size_t threads = static_cast<size_t>(options.threads);
  server->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
  server->set_payload_max_length(kLargestBody);
  server->set_read_timeout(options.timeoutSeconds, 0);
  server->set_write_timeout(options.timeoutSeconds, 0);
  server->set_keep_alive_timeout(std::min(options.timeoutSeconds, 5));
  server->set_post_routing_handler([](const httplib::Request&, httplib::Response& res) {
    res.set_header("X-Content-Type-Options", "nosniff");
    res.set_header("Referrer-Policy", "no-referrer");  // receipt links are secrets
    res.set_header("Cache-Control", "no-store");
    res.set_header("Content-Security-Policy",
                   "default-src 'none'; style-src 'unsafe-inline'; img-src data:; "
                   "form-action 'self'; frame-ancestors 'none'; base-uri 'none'");
  });
  // A handler that throws (a damaged database) answers 500 and says why in the robot's
  // log alone: the library's own answer would hand the reason to the client.
  server->set_exception_handler(
      [](const httplib::Request& req, httplib::Response& res, std::exception_ptr failure) {
        std::string why = "an unknown failure";
        try {
          std::rethrow_exception(failure);
        } catch (const std::exception& thrown) {
          why = thrown.what();
        } catch (...) {
        }
        std::fprintf(stderr, "tarno-score serve: %s %s failed: %s\n", req.method.c_str(),
                     Quoted(req.path).c_str(), why.c_str());
        res.status = 500;
        res.set_content(MessagePage("Error 500", "The request could not be answered."), kHtml);
      });
  server->set_error_handler(
      httplib::Server::HandlerWithResponse([](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        if (res.status == 413) {
          res.set_content(RefusalPage({TooLargeReason()}), kHtml);
        } else if (res.status == 404) {
          res.set_content(MessagePage("Not found", "There is no such page."), kHtml);
        } else {
          res.set_content(MessagePage("Error " + std::to_string(res.status),
                                      "The request could not be answered."),
                          kHtml);
        }
        return httplib::Server::HandlerResponse::Handled;
      }));
}

}  // namespace

std::string ClientAddress(const httplib::Request& req, const ServeOptions& options) {
  if (options.behindTls) {
    // The reverse proxy in front appends the address it saw; only that last one is its word.
    const std::string forwarded = req.get_header_value("X-Forwarded-For");
    const size_t comma = forwarded.rfind(',');
    const std::string last(
        TrimAscii(comma == std::string::npos ? forwarded : forwarded.substr(comma + 1)));
    if (!last.empty() && last.size() <= 64) return last;
  }
  return req.remote_addr;
}

void SetUpRoutes(Robot& robot, httplib::Server* server) {
  SetUpLimitsAndHeaders(robot.options, server);
  SetUpEntrantRoutes(robot, server);
  SetUpSponsorRoutes(robot, server);
}

}  // namespace tarno::score
