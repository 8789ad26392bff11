#include "crosscheck/results_html.h"

#include <filesystem>
#include <fstream>

#include "crosscheck/html_text.h"
#include "crosscheck/page_words.h"

namespace tarno::score {
namespace {

// The results page prints across the sheet, so that every column of a table fits on it.
const char kResultsStyle[] =
    ".toc{padding:0;margin:.3em 0}.toc li{display:inline-block;margin:0 1em .2em 0}"
    ".calls a{display:inline-block;margin:0 .6em .2em 0}"
    // A browser lays out only the tables in sight: thousands of rows would otherwise keep a
    // phone busy for seconds before it shows the first.
    ".lazy{content-visibility:auto}"
    "@page{size:A4 landscape}"
    "@media print{.lazy{content-visibility:visible}table.results{font-size:7.5px}.results "
    "th,.results td{padding:1px 2px}"
    ".results .t,.entrants td:nth-last-child(-n+4){min-width:6em}"
    ".results thead th{hyphens:auto}.toc{display:none}}";

// The verdicts counted in a table's columns, after the figures every reader looks for.
constexpr Verdict kCounted[] = {
    Verdict::kNil,          Verdict::kBustedCall,      Verdict::kBustedExchange,
    Verdict::kBandMismatch, Verdict::kModeMismatch,    Verdict::kUnique,
    Verdict::kNoLog,        Verdict::kNotInPartialLog, Verdict::kDupe,
    Verdict::kOutside,      Verdict::kInvalid};

std::string Esc(const std::string& text) { return HtmlEscaped(text); }

std::string Th(const std::string& text) { return "<th scope=\"col\">" + Esc(text) + "</th>"; }

// A cell with its end tag left out: a contest of 10,000 logs has a quarter million cells.
std::string Td(const Catalogue& words, long long value) { return "<td>" + words.Number(value); }

std::string CallCell(const std::string& call) {
  return "<th scope=\"row\"><a href=\"" + EntrantPageLink(call) + "\">" + Esc(call) + "</a>";
}

// The heads after the first column and the call.
std::string FigureHeads(const Catalogue& words) {
  std::string heads = Th(words.Text("column.checked")) + Th(words.Text("column.qsos")) +
                      Th(words.Text("column.points")) + Th(words.Text("column.counties")) +
                      Th(words.Text("column.claimed")) + Th(words.Text("column.logged"));
  for (Verdict verdict : kCounted) heads += Th(VerdictLabel(words, verdict));
  return heads + Th(words.Text("column.penalty")) + Th(words.Text("column.clock")) +
         Th(words.Text("column.country")) + Th(words.Text("column.continent")) +
         Th(words.Text("column.name")) + Th(words.Text("column.club"));
}

// The cells after the first column and the call; the last four are text (see the style).
std::string FigureCells(const Catalogue& words, const ContestSet& set, const RankedLog& row,
                        bool dropUniques) {
  const EntrantLog& log = set.logs[row.log];
  std::string cells = Td(words, log.checked) + Td(words, CreditedCount(log, dropUniques)) +
                      Td(words, log.checkedPoints) + Td(words, log.checkedCounties) +
                      Td(words, log.claimed) + Td(words, static_cast<long long>(log.qsoCount));
  for (Verdict verdict : kCounted) cells += Td(words, log.counts[static_cast<int>(verdict)]);
  return cells + Td(words, log.penaltyPoints) + "<td>" + Esc(ClockCellWords(words, log.clock)) +
         "<td>" + Esc(row.country) + "<td>" + Esc(row.continent) + "<td>" + Esc(row.name) + "<td>" +
         Esc(row.club);
}

// The table's box is laid out when it comes near the screen; until then it stands in at
// about its height, so that the page scrolls as it will.
std::string TableStart(const char* classes, const std::string& attributes, const std::string& heads,
                       size_t rows) {
  return "<div class=\"scroll lazy\" style=\"contain-intrinsic-size:auto " +
         std::to_string(80 + 30 * rows) + "px\"><table class=\"results " + classes + "\"" +
         attributes + "><thead><tr>" + heads + "</tr></thead><tbody>\n";
}

std::string CategoryTables(const PageLanguage& page, const ContestSet& set,
                           const std::vector<RankedLog>& ranking, const Standings& standings,
                           bool dropUniques) {
  const Catalogue& words = page.words;
  const std::string heads =
      Th(words.Text("column.place")) + Th(words.Text("column.call")) + FigureHeads(words);
  std::string html;
  for (size_t t = 0; t < standings.tables.size(); ++t) {
    const CategoryTable& table = standings.tables[t];
    html += "<h2 id=\"c-" + std::to_string(t + 1) + "\">" + Esc(CategoryWords(words, table)) +
            "</h2>\n" +
            TableStart("ranked entrants", " data-category=\"" + Esc(table.name) + "\"", heads,
                       table.rows.size());
    for (size_t row : table.rows) {
      html += "<tr><td>" + words.Number(ranking[row].categoryRank) +
              CallCell(set.logs[ranking[row].log].call) +
              FigureCells(words, set, ranking[row], dropUniques) + "\n";
    }
    html += "</tbody></table></div>\n";
  }
  if (standings.unranked.empty()) return html;
  html += "<h2 id=\"unranked\">" + Esc(words.Text("results.not_ranked")) + "</h2>\n" +
          TableStart("entrants", " id=\"not-ranked\"",
                     Th(words.Text("column.call")) + Th(words.Text("column.category")) +
                         FigureHeads(words),
                     standings.unranked.size());
  for (size_t row : standings.unranked) {
    const bool checkLog = ranking[row].category == "CHECKLOG";
    html += "<tr>" + CallCell(set.logs[ranking[row].log].call) + "<td class=\"t\">" +
            Esc(checkLog ? words.Text("results.check_log") : words.Text("results.no_category")) +
            FigureCells(words, set, ranking[row], dropUniques) + "\n";
  }
  return html + "</tbody></table></div>\n";
}

std::string ClubTable(const Catalogue& words, const ContestSet& set,
                      const std::vector<RankedLog>& ranking, const std::vector<ClubRow>& clubs) {
  std::string html = "<h2 id=\"clubs-head\">" + Esc(words.Text("results.clubs")) +
                     "</h2>\n<p class=\"muted\">" + Esc(words.Text("results.clubs_note")) +
                     "</p>\n" +
                     TableStart("ranked", " id=\"clubs\"",
                                Th(words.Text("column.place")) + Th(words.Text("column.club")) +
                                    Th(words.Text("column.score")) + Th(words.Text("column.logs")) +
                                    Th(words.Text("column.members")),
                                clubs.size());
  for (const ClubRow& club : clubs) {
    std::string members;
    for (size_t row : club.members)
      members += (members.empty() ? "" : " ") + set.logs[ranking[row].log].call;
    html += "<tr><td>" + words.Number(club.rank) + "<th scope=\"row\">" + Esc(club.club) +
            Td(words, club.score) + Td(words, static_cast<long long>(club.members.size())) +
            "<td class=\"t\">" + Esc(members) + "\n";
  }
  return html + "</tbody></table></div>\n";
}

// A link to every entrant's page, by call.
std::string Calls(const Catalogue& words, const ContestSet& set) {
  std::string html = "<h2 id=\"calls-head\">" + Esc(words.Text("results.calls")) +
                     "</h2>\n<p class=\"muted\">" + Esc(words.Text("results.calls_note")) +
                     "</p>\n<p id=\"calls\" class=\"calls\">";
  for (uint32_t log : LogsByCall(set)) {
    const std::string& call = set.logs[log].call;
    html += "<a href=\"" + EntrantPageLink(call) + "\">" + Esc(call) + "</a> ";
  }
  return html + "</p>\n";
}

std::string Contents(const Catalogue& words, const Standings& standings) {
  std::string html = "<ul class=\"toc\">";
  for (size_t t = 0; t < standings.tables.size(); ++t) {
    html += "<li><a href=\"#c-" + std::to_string(t + 1) + "\">" +
            Esc(CategoryWords(words, standings.tables[t])) + "</a></li>";
  }
  if (!standings.unranked.empty())
    html +=
        "<li><a href=\"#unranked\">" + Esc(words.Text("results.not_ranked_short")) + "</a></li>";
  return html + "<li><a href=\"#clubs-head\">" + Esc(words.Text("results.clubs")) +
         "</a></li><li><a href=\"#calls-head\">" + Esc(words.Text("results.calls")) +
         "</a></li></ul>\n";
}

}  // namespace

std::string ResultsHtml(const PageLanguage& page, const ContestSet& set,
                        const std::vector<RankedLog>& ranking, const Standings& standings,
                        const std::vector<ClubRow>& clubs, const ReportContext& context) {
  const Catalogue& words = page.words;
  const std::string up = page.Up();
  const auto file = [&](const char* name) {
    return "<a href=\"" + up + name + "\">" + name + "</a>";
  };
  std::string html =
      PageStart(page, words.Text("results.title"), "results.html", kResultsStyle) + "<h1>" +
      Esc(words.Format("results.heading", {{"title", page.title}})) +
      "</h1>\n<p class=\"muted\" id=\"summary\">" +
      Esc(words.Format(
              "results.summary",
              {{"logs", words.Plural("results.logs", static_cast<long long>(ranking.size()))},
               {"period", PeriodWords(words, context.period)},
               {"window", words.Plural("results.minutes", context.windowMinutes)}}) +
          (context.dropUniques ? " " + words.Text("results.uniques_dropped") : "")) +
      "</p>\n<p id=\"files\">" +
      words.Format("results.files", {{"files", file("results.csv") + ", " + file("clubs.csv") +
                                                   ", " + file("results.json")}}) +
      " &middot; <a href=\"statistics.html\">" + Esc(words.Text("results.statistics")) +
      "</a></p>\n" + Contents(words, standings);
  html += CategoryTables(page, set, ranking, standings, context.dropUniques);
  html += ClubTable(words, set, ranking, clubs);
  html += Calls(words, set);
  return html + "</body></html>\n";
}

bool WriteResultsHtml(const ContestSet& set, const std::vector<RankedLog>& ranking,
                      const Standings& standings, const std::vector<ClubRow>& clubs,
                      const ReportContext& context, const std::string& folder, std::string* error) {
  namespace fs = std::filesystem;
  for (Language language : kLanguages) {
    const PageLanguage page = PagesIn(language, context.title);
    std::error_code made;
    fs::create_directories(fs::path(folder) / page.Folder(), made);
    const fs::path path = fs::path(folder) / page.Folder() / "results.html";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << ResultsHtml(page, set, ranking, standings, clubs, context);
    out.close();
    if (!out) {
      *error = "cannot write " + path.string();
      return false;
    }
  }
  return true;
}

}  // namespace tarno::score
