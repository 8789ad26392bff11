#include "serve/robot_pages.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <map>

#include "replay/html_text.h"

namespace tarno::score {
namespace {

const char kStyle[] =
    "body{font:15px/1.45 sans-serif;margin:1.2em auto;max-width:62em;padding:0 1em;color:#222}"
    "h1{font-size:1.5em;margin:.2em 0}h2{font-size:1.15em;margin:1.2em 0 .4em}"
    "table{border-collapse:collapse;margin:.5em 0}th,td{border:1px solid #bbb;padding:3px 8px;"
    "text-align:left;vertical-align:top}th{background:#e8eef6}"
    "form{margin:.6em 0}fieldset{border:1px solid #ccc;border-radius:6px}"
    "textarea{width:100%;max-width:40em;height:8em}pre{white-space:pre-wrap;background:#f6f6f6;"
    "padding:.6em;border:1px solid #ddd}.late,.refused,.warn{color:#a40000;font-weight:bold}"
    // On a phone a wide table or sheet scrolls in its own box instead of widening the page.
    ".scroll{overflow-x:auto;max-width:100%}pre.sheet{white-space:pre;overflow-x:auto}"
    "form.admit input[type=text]{width:12em}"
    ".muted{color:#666}button{padding:4px 14px}td.num{text-align:right}"
    // A receipt token is one long word: on a phone it must wrap, not widen the page.
    "#receipt-link{overflow-wrap:anywhere;word-break:break-all}";

constexpr size_t kProblemsListed = 5;  // per upload in the sponsor's list

std::string E(const std::string& text) { return HtmlEscaped(text); }

std::string Page(const std::string& title, const std::string& body) {
  return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
         "<title>" +
         E(title) + "</title><style>" + kStyle + "</style></head><body>\n" + body +
         "\n</body></html>\n";
}

std::string Hidden(const std::string& csrf) {
  return "<input type=\"hidden\" name=\"csrf\" value=\"" + E(csrf) + "\">";
}

// "CATEGORY-OPERATOR: SINGLE-OP\nCATEGORY-POWER: LOW\n" as "SINGLE-OP LOW".
std::string CategoryWords(const std::string& categories) {
  std::string words;
  for (size_t from = 0; from < categories.size();) {
    size_t to = categories.find('\n', from);
    if (to == std::string::npos) to = categories.size();
    const size_t colon = categories.find(": ", from);
    if (colon < to && colon + 2 < to)
      words += (words.empty() ? "" : " ") + categories.substr(colon + 2, to - colon - 2);
    from = to + 1;
  }
  return words;
}

// One item per line; past `most` lines, one item says how many more there are.
std::string ListItems(const std::string& lines, size_t most = SIZE_MAX) {
  std::string items;
  size_t count = 0;
  for (size_t from = 0; from < lines.size();) {
    size_t to = lines.find('\n', from);
    if (to == std::string::npos) to = lines.size();
    if (to > from && ++count <= most)
      items += "<li>" + E(lines.substr(from, to - from)) + "</li>\n";
    from = to + 1;
  }
  if (count > most) items += "<li>and " + std::to_string(count - most) + " more</li>\n";
  return items;
}

std::string StateText(const UploadRecord& upload) {
  return upload.state == "refused" ? "<span class=\"refused\">refused</span>"
         : upload.state == "late"  ? "<span class=\"late\">late</span>"
                                   : E(upload.state);
}

std::string Elapsed(int64_t seconds) {
  return std::to_string(seconds / 60) + " min " + std::to_string(seconds % 60) + " s";
}

std::string ProgressText(const SponsorView& view) {
  if (!view.hasRun) return "No check has run yet.";
  const RunRecord& run = view.run;
  std::string text = "Check " + std::to_string(run.id) + " of " + std::to_string(run.logs) +
                     " logs, started " + UtcText(run.startedUnix) + ": ";
  if (run.finishedUnix == 0) {
    return text + E(run.state) + ", running for " + Elapsed(view.nowUnix - run.startedUnix) +
           ". Reload the page to follow it.";
  }
  if (run.state == "finished") {
    text += "finished";
    if (run.status >= 0) text += " with status " + std::to_string(run.status);
    return text + " after " + Elapsed(run.finishedUnix - run.startedUnix) + ".";
  }
  // A run the robot's own end cut short has no time of its end to tell.
  text += E(run.state) + ": <span id=\"run-reason\">" +
          E(run.reason.empty() ? "no reason was kept" : run.reason) +
          "</span>. Nothing of it can be published; run the check again.";
  if (view.hasFinished && view.finished.id != run.id) {
    text += " The results of check " + std::to_string(view.finished.id) + ", finished " +
            UtcText(view.finished.finishedUnix) + ", are still the latest.";
  }
  return text;
}

// The latest finished run's results and the button that publishes them; nothing to press
// while no check has finished.
std::string ResultsLinks(const SponsorView& view) {
  if (!view.hasFinished) {
    return "<p id=\"private-results\">No results yet: no check has finished.</p>\n"
           "<p id=\"publish\">Nothing to publish.</p>\n";
  }
  const std::string id = std::to_string(view.finished.id);
  return "<p><a id=\"private-results\" href=\"/sponsor/results\">The results of check " + id +
         " (private until published)</a></p>\n<form id=\"publish\" method=\"post\" "
         "action=\"/sponsor/publish\">" +
         Hidden(view.csrf) + "<input type=\"hidden\" name=\"run\" value=\"" + id +
         "\"><button type=\"submit\">Publish the results of check " + id + "</button></form>\n";
}

// For each accepted upload that replaced its call's earlier log, what tells it apart from
// that log's sender: another client address, another e-mail address. An impostor can send a
// log under any call; the sponsor sees where each replacement came from.
std::map<int64_t, std::string> ReplacementNotes(const std::vector<UploadRecord>& uploads) {
  std::map<int64_t, std::string> notes;
  std::map<std::string, const UploadRecord*> before;  // by call, the last accepted upload
  for (auto upload = uploads.rbegin(); upload != uploads.rend(); ++upload) {
    if (!upload->refusal.empty() || upload->call.empty()) continue;
    const UploadRecord*& earlier = before[upload->call];
    if (earlier) {
      std::string note;
      if (earlier->address != upload->address)
        note += "from another address than upload " + std::to_string(earlier->id) + " (" +
                earlier->address + ")";
      if (earlier->email != upload->email)
        note += std::string(note.empty() ? "with" : ", and with") +
                " another e-mail address than upload " + std::to_string(earlier->id);
      if (!note.empty())
        notes[upload->id] = "replaces upload " + std::to_string(earlier->id) + ", sent " + note;
    }
    earlier = &*upload;
  }
  return notes;
}

std::string AdmitForm(const UploadRecord& upload, const std::string& csrf) {
  return "<form class=\"admit\" method=\"post\" action=\"/sponsor/upload/" +
         std::to_string(upload.id) + "/admit\">" + Hidden(csrf) +
         "<input type=\"text\" name=\"reason\" maxlength=\"300\" required "
         "placeholder=\"why it is taken\"> <button type=\"submit\">Take into the check"
         "</button></form>";
}

std::string StateCell(const UploadRecord& upload, const std::map<int64_t, std::string>& notes,
                      const std::string& csrf) {
  std::string cell = StateText(upload);
  if (upload.late && upload.state != "late") cell += " (late)";
  if (upload.admittedUnix > 0) {
    cell += "<br>taken into the check " + UtcText(upload.admittedUnix) +
            " by the sponsor: " + E(upload.admitReason);
  }
  const auto note = notes.find(upload.id);
  if (note != notes.end()) cell += "<br><span class=\"warn\">" + E(note->second) + "</span>";
  if (upload.state == "late") cell += AdmitForm(upload, csrf);
  return cell;
}

std::string LogsTable(const std::vector<UploadRecord>& uploads, const std::string& csrf) {
  const std::map<int64_t, std::string> notes = ReplacementNotes(uploads);
  std::string html =
      "<div class=\"scroll\"><table id=\"logs\"><thead><tr><th>No.</th><th>Call</th>"
      "<th>Category</th><th>Received</th><th>From</th><th>State</th><th>Problems</th>"
      "<th>Claimed score</th><th>E-mail</th><th>Raw</th></tr></thead><tbody>\n";
  for (const UploadRecord& upload : uploads) {
    const std::string problems = upload.refusal.empty() ? upload.findings : upload.refusal;
    html += "<tr id=\"upload-" + std::to_string(upload.id) + "\"><td class=\"num\">" +
            std::to_string(upload.id) + "</td><td>" + E(upload.call) + "</td><td>" +
            E(CategoryWords(upload.categories)) + "</td><td>" + UtcText(upload.receivedUnix) +
            "</td><td>" + E(upload.address) + "</td><td>" + StateCell(upload, notes, csrf) +
            "</td><td>" +
            (problems.empty() ? std::string("none")
                              : "<ul>" + ListItems(problems, kProblemsListed) + "</ul>") +
            "</td><td class=\"num\">" + E(upload.claimedScore) + "</td><td>" + E(upload.email) +
            "</td><td><a href=\"/sponsor/upload/" + std::to_string(upload.id) +
            "/raw\">bytes</a></td></tr>\n";
  }
  return html + "</tbody></table></div>\n";
}

// "1 QSO", "2 QSOs".
std::string Counted(int64_t count, const std::string& what) {
  return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

// Said at the top of a receipt when most of the log will not count; else empty.
std::string UncountedWarning(const UncountedQsos& uncounted) {
  if (uncounted.inLog == 0 || uncounted.Total() * 2 <= uncounted.inLog) return std::string();
  const std::string text =
      uncounted.outside == uncounted.inLog
          ? "None of this log's " + Counted(uncounted.inLog, "QSO") +
                " will count: all are outside the contest period (" + uncounted.period + ")."
          : "Most of this log will not count: " + std::to_string(uncounted.Total()) + " of its " +
                Counted(uncounted.inLog, "QSO") + ", listed below.";
  return "<p id=\"uncounted-warning\" class=\"refused\">" + E(text) + "</p>\n";
}

// Every QSO that will not count, the first ones by line and how many more.
std::string UncountedSection(const UncountedQsos& uncounted) {
  if (uncounted.inLog == 0) return std::string();
  std::string html = "<h2>QSOs that will not count</h2>\n<p id=\"uncounted-count\">";
  if (uncounted.Total() == 0) return html + "none: every QSO counts.</p>\n";
  std::vector<std::string> parts;
  if (uncounted.notRead) parts.push_back(std::to_string(uncounted.notRead) + " not read");
  if (uncounted.outside) {
    parts.push_back(std::to_string(uncounted.outside) + " outside the contest period (" +
                    uncounted.period + ")");
  }
  if (uncounted.refused)
    parts.push_back(std::to_string(uncounted.refused) + " refused by the plug-in");
  if (uncounted.dupes) parts.push_back(Counted(uncounted.dupes, "dupe"));
  std::string breakdown;
  for (const std::string& part : parts) breakdown += (breakdown.empty() ? "" : ", ") + part;
  html += E(std::to_string(uncounted.Total()) + " of the " + Counted(uncounted.inLog, "QSO") +
            ": " + breakdown + ".") +
          "</p>\n<ol id=\"uncounted\">" + ListItems(uncounted.listed) + "</ol>\n";
  const int64_t listed = std::count(uncounted.listed.begin(), uncounted.listed.end(), '\n');
  if (uncounted.Total() > listed) {
    html += "<p id=\"uncounted-more\">and " + std::to_string(uncounted.Total() - listed) +
            " more, not listed here.</p>\n";
  }
  return html;
}

}  // namespace

std::string UtcText(int64_t unixSeconds) {
  const time_t seconds = static_cast<time_t>(unixSeconds);
  std::tm moment{};
  gmtime_r(&seconds, &moment);
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &moment);
  return text;
}

std::string HomePage(const ContestTexts& contest, const std::vector<UploadRecord>& uploads,
                     bool published) {
  std::string body =
      "<h1>TARNO contest: log robot</h1>\n<p>Contest period: <span id=\"period\">" +
      E(contest.period) + "</span><br>Deadline for logs: <span id=\"deadline\">" +
      E(contest.deadline) + "</span></p>\n" +
      (published
           ? "<p><a id=\"results-link\" href=\"/results/\">The results are published.</a></p>\n"
           : "") +
      "<h2>Send your log</h2>\n"
      "<form id=\"upload\" method=\"post\" action=\"/upload\" enctype=\"multipart/form-data\">"
      "<fieldset><p><label>Cabrillo or ADIF file (at most 10 MB): <input type=\"file\" "
      "name=\"log\"></label></p><p><label>or paste the log here:<br><textarea name=\"text\">"
      "</textarea></label></p><p><label>E-mail (optional): <input type=\"email\" name=\"email\" "
      "maxlength=\"200\"></label></p><p><button id=\"send\" type=\"submit\">Send the log</button>"
      "</p></fieldset></form>\n<p class=\"muted\">Sending again replaces your log; the earlier "
      "one is kept for the sponsor.</p>\n<h2>Logs received</h2>\n"
      "<table id=\"received\"><thead><tr><th>Call</th><th>Category</th><th>Received</th>"
      "</tr></thead><tbody>\n";
  for (const UploadRecord& upload : uploads) {
    if (upload.state != "current" && upload.state != "late") continue;
    body += "<tr><td>" + E(upload.call) + "</td><td>" + E(CategoryWords(upload.categories)) +
            "</td><td>" + UtcText(upload.receivedUnix) +
            (upload.late ? " <span class=\"late\">late</span>" : "") + "</td></tr>\n";
  }
  return Page("TARNO log robot", body + "</tbody></table>");
}

std::string ReceiptPage(const UploadRecord& upload, const std::string& report, bool published,
                        const std::string& linkBase) {
  std::string body = "<div id=\"receipt\"><h1>Receipt for <span id=\"call\">" + E(upload.call) +
                     "</span></h1>\n<p>Received " + UtcText(upload.receivedUnix) + " as upload " +
                     std::to_string(upload.id) + ".</p>\n";
  if (upload.late) {
    body +=
        "<p id=\"late\" class=\"late\">This log came after the deadline: it is kept and "
        "marked late.</p>\n";
  }
  body += UncountedWarning(upload.uncounted);
  body += ReceiptMailNote(upload, Catalogue::Of(Language::kEnglish));
  body += "<table><tr><th>Categories</th><td id=\"categories\">" +
          (upload.categories.empty() ? std::string("none given")
                                     : "<ul>" + ListItems(upload.categories) + "</ul>") +
          "</td></tr><tr><th>QSO lines read</th><td id=\"lines-read\">" +
          std::to_string(upload.linesRead) +
          "</td></tr><tr><th>QSO lines refused</th><td id=\"lines-refused\">" +
          std::to_string(upload.linesRefused) +
          "</td></tr><tr><th>Claimed score (the plug-in's)</th><td id=\"claimed-score\">" +
          E(upload.claimedScore) + "</td></tr></table>\n" + UncountedSection(upload.uncounted) +
          "<h2>Problems found</h2>\n";
  body += upload.findings.empty() ? "<p id=\"findings\">none</p>\n"
                                  : "<ol id=\"findings\">" + ListItems(upload.findings) + "</ol>\n";
  if (!upload.summary.empty())
    body += "<h2>Summary sheet</h2>\n<pre id=\"summary\" class=\"sheet\">" + E(upload.summary) +
            "</pre>\n";
  body +=
      "<p>Keep this link: it shows this receipt, and your report once the results are "
      "published: <a id=\"receipt-link\" href=\"" +
      E(linkBase) + "/receipt/" + E(upload.token) + "\">" + E(linkBase) + "/receipt/" +
      E(upload.token) + "</a></p>\n";
  if (published) {
    body += "<h2>Your report</h2>\n<pre id=\"report\" class=\"sheet\">" +
            E(report.empty() ? "This log has no report in the published results." : report) +
            "</pre>\n<p><a id=\"results-link\" href=\"/results/\">The results</a></p>\n";
  }
  return Page("Receipt: " + upload.call, body + "</div><p><a href=\"/\">Back</a></p>");
}

std::string RefusalPage(const std::vector<std::string>& reasons) {
  std::string body = "<h1>The log was not taken</h1>\n<ul id=\"refused\">";
  for (const std::string& reason : reasons) body += "<li>" + E(reason) + "</li>";
  return Page("Log refused", body + "</ul>\n<p><a href=\"/\">Back to the upload form</a></p>");
}

std::string MessagePage(const std::string& title, const std::string& text) {
  return Page(title, "<h1>" + E(title) + "</h1>\n<p id=\"message\">" + E(text) +
                         "</p>\n<p><a href=\"/\">Back</a></p>");
}

std::string LoginPage(const std::string& csrf, const std::string& message) {
  return Page(
      "Sponsor: log in",
      "<h1>Sponsor</h1>\n" +
          (message.empty() ? "" : "<p id=\"message\" class=\"refused\">" + E(message) + "</p>\n") +
          "<form id=\"login\" method=\"post\" action=\"/sponsor/login\">" + Hidden(csrf) +
          "<label>Password: <input type=\"password\" name=\"password\" "
          "autocomplete=\"current-password\"></label> <button id=\"log-in\" "
          "type=\"submit\">Log in</button></form>");
}

std::string SponsorPage(const SponsorView& view) {
  std::string body = "<h1>Sponsor: logs received</h1>\n";
  if (!view.message.empty()) body += "<p id=\"message\">" + E(view.message) + "</p>\n";
  body += "<form id=\"logout\" method=\"post\" action=\"/sponsor/logout\">" + Hidden(view.csrf) +
          "<button type=\"submit\">Log out</button></form>\n<p><a id=\"archive\" "
          "href=\"/sponsor/archive\">All current logs in one archive (zip)</a></p>\n" +
          LogsTable(view.uploads, view.csrf) + "<h2>Cross-check</h2>\n<p id=\"progress\">" +
          ProgressText(view) +
          "</p>\n<form id=\"run-check\" method=\"post\" "
          "action=\"/sponsor/check\">" +
          Hidden(view.csrf) + "<button type=\"submit\"" + (view.running ? " disabled" : "") +
          ">Check the current logs</button></form>\n" + ResultsLinks(view) + "<p>" +
          (view.publishedRun
               ? "Published: the results of check " + std::to_string(view.publishedRun) + "."
               : std::string("Nothing is published yet.")) +
          "</p>\n" + AdjudicationSections(view.adjudication) +
          "<h2>Backup</h2>\n<form id=\"backup\" method=\"post\" action=\"/sponsor/backup\">" +
          Hidden(view.csrf) +
          "<button type=\"submit\">Make a backup of the database now</button></form>\n"
          "<p class=\"muted\">Backups go into the data folder's backups/ folder; the newest ten "
          "are kept.</p>\n" +
          MailSection(view.mail, Catalogue::Of(Language::kEnglish));
  return Page("Sponsor", body);
}

std::string PrivateResultsPage(const RunRecord& run,
                               const std::vector<std::pair<std::string, std::string>>& reports,
                               bool published, const std::string& csrf) {
  std::string body = "<h1>Results of check " + std::to_string(run.id) + "</h1>\n<p>" +
                     (published ? "Published." : "Not published: only you see them.") +
                     " <a id=\"results-page\" href=\"/sponsor/runs/" + std::to_string(run.id) +
                     "/results.html\">The results page</a>"
                     "</p>\n<form id=\"publish\" method=\"post\" action=\"/sponsor/publish\">" +
                     Hidden(csrf) + "<input type=\"hidden\" name=\"run\" value=\"" +
                     std::to_string(run.id) +
                     "\"><button type=\"submit\">Publish these results</button></form>"
                     "\n<h2>What the check said</h2>\n<pre id=\"check-output\">" +
                     E(run.output) + "</pre>\n<h2>Reports</h2>\n";
  for (const auto& [name, text] : reports)
    body += "<h3>" + E(name) + "</h3>\n<pre class=\"report\">" + E(text) + "</pre>\n" +
            EntrantDecisionForm(CallOfReport(name), csrf, Catalogue::Of(Language::kEnglish));
  return Page("Results of check " + std::to_string(run.id),
              body + "<p><a href=\"/sponsor\">Back</a></p>");
}

std::string RobotPage(const std::string& title, const std::string& body, const char* lang) {
  return "<!DOCTYPE html>\n<html lang=\"" + std::string(lang) +
         "\"><head><meta charset=\"utf-8\"><meta name=\"viewport\" "
         "content=\"width=device-width, initial-scale=1\"><title>" +
         E(title) + "</title><style>" + kStyle + "</style></head><body>\n" + body +
         "\n</body></html>\n";
}

}  // namespace tarno::score
