#include "serve/adjudication_pages.h"

#include <cstdlib>

#include "cabrillo/cabrillo_log.h"
#include "replay/html_text.h"
#include "serve/adjudication_files.h"
#include "serve/robot_pages.h"

namespace tarno::score {
namespace {

constexpr size_t kLongestReason = 300;  // as the cross-check keeps a reason

std::string E(const std::string& text) { return HtmlEscaped(text); }
std::string N(int64_t number) { return std::to_string(number); }

std::string Hidden(const char* name, const std::string& value) {
  return "<input type=\"hidden\" name=\"" + std::string(name) + "\" value=\"" + E(value) + "\">";
}

// The cross-check names its figures in English; the page says them in its own language.
std::string FigureName(const std::string& name, const Catalogue& words) {
  static const std::pair<const char*, const char*> kKeys[] = {
      {"uniques", "review.figure.uniques"},
      {"errors caused", "review.figure.errors_caused"},
      {"busted calls", "review.figure.busted_calls"},
      {"missing stretch", "review.figure.missing_stretch"},
      {"clock spread", "review.figure.clock_spread"},
  };
  for (const auto& [figure, key] : kKeys) {
    if (name == figure) return words.Text(key);
  }
  return name;
}

std::string VerdictSelect(const std::string& chosen, const Catalogue& words) {
  std::string html = "<select name=\"verdict\" required><option value=\"\">" +
                     E(words.Text("decision.form.choose")) + "</option>";
  for (const std::string& verdict : DecidableVerdicts()) {
    html += "<option" + std::string(verdict == chosen ? " selected" : "") + ">" + E(verdict) +
            "</option>";
  }
  return html + "</select>";
}

std::string ReasonInput(const std::string& reason, const Catalogue& words) {
  return "<label>" + E(words.Text("decision.form.reason")) +
         " <input type=\"text\" name=\"reason\" required maxlength=\"" + N(kLongestReason) +
         "\" value=\"" + E(reason) + "\"></label>";
}

std::string SubmitButton(const Catalogue& words) {
  return "<button type=\"submit\">" + E(words.Text("decision.form.submit")) + "</button>";
}

std::string FormStart(DecisionFrom from, const std::string& csrf, const std::string& attributes) {
  return "<form class=\"decide\"" + attributes + " method=\"post\" action=\"/sponsor/decisions\">" +
         Hidden("csrf", csrf) + Hidden("from", DecisionFromName(from));
}

// A line of the review: decided already, or a folded form that decides it.
std::string DecideCell(const ReviewLine& line, const ReviewView& view, const Catalogue& words) {
  const auto decided = view.inForce.find({line.log, line.line});
  if (decided != view.inForce.end()) {
    return "<span class=\"decided\">" +
           E(words.Format("review.in_force", {{"number", N(decided->second.id)},
                                              {"verdict", decided->second.verdict}})) +
           "</span>";
  }
  return "<details><summary>" + E(words.Text("review.decide")) + "</summary>" +
         FormStart(DecisionFrom::kReview, view.csrf, "") + Hidden("call", line.log) +
         Hidden("line", N(line.line)) + VerdictSelect("", words) + " " + ReasonInput("", words) +
         " " + SubmitButton(words) + "</form></details>";
}

std::string LinesTable(const ReviewFigure& figure, const ReviewView& view, const Catalogue& words) {
  std::string html = "<div class=\"scroll\"><table class=\"review-lines\"><thead><tr>";
  for (const char* key :
       {"review.column.log", "review.column.line", "review.column.verdict", "review.column.worked",
        "review.column.detail", "review.column.decision"}) {
    html += "<th scope=\"col\">" + E(words.Text(key)) + "</th>";
  }
  html += "</tr></thead><tbody>\n";
  for (const ReviewLine& line : figure.lines) {
    html += "<tr><td>" + E(line.log) + "</td><td class=\"num\">" + N(line.line) + "</td><td>" +
            E(line.verdict) + "</td><td>" + E(line.worked) + "</td><td>" + E(line.detail) +
            "</td><td>" + DecideCell(line, view, words) + "</td></tr>\n";
  }
  html += "</tbody></table></div>\n";
  if (figure.more > 0) {
    html += "<p class=\"muted\">" + E(words.Plural("review.more", figure.more)) + "</p>\n";
  }
  return html;
}

std::string DecisionRow(const DecisionRecord& decision, const DecisionsView& view,
                        const Catalogue& words) {
  const std::string& csrf = view.csrf;
  std::string state;
  if (view.forEarlierLog.count(decision.id)) {
    state = "<span class=\"warn\">" +
            E(words.Format("decision.earlier_log", {{"call", decision.call}})) + "</span><br>";
  }
  if (decision.withdrawnUnix > 0) {
    state =
        E(words.Format("decision.state.withdrawn", {{"time", UtcText(decision.withdrawnUnix)}}));
  } else {
    state += E(words.Text("decision.state.in_force")) +
             "<form class=\"undo\" method=\"post\" action=\"/sponsor/decisions/" + N(decision.id) +
             "/undo\">" + Hidden("csrf", csrf) + "<button type=\"submit\">" +
             E(words.Text("decision.undo")) + "</button></form>";
  }
  const std::string was =
      decision.was.empty()
          ? std::string()
          : words.Format("decision.was", {{"verdict", decision.was}, {"run", N(decision.run)}});
  return "<tr id=\"decision-" + N(decision.id) + "\"" +
         (decision.withdrawnUnix > 0 ? " class=\"withdrawn\"" : "") + "><td class=\"num\">" +
         N(decision.id) + "</td><td>" + UtcText(decision.madeUnix) + "</td><td>" +
         E(decision.call) + "</td><td class=\"num\">" + N(decision.line) + "</td><td>" +
         E(decision.verdict) + "</td><td>" + E(was) + "</td><td>" + E(decision.reason) +
         "</td><td>" + E(decision.comment) + "</td><td>" + state + "</td></tr>\n";
}

std::string DecisionsTable(const DecisionsView& view, const Catalogue& words) {
  if (view.decisions.empty())
    return "<p id=\"decisions\">" + E(words.Text("decision.list.none")) + "</p>\n";
  std::string html = "<div class=\"scroll\"><table id=\"decisions\"><thead><tr>";
  for (const char* key :
       {"decision.column.number", "decision.column.made", "decision.column.call",
        "decision.column.line", "decision.column.verdict", "decision.column.was",
        "decision.column.reason", "decision.column.comment", "decision.column.state"}) {
    html += "<th scope=\"col\">" + E(words.Text(key)) + "</th>";
  }
  html += "</tr></thead><tbody>\n";
  for (const DecisionRecord& decision : view.decisions) html += DecisionRow(decision, view, words);
  return html + "</tbody></table></div>\n";
}

}  // namespace

std::vector<ReviewedLog> ReadReviewCsv(std::string_view csv, size_t perFigure, size_t inAll) {
  std::vector<ReviewedLog> logs;
  size_t kept = 0;
  std::vector<std::string> fields;
  bool heading = true;
  for (size_t at = 0; at < csv.size();) {
    size_t end = csv.find('\n', at);
    if (end == std::string_view::npos) end = csv.size();
    const std::string_view row = csv.substr(at, end - at);
    at = end + 1;
    if (heading) {
      heading = false;
      continue;
    }
    // call,figure,value,threshold,log,line,verdict,worked,detail
    if (!CsvRowFields(row, &fields) || fields.size() != 9 || fields[0].empty()) continue;
    if (logs.empty() || logs.back().call != fields[0]) logs.push_back({fields[0], {}});
    ReviewedLog& log = logs.back();
    if (fields[4].empty()) {
      log.figures.push_back({fields[1], fields[2], fields[3], {}, 0});
      continue;
    }
    if (log.figures.empty() || log.figures.back().name != fields[1]) continue;
    ReviewFigure& figure = log.figures.back();
    const int64_t line = std::atoll(fields[5].c_str());
    if (figure.lines.size() >= perFigure || kept >= inAll) {
      ++figure.more;
    } else if (line > 0) {
      figure.lines.push_back({fields[4], line, fields[6], fields[7], fields[8]});
      ++kept;
    }
  }
  return logs;
}

const char* DecisionFromName(DecisionFrom from) {
  switch (from) {
    case DecisionFrom::kReview:
      return "review";
    case DecisionFrom::kResults:
      return "results";
    default:
      return "decisions";
  }
}

std::string ReviewPage(const ReviewView& view, const Catalogue& words) {
  std::string body;
  if (!view.hasRun) {
    body = "<h1>" + E(words.Text("review.heading")) + "</h1>\n<p id=\"review-logs\">" +
           E(words.Text("review.no_check")) + "</p>\n";
  } else {
    const std::string run = N(view.run.id);
    const std::string folder = "/sponsor/runs/" + run + "/";
    body = "<h1>" + E(words.Format("review.title", {{"run", run}})) + "</h1>\n";
    if (!view.hasReview) {
      body += "<p id=\"review-logs\">" + E(words.Text("review.no_file")) + "</p>\n";
    } else {
      body += "<p><a id=\"review-html\" href=\"" + folder + "review.html\"><strong>" +
              E(words.Text("review.full")) + "</strong></a> · <a href=\"" + folder +
              "review.csv\">" + E(words.Text("review.download")) +
              "</a></p>\n<div id=\"review-logs\">";
      body += "<p>" +
              E(view.logs.empty()
                    ? words.Text("review.none")
                    : words.Plural("review.listed", static_cast<long long>(view.logs.size()))) +
              "</p>\n";
      for (const ReviewedLog& log : view.logs) {
        body += "<section class=\"reviewed\" id=\"review-" + E(FileCallOf(log.call)) + "\"><h2>" +
                E(log.call) + " <a href=\"" + folder + E(FileCallOf(log.call)) + ".html\">" +
                E(words.Text("review.entrant_page")) + "</a></h2>\n";
        for (const ReviewFigure& figure : log.figures) {
          body += "<h3>" +
                  E(words.Format("review.figure", {{"figure", FigureName(figure.name, words)},
                                                   {"value", figure.value},
                                                   {"threshold", figure.threshold}})) +
                  "</h3>\n";
          if (!figure.lines.empty() || figure.more > 0) body += LinesTable(figure, view, words);
        }
        body += "</section>\n";
      }
      body += "</div>\n";
    }
  }
  body += "<p><a href=\"/sponsor/decisions\">" + E(words.Text("decision.title")) +
          "</a> · <a href=\"/sponsor\">" + E(words.Text("decision.back")) + "</a></p>";
  return RobotPage(words, view.contest, words.Text("review.heading"), "/sponsor/review", body);
}

std::string DecisionsPage(const DecisionsView& view, const Catalogue& words) {
  std::string body = "<h1>" + E(words.Text("decision.title")) + "</h1>\n";
  if (!view.message.empty()) body += "<p id=\"message\">" + E(view.message) + "</p>\n";
  if (!view.refusal.empty()) {
    body += "<p id=\"decision-refused\" class=\"refused\">" + E(view.refusal) + "</p>\n";
  }
  if (!view.checkRefusal.empty()) {
    body += "<p id=\"check-refusal\" class=\"warn\">" + E(view.checkRefusal) + "</p>\n";
  }
  const DecisionRecord& form = view.form;
  body += "<p>" + E(words.Text("decision.intro")) + "</p>\n<h2>" +
          E(words.Text("decision.form.title")) + "</h2>\n" +
          FormStart(DecisionFrom::kDecisions, view.csrf, " id=\"decide\"") + "<p><label>" +
          E(words.Text("decision.form.call")) +
          " <input type=\"text\" name=\"call\" required maxlength=\"20\" value=\"" + E(form.call) +
          "\"></label> <label>" + E(words.Text("decision.form.line")) +
          " <input type=\"number\" name=\"line\" required min=\"1\" value=\"" +
          (form.line > 0 ? N(form.line) : std::string()) + "\"></label> <label>" +
          E(words.Text("decision.form.verdict")) + " " + VerdictSelect(form.verdict, words) +
          "</label></p><p>" + ReasonInput(form.reason, words) + "</p><p><label>" +
          E(words.Text("decision.form.comment")) +
          " <input type=\"text\" name=\"comment\" maxlength=\"" + N(kLongestReason) +
          "\" value=\"" + E(form.comment) + "\"></label></p><p>" + SubmitButton(words) +
          "</p></form>\n<h2>" + E(words.Text("decision.list.title")) + "</h2>\n" +
          DecisionsTable(view, words) + "<p><a href=\"/sponsor/review\">" +
          E(words.Text("review.heading")) + "</a> · <a href=\"/sponsor\">" +
          E(words.Text("decision.back")) + "</a></p>";
  return RobotPage(words, view.contest, words.Text("decision.title"), "/sponsor/decisions", body);
}

std::string EntrantDecisionForm(const std::string& call, const std::string& csrf,
                                const Catalogue& words) {
  if (call.empty()) return std::string();
  return "<details class=\"entrant-decision\"><summary>" +
         E(words.Format("decision.entrant", {{"call", call}})) + "</summary>" +
         FormStart(DecisionFrom::kResults, csrf, "") + Hidden("call", call) + "<label>" +
         E(words.Text("decision.form.line")) +
         " <input type=\"number\" name=\"line\" required min=\"1\"></label> " +
         VerdictSelect("", words) + " " + ReasonInput("", words) + " " + SubmitButton(words) +
         "</form></details>\n";
}

std::string CallOfReport(const std::string& fileName) {
  if (fileName.size() <= 4 || fileName.compare(fileName.size() - 4, 4, ".ubn") != 0)
    return std::string();
  std::string call = fileName.substr(0, fileName.size() - 4);
  if (!call.empty() && call.back() == '_') call.pop_back();  // a device name's guard
  for (char& c : call) {
    if (c == '_') c = '/';
  }
  return IsEntrantCall(call) && FileCallOf(call) + ".ubn" == fileName ? call : std::string();
}

std::string AdjudicationSections(const AdjudicationView& view) {
  const Catalogue& words = Catalogue::Of(view.language);
  std::string html = "<section id=\"adjudication\"><h2>" + E(words.Text("review.section.title")) +
                     "</h2>\n<p id=\"rules-in-force\">";
  if (view.rulesFile.empty()) {
    html += E(words.Text("review.rules.none")) + "</p>\n";
  } else {
    html += E(words.Format("review.rules.file", {{"file", view.rulesFile}})) +
            "</p>\n<details><summary>" + E(words.Text("review.rules.show")) +
            "</summary><pre id=\"rules-text\">" + E(view.rulesText) + "</pre></details>\n";
  }
  html += view.finishedRun > 0
              ? "<p><a id=\"review-link\" href=\"/sponsor/review\"><strong>" +
                    E(words.Format("review.link", {{"run", N(view.finishedRun)}})) +
                    "</strong></a></p>\n"
              : "<p id=\"review-link\">" + E(words.Text("review.link.none")) + "</p>\n";
  html += "<p><a id=\"decisions-link\" href=\"/sponsor/decisions\">" +
          E(words.Plural("decision.link", static_cast<long long>(view.decisionsInForce))) +
          "</a></p>\n</section>\n";
  if (view.showWanted) html += WantedLogsSection(view.wanted, words);
  return html;
}

}  // namespace tarno::score
