#include "serve/robot_pages.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <map>

#include "replay/html_text.h"
#include "serve/message_line.h"

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
    ".top{display:flex;flex-wrap:wrap;justify-content:space-between;gap:.3em 1em;color:#555;"
    "border-bottom:1px solid #ddd;padding-bottom:.3em}"
    // A receipt token is one long word: on a phone it must wrap, not widen the page.
    "#receipt-link{overflow-wrap:anywhere;word-break:break-all}";

constexpr size_t kProblemsListed = 5;  // per upload in the sponsor's list

std::string E(const std::string& text) { return HtmlEscaped(text); }

// The catalogue's words as a page shows them: escaped, and numbers as the language writes
// them. Markup fills in values that are markup already (a link, an element the tests find
// by id): each goes in as a mark no text holds, replaced after the escaping.
class PageWords {
 public:
  explicit PageWords(const Catalogue& words) : m_words(words) {}
  const Catalogue& catalogue() const { return m_words; }

  std::string Text(std::string_view key) const { return E(m_words.Text(key)); }
  std::string Format(std::string_view key, const Values& values) const {
    return E(m_words.Format(key, values));
  }
  std::string Plural(std::string_view key, long long count, const Values& values = {}) const {
    return E(m_words.Plural(key, count, values));
  }
  std::string Markup(std::string_view key, const Values& markup) const {
    Values marks;
    for (size_t i = 0; i < markup.size(); ++i)
      marks.emplace_back(markup[i].first, std::string{'\x01', static_cast<char>('A' + i), '\x02'});
    std::string html = E(m_words.Format(key, marks));
    for (size_t i = 0; i < markup.size(); ++i) {
      const std::string& mark = marks[i].second;
      for (size_t at = html.find(mark); at != std::string::npos;
           at = html.find(mark, at + markup[i].second.size())) {
        html.replace(at, mark.size(), markup[i].second);
      }
    }
    return html;
  }
  std::string Number(long long number) const { return m_words.Number(number); }
  // A kept line (message_line.h) in these words, escaped.
  std::string Line(std::string_view line) const { return E(ShownLine(m_words, line)); }

 private:
  const Catalogue& m_words;
};

// The path as it may stand in a link: anything but unreserved bytes and "/" percent-encoded.
std::string PathInLink(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string link;
  for (const char c : path) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
        std::string_view("-._~/").find(c) != std::string_view::npos) {
      link += c;
    } else {
      link += {'%', kHex[byte >> 4], kHex[byte & 15]};
    }
  }
  return link.empty() || link[0] != '/' ? "/" + link : link;
}

// Every page: the reader's language, the contest's title, and the link that shows the page
// in the other language (a GET, so that it never re-sends a form).
std::string Page(const PageWords& w, const std::string& contest, const std::string& title,
                 const std::string& here, const std::string& body) {
  const Catalogue& words = w.catalogue();
  const char* other = Catalogue::Of(words.language() == Language::kHungarian ? Language::kEnglish
                                                                             : Language::kHungarian)
                          .Code();
  return std::string("<!DOCTYPE html>\n<html lang=\"") + words.Code() +
         "\"><head><meta charset=\"utf-8\">"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"><title>" +
         w.Format("robot.page.title", {{"page", title}, {"contest", contest}}) + "</title><style>" +
         kStyle + "</style></head><body>\n<header class=\"top\"><span id=\"contest\">" +
         E(contest) + "</span><a id=\"language\" href=\"" + E(PathInLink(here)) + "?lang=" + other +
         "\" hreflang=\"" + other + "\" lang=\"" + other + "\">" + w.Text("language.switch") +
         "</a></header>\n" + body + "\n</body></html>\n";
}

std::string Hidden(const std::string& csrf) {
  return "<input type=\"hidden\" name=\"csrf\" value=\"" + E(csrf) + "\">";
}

