#include "serve/adjudication_routes.h"

#include <cstdlib>
#include <ctime>
#include <string>

#include "cabrillo/cabrillo_log.h"
#include "catalogue/catalogue.h"
#include "contest/ascii_text.h"
#include "logs/log_text.h"
#include "replay/html_text.h"
#include "serve/adjudication_files.h"
#include "serve/message_line.h"
#include "serve/page_language.h"
#include "serve/robot_pages.h"
#include "serve/sponsor_auth.h"
#include "serve/wanted_logs.h"

namespace tarno::score {
namespace {

using Request = HttpRequest;
using Response = HttpResponse;

constexpr size_t kLongestText = 300;  // a reason or a comment, as the cross-check keeps it
// Lines shown with their forms, per figure and in all; review.html has them all.
constexpr size_t kReviewLinesShown = 100;
constexpr size_t kReviewLinesOnPage = 1000;
// How the cross-check's verdicts.csv says a line could not be read, which no decision may
// credit.
constexpr char kUnreadable[] = "(the line could not be read)";

int64_t Now() { return static_cast<int64_t>(std::time(nullptr)); }

void SeeOther(Response& res, const std::string& where) {
  res.status = 303;
  res.SetHeader("Location", where);
}

void Refused(Robot& robot, Response& res, int status, const std::string& why,
             const Catalogue& words) {
  res.status = status;
  res.SetContent(
      RobotPage(
          words, robot.options.title, words.Text("decision.refused.title"), "/sponsor/decisions",
          "<h1>" + HtmlEscaped(words.Text("decision.refused.title")) + "</h1>\n<p id=\"message\">" +
              HtmlEscaped(why) + "</p>\n<p><a href=\"/sponsor\">" +
              HtmlEscaped(words.Text("decision.back")) + "</a></p>"),
      kHtmlType);
}

bool Session(Robot& robot, const Request& req, SponsorSession* session) {
  return robot.auth.SessionOf(req.Header("Cookie"), Now(), session);
}

// The session of a POST whose form carries the session's CSRF token; else refused.
bool PostSession(Robot& robot, const Request& req, Response& res, const Catalogue& words,
                 SponsorSession* session) {
  if (!Session(robot, req, session)) {
    Refused(robot, res, 403, words.Text("decision.refused.session"), words);
    return false;
  }
  if (!SameSecret(req.Param("csrf"), session->csrf)) {
    Refused(robot, res, 403, words.Text("decision.refused.csrf"), words);
    return false;
  }
  return true;
}

DecisionFrom FromOf(const std::string& name) {
  for (DecisionFrom from : {DecisionFrom::kReview, DecisionFrom::kResults}) {
    if (name == DecisionFromName(from)) return from;
  }
  return DecisionFrom::kDecisions;
}

// A line number of at most 9 digits; 0 for anything else.
int64_t LineOf(const std::string& text) {
  const std::string_view digits = TrimAscii(text);
  if (digits.empty() || digits.size() > 9 ||
      digits.find_first_not_of("0123456789") != std::string_view::npos) {
    return 0;
  }
  return std::atoll(std::string(digits).c_str());
}

// As the cross-check reads a reason back: one line, no blanks at its ends.
std::string OneLine(const std::string& text) { return ValidUtf8(TrimAscii(PrintableField(text))); }

DecisionRecord DecisionOfForm(const Request& req) {
  DecisionRecord decision;
  decision.call = UpperAscii(TrimAscii(req.Param("call")).substr(0, 40));
  decision.line = LineOf(req.Param("line"));
  decision.verdict = UpperAscii(TrimAscii(req.Param("verdict")).substr(0, 40));
  decision.reason = OneLine(req.Param("reason"));
  decision.comment = OneLine(req.Param("comment"));
  return decision;
}

Values LineValues(const DecisionRecord& decision) {
  return {{"call", decision.call}, {"line", std::to_string(decision.line)}};
}

// Why the form's fields make no decision; empty when they do.
std::string FormRefusal(const DecisionRecord& decision, const Catalogue& words) {
  bool verdictKnown = false;
  for (const std::string& verdict : DecidableVerdicts())
    verdictKnown |= verdict == decision.verdict;
  if (!IsEntrantCall(decision.call))
    return words.Format("decision.refused.call", {{"call", decision.call}});
  if (decision.line <= 0) return words.Text("decision.refused.line");
  if (!verdictKnown)
    return words.Format("decision.refused.verdict", {{"verdict", decision.verdict}});
  if (decision.reason.empty()) return words.Text("decision.refused.reason");
  if (decision.reason.size() > kLongestText || decision.comment.size() > kLongestText)
    return words.Format("decision.refused.long", {{"most", std::to_string(kLongestText)}});
  return std::string();
}

// Why the latest finished check says the decision cannot stand (no such log or line, or a
// line that could not be read made credited); empty when it can, or when there is no check
// to hold it to. Notes what that check said of the line.
std::string RunRefusal(Robot& robot, DecisionRecord* decision, const Catalogue& words) {
  RunRecord run;
  if (!robot.store.LatestFinishedRun(&run)) return std::string();
  bool hasVerdicts = false;
  for (const std::string& name : robot.store.RunFileNames(run.id))
    hasVerdicts |= name == "verdicts.csv";
  if (!hasVerdicts) return std::string();
  Values values = LineValues(*decision);
  values.emplace_back("run", std::to_string(run.id));
  const std::string ofLog = "\n" + decision->call + ",";
  std::string row;
  if (!robot.store.RunFileLine(run.id, "verdicts.csv", ofLog + std::to_string(decision->line) + ",",
                               &row)) {
    return robot.store.RunFileLine(run.id, "verdicts.csv", ofLog, &row)
               ? words.Format("decision.refused.no_line", values)
               : words.Format("decision.refused.no_log", values);
  }
  std::vector<std::string> fields;  // log,line,verdict,worked,detail
  if (!CsvRowFields(row, &fields) || fields.size() < 5) return std::string();
  decision->was = fields[2];
  decision->run = run.id;
  if (fields[4].find(kUnreadable) != std::string::npos && CreditsTheLine(decision->verdict))
    return words.Format("decision.refused.unreadable", values);
  return std::string();
}

DecisionsView DecisionsViewOf(Robot& robot, const SponsorSession& session) {
  DecisionsView view;
  view.contest = robot.options.title;
  view.decisions = robot.store.Decisions(false);
  for (const DecisionRecord& decision : view.decisions) {
    if (decision.withdrawnUnix == 0 && !DecisionHolds(robot.store, decision, 0))
      view.forEarlierLog.insert(decision.id);
  }
  view.csrf = session.csrf;
  return view;
}

// The latest check's reason, where it stopped on a decision.
std::string CheckRefusal(Robot& robot, const Catalogue& words) {
  RunRecord run;
  if (!robot.store.LatestRun(&run) || run.state != "failed" ||
      run.reason.find("decisions.csv") == std::string::npos) {
    return std::string();
  }
  return words.Format("decision.check_refused",
                      {{"run", std::to_string(run.id)}, {"reason", ShownLine(words, run.reason)}});
}

const DecisionRecord* Find(const std::vector<DecisionRecord>& decisions, int64_t id) {
  for (const DecisionRecord& decision : decisions) {
    if (decision.id == id) return &decision;
  }
  return nullptr;
}

void ShowDecisions(Robot& robot, const Request& req, Response& res) {
  const Catalogue& words = WordsOf(req);
  SponsorSession session;
  if (!Session(robot, req, &session)) return SeeOther(res, "/sponsor");
  DecisionsView view = DecisionsViewOf(robot, session);
  view.form.call = UpperAscii(TrimAscii(req.Param("call")).substr(0, 20));
  view.form.line = LineOf(req.Param("line"));
  view.checkRefusal = CheckRefusal(robot, words);
  if (const DecisionRecord* made = Find(view.decisions, std::atoll(req.Param("made").c_str()))) {
    Values values = LineValues(*made);
    values.insert(values.end(), {{"number", std::to_string(made->id)}, {"verdict", made->verdict}});
    view.message = words.Format("decision.made", values);
  }
  if (const DecisionRecord* undone =
          Find(view.decisions, std::atoll(req.Param("withdrawn").c_str()))) {
    Values values = LineValues(*undone);
    values.emplace_back("number", std::to_string(undone->id));
    view.message = words.Format("decision.withdrawn", values);
  }
  res.SetContent(DecisionsPage(view, words), kHtmlType);
}

void Decide(Robot& robot, const Request& req, Response& res) {
  const Catalogue& words = WordsOf(req);
  SponsorSession session;
  if (!PostSession(robot, req, res, words, &session)) return;
  DecisionRecord decision = DecisionOfForm(req);
  std::string refusal = FormRefusal(decision, words);
  int status = 400;
  if (refusal.empty()) {
    status = 409;
    refusal = RunRefusal(robot, &decision, words);
  }
  std::string why;
  if (refusal.empty() && !CrosscheckTakesDecision(decision, &why))
    refusal = words.Format("decision.refused.crosscheck", {{"reason", why}});
  if (refusal.empty()) {
    decision.madeUnix = Now();
    // The log the sponsor looked at: the one the check took, else the call's current one.
    decision.upload = robot.store.UploadOfCall(decision.run, decision.call);
    switch (robot.store.AddDecision(&decision, &why)) {
      case RobotStore::Kept::kYes:
        switch (FromOf(req.Param("from"))) {
          case DecisionFrom::kReview:
            return SeeOther(res, "/sponsor/review#review-" + FileCallOf(decision.call));
          case DecisionFrom::kResults:
            return SeeOther(res, "/sponsor/results");
          default:
            return SeeOther(res, "/sponsor/decisions?made=" + std::to_string(decision.id));
        }
      case RobotStore::Kept::kLineDecided:
        refusal = words.Format("decision.refused.decided", LineValues(decision));
        break;
      case RobotStore::Kept::kNo:
        return Refused(robot, res, 503, words.Format("decision.not_kept", {{"reason", why}}),
                       words);
    }
  }
  DecisionsView view = DecisionsViewOf(robot, session);
  view.form = decision;
  view.refusal = refusal;
  res.status = status;
  res.SetContent(DecisionsPage(view, words), kHtmlType);
}

void Undo(Robot& robot, const Request& req, Response& res) {
  const Catalogue& words = WordsOf(req);
  SponsorSession session;
  if (!PostSession(robot, req, res, words, &session)) return;
  DecisionRecord undone;
  std::string why;
  switch (robot.store.WithdrawDecision(std::atoll(req.matches[1].c_str()), Now(), &undone, &why)) {
    case RobotStore::Withdrawn::kYes:
      return SeeOther(res, "/sponsor/decisions?withdrawn=" + std::to_string(undone.id));
    case RobotStore::Withdrawn::kNotInForce: {
      DecisionsView view = DecisionsViewOf(robot, session);
      view.refusal = words.Format("decision.refused.not_in_force", {{"number", req.matches[1]}});
      res.status = 409;
      return res.SetContent(DecisionsPage(view, words), kHtmlType);
    }
    case RobotStore::Withdrawn::kNo:
      return Refused(robot, res, 503, words.Format("decision.not_kept", {{"reason", why}}), words);
  }
}

void ShowReview(Robot& robot, const Request& req, Response& res) {
  SponsorSession session;
  if (!Session(robot, req, &session)) return SeeOther(res, "/sponsor");
  ReviewView view;
  view.contest = robot.options.title;
  view.csrf = session.csrf;
  view.hasRun = robot.store.LatestFinishedRun(&view.run);
  std::string csv;
  view.hasReview = view.hasRun && robot.store.RunFile(view.run.id, "review.csv", &csv);
  if (view.hasReview) view.logs = ReadReviewCsv(csv, kReviewLinesShown, kReviewLinesOnPage);
  for (DecisionRecord& decision : robot.store.Decisions(true)) {
    const auto key = std::make_pair(decision.call, decision.line);
    view.inForce.emplace(key, std::move(decision));
  }
  res.SetContent(ReviewPage(view, WordsOf(req)), kHtmlType);
}

BodyRule FormBody() {
  BodyRule body;
  body.kind = BodyRule::Kind::kUrlEncoded;
  body.maxBytes = 16 * 1024;
  return body;
}

}  // namespace

void SetUpAdjudicationRoutes(Robot& robot, HttpServer* server) {
  server->Get("/sponsor/review",
              [&robot](const Request& req, Response& res) { ShowReview(robot, req, res); });
  server->Get("/sponsor/decisions",
              [&robot](const Request& req, Response& res) { ShowDecisions(robot, req, res); });
  server->Post("/sponsor/decisions", FormBody(),
               [&robot](const Request& req, Response& res) { Decide(robot, req, res); });
  server->Post(R"(/sponsor/decisions/(\d{1,18})/undo)", FormBody(),
               [&robot](const Request& req, Response& res) { Undo(robot, req, res); });
}

AdjudicationView AdjudicationViewOf(Robot& robot, const std::vector<UploadRecord>& uploads,
                                    int64_t publishedRun) {
  AdjudicationView view;
  view.rulesFile = robot.options.rulesFile;
  view.rulesText = robot.options.rulesText;
  RunRecord run;
  if (robot.store.LatestFinishedRun(&run)) view.finishedRun = run.id;
  view.decisionsInForce = robot.store.Decisions(true).size();
  // Once the results are out, nobody is asked for a log any more.
  view.showWanted = publishedRun == 0;
  if (view.showWanted) view.wanted = robot.wanted.Of(robot.store, uploads);
  return view;
}

}  // namespace tarno::score