std::string Back(const PageWords& w, const char* where = "/") {
  return std::string("<p><a href=\"") + where + "\">" + w.Text("robot.page.back") + "</a></p>";
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

// One item per kept line; past `most` lines, one item says how many more there are.
std::string ListItems(const PageWords& w, const std::string& lines, size_t most = SIZE_MAX) {
  std::string items;
  size_t count = 0;
  for (size_t from = 0; from < lines.size();) {
    size_t to = lines.find('\n', from);
    if (to == std::string::npos) to = lines.size();
    if (to > from && ++count <= most)
      items += "<li>" + w.Line(std::string_view(lines).substr(from, to - from)) + "</li>\n";
    from = to + 1;
  }
  if (count > most) {
    items += "<li>" +
             w.Format("robot.list.more", {{"n", w.Number(static_cast<long long>(count - most))}}) +
             "</li>\n";
  }
  return items;
}

// A score as the plug-in gave it is a number, written as the reader's language writes
// numbers; anything else says why there is none.
std::string ScoreText(const PageWords& w, const std::string& score) {
  if (!score.empty() && score.size() <= 18 &&
      score.find_first_not_of("0123456789") == std::string::npos) {
    return w.Number(std::atoll(score.c_str()));
  }
  return w.Line(score);
}

// A state the store keeps, in the reader's words; one the robot does not know as it is.
std::string StateWords(const PageWords& w, const std::string& state) {
  if (state == "current") return w.Text("robot.state.current");
  if (state == "replaced") return w.Text("robot.state.replaced");
  if (state == "late") return w.Text("robot.state.late");
  if (state == "refused") return w.Text("robot.state.refused");
  if (state == "started") return w.Text("robot.run.state.started");
  if (state == "writing the logs out") return w.Text("robot.run.state.writing");
  if (state == "reading and checking the logs") return w.Text("robot.run.state.checking");
  if (state == "finished") return w.Text("robot.run.state.finished");
  if (state == "failed") return w.Text("robot.run.state.failed");
  if (state == "interrupted") return w.Text("robot.run.state.interrupted");
  return E(state);
}

std::string StateText(const PageWords& w, const UploadRecord& upload) {
  const std::string state = StateWords(w, upload.state);
  return upload.state == "refused" ? "<span class=\"refused\">" + state + "</span>"
         : upload.state == "late"  ? "<span class=\"late\">" + state + "</span>"
                                   : state;
}

std::string Elapsed(const PageWords& w, int64_t seconds) {
  return w.catalogue().Format("robot.run.elapsed", {{"minutes", w.Number(seconds / 60)},
                                                    {"seconds", std::to_string(seconds % 60)}});
}

std::string ProgressText(const PageWords& w, const SponsorView& view) {
  if (!view.hasRun) return w.Text("robot.run.none");
  const RunRecord& run = view.run;
  const std::string head =
      w.catalogue().Plural("robot.run.head", run.logs,
                           {{"id", std::to_string(run.id)}, {"time", UtcText(run.startedUnix)}});
  if (run.finishedUnix == 0) {
    return w.Markup("robot.run.running",
                    {{"head", E(head)},
                     {"state", StateWords(w, run.state)},
                     {"elapsed", E(Elapsed(w, view.nowUnix - run.startedUnix))}});
  }
  const std::string elapsed = Elapsed(w, run.finishedUnix - run.startedUnix);
  if (run.state == "finished" && run.status >= 0) {
    return w.Format("robot.run.finished_status",
                    {{"head", head}, {"status", std::to_string(run.status)}, {"elapsed", elapsed}});
  }
  if (run.state == "finished")
    return w.Format("robot.run.finished", {{"head", head}, {"elapsed", elapsed}});
  // A run the robot's own end cut short has no time of its end to tell.
  const std::string reason =
      run.reason.empty() ? w.Text("robot.run.no_reason") : w.Line(run.reason);
  std::string text =
      w.Markup("robot.run.ended", {{"head", E(head)},
                                   {"state", StateWords(w, run.state)},
                                   {"reason", "<span id=\"run-reason\">" + reason + "</span>"}});
  if (view.hasFinished && view.finished.id != run.id) {
    text +=
        " " + w.Format("robot.run.still_latest", {{"id", std::to_string(view.finished.id)},
                                                  {"time", UtcText(view.finished.finishedUnix)}});
  }
  return text;
}

// The latest finished run's results and the button that publishes them; nothing to press
// while no check has finished.
std::string ResultsLinks(const PageWords& w, const SponsorView& view) {
  if (!view.hasFinished) {
    return "<p id=\"private-results\">" + w.Text("robot.sponsor.no_results") +
           "</p>\n<p id=\"publish\">" + w.Text("robot.sponsor.nothing_to_publish") + "</p>\n";
  }
  const std::string id = std::to_string(view.finished.id);
  return "<p><a id=\"private-results\" href=\"/sponsor/results\">" +
         w.Format("robot.sponsor.results_link", {{"id", id}}) +
         "</a></p>\n<form id=\"publish\" method=\"post\" action=\"/sponsor/publish\">" +
         Hidden(view.csrf) + "<input type=\"hidden\" name=\"run\" value=\"" + id +
         "\"><button type=\"submit\">" + w.Format("robot.sponsor.publish_run", {{"id", id}}) +
         "</button></form>\n";
}

// For each accepted upload that replaced its call's earlier log, what tells it apart from
// that log's sender: another client address, another e-mail address. An impostor can send a
// log under any call; the sponsor sees where each replacement came from. Plain text.
std::map<int64_t, std::string> ReplacementNotes(const Catalogue& words,
                                                const std::vector<UploadRecord>& uploads) {
  std::map<int64_t, std::string> notes;
  std::map<std::string, const UploadRecord*> before;  // by call, the last accepted upload
  for (auto upload = uploads.rbegin(); upload != uploads.rend(); ++upload) {
    if (!upload->refusal.empty() || upload->call.empty()) continue;
    const UploadRecord*& earlier = before[upload->call];
    if (earlier) {
      const std::string id = std::to_string(earlier->id);
      std::string how;
      if (earlier->address != upload->address) {
        how = words.Format("robot.replaces.address", {{"id", id}, {"address", earlier->address}});
      }
      if (earlier->email != upload->email) {
        const std::string email = words.Format("robot.replaces.email", {{"id", id}});
        how = how.empty()
                  ? email
                  : words.Format("robot.replaces.both", {{"address", how}, {"email", email}});
      }
      if (!how.empty())
        notes[upload->id] = words.Format("robot.replaces", {{"id", id}, {"how", how}});
    }
    earlier = &*upload;
  }
  return notes;
}

std::string AdmitForm(const PageWords& w, const UploadRecord& upload, const std::string& csrf) {
  return "<form class=\"admit\" method=\"post\" action=\"/sponsor/upload/" +
         std::to_string(upload.id) + "/admit\">" + Hidden(csrf) +
         "<input type=\"text\" name=\"reason\" maxlength=\"300\" required placeholder=\"" +
         w.Text("robot.sponsor.admit_why") + "\"> <button type=\"submit\">" +
         w.Text("robot.sponsor.admit") + "</button></form>";
}

std::string StateCell(const PageWords& w, const UploadRecord& upload,
                      const std::map<int64_t, std::string>& notes, const std::string& csrf) {
  std::string cell = StateText(w, upload);
  if (upload.late && upload.state != "late") cell += " (" + w.Text("robot.state.late") + ")";
  if (upload.admittedUnix > 0) {
    cell += "<br>" + w.Format("robot.sponsor.admitted", {{"time", UtcText(upload.admittedUnix)},
                                                         {"reason", upload.admitReason}});
  }
  const auto note = notes.find(upload.id);
  if (note != notes.end()) cell += "<br><span class=\"warn\">" + E(note->second) + "</span>";
  if (upload.state == "late") cell += AdmitForm(w, upload, csrf);
  return cell;
}

std::string LogsTable(const PageWords& w, const std::vector<UploadRecord>& uploads,
                      const std::string& csrf) {
  const std::map<int64_t, std::string> notes = ReplacementNotes(w.catalogue(), uploads);
  std::string html = "<div class=\"scroll\"><table id=\"logs\"><thead><tr>";
  for (const std::string& heading :
       {w.Text("robot.column.number"), w.Text("robot.column.call"), w.Text("robot.column.category"),
        w.Text("robot.column.received"), w.Text("robot.column.from"), w.Text("robot.column.state"),
        w.Text("robot.column.problems"), w.Text("robot.column.claimed_score"),
        w.Text("robot.column.email"), w.Text("robot.column.raw")}) {
    html += "<th>" + heading + "</th>";
  }
  html += "</tr></thead><tbody>\n";
  for (const UploadRecord& upload : uploads) {
    const std::string problems = upload.refusal.empty() ? upload.findings : upload.refusal;
    html += "<tr id=\"upload-" + std::to_string(upload.id) + "\"><td class=\"num\">" +
            std::to_string(upload.id) + "</td><td>" + E(upload.call) + "</td><td>" +
            E(CategoryWords(upload.categories)) + "</td><td>" + UtcText(upload.receivedUnix) +
            "</td><td>" + E(upload.address) + "</td><td>" + StateCell(w, upload, notes, csrf) +
            "</td><td>" +
            (problems.empty() ? w.Text("robot.none")
                              : "<ul>" + ListItems(w, problems, kProblemsListed) + "</ul>") +
            "</td><td class=\"num\">" + ScoreText(w, upload.claimedScore) + "</td><td>" +
            E(upload.email) + "</td><td><a href=\"/sponsor/upload/" + std::to_string(upload.id) +
            "/raw\">" + w.Text("robot.sponsor.bytes") + "</a></td></tr>\n";
  }
  return html + "</tbody></table></div>\n";
}

// Said at the top of a receipt when most of the log will not count; else empty.
std::string UncountedWarning(const PageWords& w, const UncountedQsos& uncounted) {
  if (uncounted.inLog == 0 || uncounted.Total() * 2 <= uncounted.inLog) return std::string();
  const std::string text = uncounted.outside == uncounted.inLog
                               ? w.Plural("robot.uncounted.all_outside", uncounted.inLog,
                                          {{"period", ShownLine(w.catalogue(), uncounted.period)}})
                               : w.Plural("robot.uncounted.most", uncounted.inLog,
                                          {{"total", w.Number(uncounted.Total())}});
  return "<p id=\"uncounted-warning\" class=\"refused\">" + text + "</p>\n";
}

// How many QSOs will not count for each reason: "1 not read, 2 refused by the plug-in".
std::string UncountedBreakdown(const Catalogue& words, const UncountedQsos& uncounted) {
  std::vector<std::string> parts;
  if (uncounted.notRead)
    parts.push_back(words.Plural("robot.uncounted.not_read", uncounted.notRead));
  if (uncounted.outside) {
    parts.push_back(words.Plural("robot.uncounted.outside", uncounted.outside,
                                 {{"period", ShownLine(words, uncounted.period)}}));
  }
  if (uncounted.refused)
    parts.push_back(words.Plural("robot.uncounted.refused", uncounted.refused));
  if (uncounted.dupes) parts.push_back(words.Plural("robot.uncounted.dupes", uncounted.dupes));
  std::string breakdown;
  for (const std::string& part : parts) breakdown += (breakdown.empty() ? "" : ", ") + part;
  return breakdown;
}

// Every QSO that will not count, the first ones by line and how many more.
std::string UncountedSection(const PageWords& w, const UncountedQsos& uncounted) {
  if (uncounted.inLog == 0) return std::string();
  std::string html =
      "<h2>" + w.Text("robot.uncounted.heading") + "</h2>\n<p id=\"uncounted-count\">";
  if (uncounted.Total() == 0) return html + w.Text("robot.uncounted.none") + "</p>\n";
  html += w.Plural("robot.uncounted.count", uncounted.inLog,
                   {{"total", w.Number(uncounted.Total())},
                    {"breakdown", UncountedBreakdown(w.catalogue(), uncounted)}}) +
          "</p>\n<ol id=\"uncounted\">" + ListItems(w, uncounted.listed) + "</ol>\n";
  const int64_t listed = std::count(uncounted.listed.begin(), uncounted.listed.end(), '\n');
  if (uncounted.Total() > listed) {
    html += "<p id=\"uncounted-more\">" +
            w.Format("robot.uncounted.more", {{"n", w.Number(uncounted.Total() - listed)}}) +
            "</p>\n";
  }
  return html;
}

std::string ReceiptTable(const PageWords& w, const UploadRecord& upload) {
  return "<table><tr><th>" + w.Text("robot.receipt.categories") + "</th><td id=\"categories\">" +
         (upload.categories.empty() ? w.Text("robot.receipt.no_categories")
                                    : "<ul>" + ListItems(w, upload.categories) + "</ul>") +
         "</td></tr><tr><th>" + w.Text("robot.receipt.lines_read") + "</th><td id=\"lines-read\">" +
         w.Number(upload.linesRead) + "</td></tr><tr><th>" + w.Text("robot.receipt.lines_refused") +
         "</th><td id=\"lines-refused\">" + w.Number(upload.linesRefused) + "</td></tr><tr><th>" +
         w.Text("robot.receipt.claimed_score") + "</th><td id=\"claimed-score\">" +
         ScoreText(w, upload.claimedScore) + "</td></tr></table>\n";
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

std::string HomePage(const Catalogue& words, const std::string& contest, const ContestDates& dates,
                     const std::vector<UploadRecord>& uploads, bool published) {
  const PageWords w(words);
  const std::string period =
      dates.start.empty()
          ? w.Text("robot.home.any_period")
          : w.Format("robot.home.period", {{"start", dates.start}, {"end", dates.end}});
  const std::string deadline =
      dates.hasDeadline ? UtcText(dates.deadlineUnix) : w.Text("robot.home.no_deadline");
  std::string body =
      "<h1>" + w.Text("robot.home.heading") + "</h1>\n<p>" +
      w.Markup("robot.home.period_line",
               {{"period", "<span id=\"period\">" + period + "</span>"}}) +
      "<br>" +
      w.Markup("robot.home.deadline_line",
               {{"deadline", "<span id=\"deadline\">" + deadline + "</span>"}}) +
      "</p>\n" +
      (published ? "<p><a id=\"results-link\" href=\"/results/\">" +
                       w.Text("robot.home.published") + "</a></p>\n"
                 : "") +
      "<h2>" + w.Text("robot.home.send") +
      "</h2>\n<form id=\"upload\" method=\"post\" action=\"/upload\" "
      "enctype=\"multipart/form-data\"><fieldset><p><label>" +
      w.Text("robot.home.file") + " <input type=\"file\" name=\"log\"></label></p><p><label>" +
      w.Text("robot.home.paste") + "<br><textarea name=\"text\"></textarea></label></p><p><label>" +
      w.Text("robot.home.email") +
      " <input type=\"email\" name=\"email\" maxlength=\"200\"></label></p><p><button "
      "id=\"send\" type=\"submit\">" +
      w.Text("robot.home.send_button") + "</button></p></fieldset></form>\n<p class=\"muted\">" +
      w.Text("robot.home.replaces") + "</p>\n<h2>" + w.Text("robot.home.received") +
      "</h2>\n<table id=\"received\"><thead><tr><th>" + w.Text("robot.column.call") + "</th><th>" +
      w.Text("robot.column.category") + "</th><th>" + w.Text("robot.column.received") +
      "</th></tr></thead><tbody>\n";
  const std::string late = " <span class=\"late\">" + w.Text("robot.state.late") + "</span>";
  for (const UploadRecord& upload : uploads) {
    if (upload.state != "current" && upload.state != "late") continue;
    body += "<tr><td>" + E(upload.call) + "</td><td>" + E(CategoryWords(upload.categories)) +
            "</td><td>" + UtcText(upload.receivedUnix) + (upload.late ? late : "") + "</td></tr>\n";
  }
  return Page(w, contest, words.Text("robot.home.heading"), "/", body + "</tbody></table>");
}

std::string ReceiptPage(const Catalogue& words, const std::string& contest,
                        const UploadRecord& upload, const std::string& report, bool published,
                        const std::string& linkBase, const ReceiptLinks& links) {
  const PageWords w(words);
  const std::string link = linkBase + "/receipt/" + upload.token;
  std::string body = "<div id=\"receipt\"><h1>" +
                     w.Markup("robot.receipt.heading",
                              {{"call", "<span id=\"call\">" + E(upload.call) + "</span>"}}) +
                     "</h1>\n<p>" +
                     w.Format("robot.receipt.received", {{"time", UtcText(upload.receivedUnix)},
                                                         {"id", std::to_string(upload.id)}}) +
                     "</p>\n";
  if (upload.late)
    body += "<p id=\"late\" class=\"late\">" + w.Text("robot.receipt.late") + "</p>\n";
  body += UncountedWarning(w, upload.uncounted) + ReceiptMailNote(upload, words) +
          ReceiptTable(w, upload) + UncountedSection(w, upload.uncounted) + "<h2>" +
          w.Text("robot.receipt.problems") + "</h2>\n";
  body += upload.findings.empty()
              ? "<p id=\"findings\">" + w.Text("robot.none") + "</p>\n"
              : "<ol id=\"findings\">" + ListItems(w, upload.findings) + "</ol>\n";
  if (!upload.summary.empty()) {
    body += "<h2>" + w.Text("robot.receipt.summary") +
            "</h2>\n<pre id=\"summary\" class=\"sheet\">" + E(upload.summary) + "</pre>\n";
  }
  body +=
      "<p>" +
      w.Markup("robot.receipt.keep_link",
               {{"link", "<a id=\"receipt-link\" href=\"" + E(link) + "\">" + E(link) + "</a>"}}) +
      "</p>\n";
  if (published) {
    body += "<h2>" + w.Text("robot.receipt.report") + "</h2>\n<pre id=\"report\" class=\"sheet\">" +
            (report.empty() ? w.Text("robot.receipt.no_report") : E(report)) +
            "</pre>\n<p><a id=\"results-link\" href=\"/results/\">" +
            w.Text("robot.receipt.results") + "</a>";
    if (!links.page.empty())
      body += " \xC2\xB7 <a id=\"page-link\" href=\"" + E(links.page) + "\">" +
              w.Text("robot.receipt.page") + "</a>";
    if (!links.certificate.empty())
      body += " \xC2\xB7 <a id=\"certificate-link\" href=\"" + E(links.certificate) + "\">" +
              w.Text("robot.receipt.certificate") + "</a>";
    body += "</p>\n";
  }
  return Page(w, contest, words.Format("robot.receipt.title", {{"call", upload.call}}), link,
              body + "</div>" + Back(w));
}

std::string RefusalPage(const Catalogue& words, const std::string& contest,
                        const std::vector<std::string>& reasons) {
  const PageWords w(words);
  std::string body = "<h1>" + w.Text("robot.refusal.heading") + "</h1>\n<ul id=\"refused\">";
  for (const std::string& reason : reasons) body += "<li>" + w.Line(reason) + "</li>";
  return Page(w, contest, words.Text("robot.refusal.title"), "/",
              body + "</ul>\n<p><a href=\"/\">" + w.Text("robot.refusal.back") + "</a></p>");
}

std::string MessagePage(const Catalogue& words, const std::string& contest,
                        const std::string& heading, const std::string& text,
                        const std::string& here) {
  const PageWords w(words);
  return Page(w, contest, heading, here,
              "<h1>" + E(heading) + "</h1>\n<p id=\"message\">" + E(text) + "</p>\n" + Back(w));
}

std::string LoginPage(const Catalogue& words, const std::string& contest, const std::string& csrf,
                      const std::string& message) {
  const PageWords w(words);
  return Page(
      w, contest, words.Text("robot.login.title"), "/sponsor",
      "<h1>" + w.Text("robot.login.heading") + "</h1>\n" +
          (message.empty() ? "" : "<p id=\"message\" class=\"refused\">" + E(message) + "</p>\n") +
          "<form id=\"login\" method=\"post\" action=\"/sponsor/login\">" + Hidden(csrf) +
          "<label>" + w.Text("robot.login.password") +
          " <input type=\"password\" name=\"password\" autocomplete=\"current-password\">"
          "</label> <button id=\"log-in\" type=\"submit\">" +
          w.Text("robot.login.button") + "</button></form>");
}

std::string SponsorPage(const Catalogue& words, const std::string& contest,
                        const SponsorView& view) {
  const PageWords w(words);
  std::string body = "<h1>" + w.Text("robot.sponsor.heading") + "</h1>\n";
  if (!view.message.empty()) body += "<p id=\"message\">" + E(view.message) + "</p>\n";
  body += "<form id=\"logout\" method=\"post\" action=\"/sponsor/logout\">" + Hidden(view.csrf) +
          "<button type=\"submit\">" + w.Text("robot.sponsor.logout") +
          "</button></form>\n<p><a id=\"archive\" href=\"/sponsor/archive\">" +
          w.Text("robot.sponsor.archive") + "</a></p>\n" + LogsTable(w, view.uploads, view.csrf) +
          "<h2>" + w.Text("robot.sponsor.check_heading") + "</h2>\n<p id=\"progress\">" +
          ProgressText(w, view) +
          "</p>\n<form id=\"run-check\" method=\"post\" action=\"/sponsor/check\">" +
          Hidden(view.csrf) + "<button type=\"submit\"" + (view.running ? " disabled" : "") + ">" +
          w.Text("robot.sponsor.run_check") + "</button></form>\n" + ResultsLinks(w, view) + "<p>" +
          (view.publishedRun
               ? w.Format("robot.sponsor.published", {{"id", std::to_string(view.publishedRun)}})
               : w.Text("robot.sponsor.nothing_published")) +
          "</p>\n" + AdjudicationSections(view.adjudication) + "<h2>" +
          w.Text("robot.sponsor.backup_heading") +
          "</h2>\n<form id=\"backup\" method=\"post\" action=\"/sponsor/backup\">" +
          Hidden(view.csrf) + "<button type=\"submit\">" + w.Text("robot.sponsor.backup") +
          "</button></form>\n<p class=\"muted\">" + w.Text("robot.sponsor.backups_kept") +
          "</p>\n" + MailSection(view.mail, words);
  return Page(w, contest, words.Text("robot.sponsor.title"), "/sponsor", body);
}

std::string PrivateResultsPage(const Catalogue& words, const std::string& contest,
                               const RunRecord& run,
                               const std::vector<std::pair<std::string, std::string>>& reports,
                               bool published, const std::string& csrf) {
  const PageWords w(words);
  const std::string id = std::to_string(run.id);
  const std::string title = words.Format("robot.results.heading", {{"id", id}});
  std::string body =
      "<h1>" + E(title) + "</h1>\n<p>" +
      (published ? w.Text("robot.results.published") : w.Text("robot.results.private")) +
      " <a id=\"results-page\" href=\"/sponsor/runs/" + id + "/results.html\">" +
      w.Text("robot.results.page") +
      "</a></p>\n<form id=\"publish\" method=\"post\" action=\"/sponsor/publish\">" + Hidden(csrf) +
      "<input type=\"hidden\" name=\"run\" value=\"" + id + "\"><button type=\"submit\">" +
      w.Text("robot.results.publish") + "</button></form>\n<h2>" + w.Text("robot.results.output") +
      "</h2>\n<pre id=\"check-output\">" + E(run.output) + "</pre>\n<h2>" +
      w.Text("robot.results.reports") + "</h2>\n";
  for (const auto& [name, text] : reports)
    body += "<h3>" + E(name) + "</h3>\n<pre class=\"report\">" + E(text) + "</pre>\n" +
            EntrantDecisionForm(CallOfReport(name), csrf, words);
  return Page(w, contest, title, "/sponsor/results", body + Back(w, "/sponsor"));
}

std::string RobotPage(const Catalogue& words, const std::string& contest, const std::string& title,
                      const std::string& here, const std::string& body) {
  return Page(PageWords(words), contest, title, here, body);
}

}  // namespace tarno::score
