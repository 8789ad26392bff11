#include "crosscheck/entrant_page.h"

#include <cctype>
#include <cmath>

#include "crosscheck/certificate.h"
#include "crosscheck/entrant_charts.h"
#include "crosscheck/html_out.h"
#include "crosscheck/html_text.h"
#include "crosscheck/page_words.h"
#include "crosscheck/svg_charts.h"
#include "crosscheck/verdict_text.h"

namespace tarno::score {
namespace {

// What the entrant's page adds to the shared style: its charts, and its lines of a log.
const char kEntrantStyle[] =
    "body{max-width:72em}"
    ".results td.qso{text-align:left;font-family:monospace;white-space:pre;font-weight:normal}"
    ".chart{display:block;max-width:48em;height:auto}.chart text{font:20px sans-serif;fill:#333}"
    ".chart .title{font-weight:bold}"
    ".chart .name{font-weight:bold;paint-order:stroke;stroke:#fff;stroke-width:4px}"
    ".chart .grid text{font-size:15px}#bar{max-width:48em;margin:.4em 0 .2em}"
    "@media(min-width:600px){.chart text{font-size:14px}.chart .grid text{font-size:13px}}"
    "#places{margin:.3em 0;padding-left:1.2em}"
    "@media print{body{max-width:none}"
    ".results td.qso{white-space:pre-wrap;word-break:break-all;min-width:30em}}";

std::string Esc(const std::string& text) { return HtmlEscaped(text); }

std::string Td(const Catalogue& words, long long value) {
  return "<td>" + words.Number(value) + "</td>";
}

std::string Th(const std::string& text, const char* attributes = "") {
  return std::string("<th scope=\"col\"") + attributes + ">" + Esc(text) + "</th>";
}

// Links to the pages of `logs`, and how many more there are.
std::string CallLinks(const Catalogue& words, const ContestSet& set,
                      const std::vector<uint32_t>& logs, int count) {
  std::string html;
  for (uint32_t log : logs) {
    const std::string& call = set.logs[log].call;
    html += (html.empty() ? "" : ", ") + std::string("<a href=\"") + EntrantPageLink(call) + "\">" +
            Esc(call) + "</a>";
  }
  const int more = count - static_cast<int>(logs.size());
  return more > 0 ? html + Esc(words.Plural("entrant.more", more)) : html;
}

std::string Who(const RankedLog& row) {
  std::string who;
  for (const std::string* part : {&row.name, &row.club}) {
    if (!part->empty()) who += (who.empty() ? "" : ", ") + Esc(*part);
  }
  if (!row.country.empty()) {
    who += (who.empty() ? "" : ", ") + Esc(row.country) +
           (row.continent.empty() ? "" : " (" + Esc(row.continent) + ")");
  }
  return who.empty() ? "" : "<p>" + who + "</p>\n";
}

std::string PlaceOf(const Catalogue& words, const Place& place) {
  return words.Format("entrant.place_of",
                      {{"place", words.Number(place.place)}, {"count", words.Number(place.of)}});
}

std::string Places(const PageLanguage& page, const ContestSet& set, const EntrantPageInput& input) {
  const Catalogue& words = page.words;
  const Standing& standing = input.contest->byLog[input.log];
  if (input.row.category == "CHECKLOG")
    return "<p id=\"places\">" + Esc(words.Text("entrant.check_log")) + "</p>\n";
  if (standing.category.place == 0 || !input.table)
    return "<p id=\"places\">" + Esc(words.Text("entrant.no_category")) + "</p>\n";
  std::string html =
      "<ul id=\"places\"><li>" +
      words.Format("entrant.category_place",
                   {{"place", "<b>" + PlaceOf(words, standing.category) + "</b>"},
                    {"category", Esc(CategoryWords(words, *input.table))}}) +
      "</li><li>" +
      (input.row.home
           ? words.Format("entrant.home_place", {{"place", PlaceOf(words, standing.group)}})
           : words.Format("entrant.foreign_place", {{"place", PlaceOf(words, standing.group)}})) +
      "</li><li>" +
      words.Format("entrant.overall_place", {{"place", PlaceOf(words, standing.overall)}}) +
      "</li>";
  if (standing.sharingCount > 0) {
    html +=
        "<li id=\"tie\">" +
        words.Format("entrant.shares",
                     {{"place", words.Number(standing.category.place)},
                      {"calls", CallLinks(words, set, standing.sharing, standing.sharingCount)}}) +
        "</li>";
  }
  return html + "</ul>\n";
}

std::string Percent(const Catalogue& words, double value) { return words.Decimal(value, 1); }

// The link to the entrant's certificate, where the check drew them.
std::string Certificate(const PageLanguage& page, const std::string& call, bool certificates) {
  const std::string file = certificates ? CertificateFileName(call) : std::string();
  if (file.empty()) return std::string();
  return "<br>" +
         page.words.Format("entrant.certificate",
                           {{"link", "<a id=\"certificate\" href=\"" + page.Up() + "certificates/" +
                                         LinkTo(file) + "\">" + Esc(file) + "</a>"}});
}

std::string Score(const PageLanguage& page, const ContestSet& set, const EntrantPageInput& input,
                  bool dropUniques, bool certificates) {
  const Catalogue& words = page.words;
  const EntrantLog& log = set.logs[input.log];
  const ContestStanding& contest = *input.contest;
  const Values figures = {{"checked", "<b>" + words.Number(log.checked) + "</b>"},
                          {"points", words.Number(log.checkedPoints)},
                          {"penalty", words.Number(log.penaltyPoints)},
                          {"counties", words.Number(log.checkedCounties)},
                          {"claimed", words.Number(log.claimed)}};
  const long long lines = static_cast<long long>(log.qsoCount);
  const Values file = {{"file", Esc(BaseName(log.file))}};
  std::string html =
      "<p id=\"score\">" +
      (log.penaltyPoints ? words.Format("entrant.score_penalty", figures)
                         : words.Format("entrant.score", figures)) +
      "<br>" +
      (log.adif ? words.Plural("entrant.records", lines, file)
                : words.Plural("entrant.lines", lines, file)) +
      "<br>" +
      words.Format("entrant.error_rate", {{"rate", Percent(words, ErrorPercent(log, dropUniques))},
                                          {"mean", Percent(words, contest.meanErrorPercent)}});
  if (log.claimed > 0) {
    const double reduction = ReductionPercent(log);
    const Values rates = {{"rate", Percent(words, std::fabs(reduction))},
                          {"mean", Percent(words, contest.meanReductionPercent)}};
    html += "<br>" + (reduction >= 0 ? words.Format("entrant.reduction", rates)
                                     : words.Format("entrant.increase", rates));
  }
  const std::string report = ReportFileName(log.call);
  return html + "<br>" +
         words.Format("entrant.report",
                      {{"link", "<a id=\"report\" href=\"" + page.Up() + LinkTo(report) + "\">" +
                                    Esc(report) + "</a>"}}) +
         Certificate(page, log.call, certificates) + "</p>\n";
}

// The verdicts as a bar of three parts (credited, lost, not counted) and as a list, and
// what the cross-check found of the log as a whole.
std::string Verdicts(const PageLanguage& page, const ContestSet& set, const EntrantLog& log,
                     bool dropUniques) {
  const Catalogue& words = page.words;
  double credited = 0, lost = 0, other = 0;
  std::string items;
  for (int v = 1; v < kVerdictCount; ++v) {
    const Verdict verdict = static_cast<Verdict>(v);
    const int count = log.counts[v];
    if (count == 0) continue;
    (IsCredited(verdict, dropUniques) ? credited
     : IsLost(verdict, dropUniques)   ? lost
                                      : other) += count;
    const std::string label = VerdictLabel(words, verdict);
    // The code as verdicts.csv and the report write it, where the page's word is another.
    items += "<li>" + Esc(label) +
             (label == VerdictName(verdict) ? "" : " (" + std::string(VerdictName(verdict)) + ")") +
             ": " + words.Number(count) + "</li>";
  }
  const std::vector<ChartSeries> parts = {
      {words.Format("entrant.bar_credited", {{"count", words.Number(std::lround(credited))}}),
       "#0072b2",
       {credited},
       0},
      {words.Format("entrant.bar_lost", {{"count", words.Number(std::lround(lost))}}),
       "#d55e00",
       {lost},
       1},
      {words.Format("entrant.bar_other", {{"count", words.Number(std::lround(other))}}),
       "#767676",
       {other},
       5}};
  ChartFrame bar;
  bar.id = "bar";
  bar.title = words.Text("entrant.bar_title");
  bar.description = words.Text("entrant.bar_description");
  std::string html =
      "<h2>" + Esc(words.Text("entrant.verdicts_heading")) + "</h2>\n" + ShareBar(bar, parts) +
      Legend("bar", parts, false) + "\n<ul id=\"verdicts\">" +
      (items.empty() ? "<li>" + Esc(words.Text("entrant.no_lines")) + "</li>" : items) + "</ul>\n";
  if (log.clock.Corrected()) {
    html += "<p id=\"clock\">" +
            Esc(words.Format("entrant.clock", {{"clock", ClockWords(words, log.clock)}})) +
            "</p>\n";
  }
  const std::string fix = SentFixWords(words, set, log);
  if (!fix.empty()) html += "<p id=\"sent\">" + Esc(fix) + "</p>\n";
  for (const MissingStretch& stretch : log.missing)
    html += "<p class=\"missing\">" + Esc(MissingWords(words, stretch)) + "</p>\n";
  return html;
}

const BandFigures* Find(const std::vector<BandFigures>& rows, const std::string& band) {
  for (const BandFigures& row : rows) {
    if (row.band == band) return &row;
  }
  return nullptr;
}

std::string BandTable(const Catalogue& words, const EntrantLog& log) {
  const std::vector<std::string> bands = SheetBands(log);
  const std::string figures = Th(words.Text("column.qsos")) + Th(words.Text("column.points")) +
                              Th(words.Text("column.counties"));
  std::string html =
      "<h2>" + Esc(words.Text("entrant.bands_heading")) +
      "</h2>\n<div class=\"scroll keep\"><table class=\"results\" id=\"bands\">"
      "<thead><tr>" +
      Th(words.Text("column.band"), " rowspan=\"2\"") + "<th scope=\"colgroup\" colspan=\"3\">" +
      Esc(words.Text("entrant.claimed_every")) + "</th><th scope=\"colgroup\" colspan=\"3\">" +
      Esc(words.Text("column.checked")) + "</th></tr><tr>" + figures + figures +
      "</tr></thead><tbody>\n";
  BandFigures totals[2];
  const BandFigures none;
  for (const std::string& band : bands) {
    html += "<tr><th scope=\"row\">" + Esc(band) + "</th>";
    int side = 0;
    for (const auto* list : {&log.claimedBands, &log.checkedBands}) {
      const BandFigures* row = Find(*list, band);
      if (!row) row = &none;
      html += Td(words, row->qsos) + Td(words, row->points) + Td(words, row->counties);
      totals[side].qsos += row->qsos;
      totals[side].points += row->points;
      totals[side].counties += row->counties;
      ++side;
    }
    html += "</tr>\n";
  }
  html += "<tr><th scope=\"row\">" + Esc(words.Text("entrant.total")) + "</th>";
  for (const BandFigures& total : totals)
    html += Td(words, total.qsos) + Td(words, total.points) + Td(words, total.counties);
  html += "</tr>\n<tr><th scope=\"row\">" + Esc(words.Text("column.score")) + "</th>";
  for (const BandFigures& total : totals) {
    html += "<td colspan=\"3\">" + words.Number(total.points) + " &times; " +
            words.Number(total.counties) + " = <b>" + words.Number(total.points * total.counties) +
            "</b></td>";
  }
  if (log.penaltyPoints > 0) {
    html += "</tr>\n<tr><th scope=\"row\">" + Esc(words.Text("column.penalty")) +
            "</th><td colspan=\"3\"></td><td colspan=\"3\">" +
            words.Format("entrant.penalty_row",
                         {{"penalty", words.Number(log.penaltyPoints)},
                          {"points", words.Number(totals[1].points)},
                          {"counties", words.Number(totals[1].counties)},
                          {"score", "<b>" + words.Number(log.checked) + "</b>"}}) +
            "</td>";
  }
  return html + "</tr></tbody></table></div>\n";
}

std::string CostCell(const Catalogue& words, const ContestSet& set, const EntrantLog& log,
                     const LostCost& cost) {
  std::string text = words.Plural("cost.points", cost.points);
  if (cost.penalty > 0) {
    text += words.Format(
        "cost.penalty",
        {{"penalty",
          words.Decimal(cost.penalty, cost.penalty == std::floor(cost.penalty) ? 0 : 2)}});
  }
  if (cost.county < 0) return text;
  const Values county = {{"county", kCountyCodes[cost.county]},
                         {"band", set.texts.Text(set.qsos[cost.qso].band)},
                         {"unit", UnitText(words, log, cost.countyGoneWithLine)}};
  if (cost.costsCounty) return text + words.Format("cost.county", county);
  if (cost.countyGoneWithLine != 0) return text + words.Format("cost.county_gone", county);
  return text;
}

std::string DecidedLines(const Catalogue& words, const ContestSet& set, const EntrantLog& log) {
  if (set.decisions.empty()) return "";
  std::string items;
  for (uint32_t i : RecordsInFileOrder(set, log)) {
    if (set.decisions.count(i) == 0) continue;
    const QsoRecord& qso = set.qsos[i];
    items += "<li>" + Esc(UnitText(words, log, qso.line)) + " " +
             Esc(set.texts.Text(qso.workedAsLogged)) + ": " +
             Esc(VerdictLabel(words, qso.verdict)) + ", " + Esc(DetailWords(words, set, qso)) +
             "</li>\n";
  }
  return items.empty() ? ""
                       : "<p>" + Esc(words.Text("entrant.decided")) +
                             "</p>\n<ul id=\"decided\">\n" + items + "</ul>\n";
}

// The line's own text, and under it the other side's, in one cell.
void PutLines(HtmlOut& html, const Catalogue& words, const ContestSet& set, const QsoRecord& qso) {
  html << "<td class=\"qso\">" << Escaped{QsoLineOf(set, qso)};
  if (qso.partner != kNoRecord) {
    const QsoRecord& theirs = set.qsos[qso.partner];
    html << '\n'
         << Escaped{OwnerOf(set, theirs)} << ' '
         << Escaped{UnitText(words, set.logs[theirs.log], theirs.line)} << ": "
         << Escaped{QsoLineOf(set, theirs)};
  }
  html << "</td>";
}

// Where the lines' times are shown, the clock they are at.
std::string TimesNote(const Catalogue& words, const EntrantLog& log) {
  if (!log.clock.Corrected()) return "";
  return "<p class=\"muted times\">" +
         Esc(words.Format("entrant.times_logged", {{"clock", ClockWords(words, log.clock)}})) +
         "</p>\n";
}

std::string LostTable(const Catalogue& words, const ContestSet& set, const EntrantPageInput& input,
                      bool dropUniques) {
  const EntrantLog& log = set.logs[input.log];
  std::string html = "<h2>" + Esc(words.Text("entrant.lost_heading")) + "</h2>\n";
  std::string rows;
  HtmlOut row(&rows);
  auto cost = input.score->lost.begin();  // in file order too
  for (uint32_t i : RecordsInFileOrder(set, log)) {
    const QsoRecord& qso = set.qsos[i];
    if (IsCredited(qso.verdict, dropUniques)) continue;
    const bool priced = cost != input.score->lost.end() && cost->qso == i;
    row << "<tr><th scope=\"row\">" << qso.line << ' '
        << Escaped{set.texts.Text(qso.workedAsLogged)} << "</th><td class=\"t\">"
        << Escaped{VerdictLabel(words, qso.verdict)} << "</td><td class=\"t\">"
        << Escaped{DetailWords(words, set, qso)} << "</td><td class=\"t\">"
        << Escaped{priced ? CostCell(words, set, log, *cost++) : words.Text("cost.none")}
        << "</td>";
    PutLines(row, words, set, qso);
    row << "</tr>\n";
  }
  html += DecidedLines(words, set, log);
  if (rows.empty()) return html + "<p>" + Esc(words.Text("entrant.none")) + "</p>\n";
  return html + TimesNote(words, log) +
         "<div class=\"scroll\"><table class=\"results\" id=\"lost\"><thead><tr>" +
         Th(log.adif ? words.Text("column.record_call") : words.Text("column.line_call")) +
         Th(words.Text("column.verdict")) + Th(words.Text("column.why")) +
         Th(words.Text("column.cost")) + Th(words.Text("column.your_line")) +
         "</tr></thead><tbody>\n" + rows + "</tbody></table></div>\n";
}

// The other logs' lines that copied this entrant's call or exchange wrong.
std::string CopiedWrong(const Catalogue& words, const ContestSet& set,
                        const EntrantPageInput& input) {
  const EntrantLog& log = set.logs[input.log];
  std::string html = "<h2>" + Esc(words.Text("entrant.copied_heading")) + "</h2>\n";
  if (!input.copiedWrong || input.copiedWrong->empty())
    return html + "<p id=\"copied-none\">" + Esc(words.Text("entrant.none")) + "</p>\n";
  std::string rows;
  HtmlOut row(&rows);
  for (uint32_t index : *input.copiedWrong) {
    const QsoRecord& theirs = set.qsos[index];
    const QsoRecord& mine = set.qsos[theirs.partner];
    row << "<tr><th scope=\"row\">";
    AppendPageAnchor(&rows, *input.contest, set, theirs.log);
    row << "</th><td class=\"t\">" << Escaped{UnitText(words, set.logs[theirs.log], theirs.line)}
        << "</td><td class=\"t\">" << Escaped{VerdictLabel(words, theirs.verdict)}
        << "</td><td class=\"t\">" << Escaped{DetailWords(words, set, theirs)}
        << "</td><td class=\"qso\">" << Escaped{QsoLineOf(set, theirs)} << '\n'
        << Escaped{log.call} << ' ' << Escaped{UnitText(words, log, mine.line)} << ": "
        << Escaped{QsoLineOf(set, mine)} << "</td></tr>\n";
  }
  return html + TimesNote(words, log) +
         "<div class=\"scroll\"><table class=\"results\" id=\"copied\"><thead><tr>" +
         Th(words.Text("column.station")) + Th(words.Text("column.their_line")) +
         Th(words.Text("column.verdict")) + Th(words.Text("column.why")) +
         Th(words.Text("column.both_lines")) + "</tr></thead><tbody>\n" + rows +
         "</tbody></table></div>\n";
}

}  // namespace

std::string EntrantPage(const PageLanguage& page, const ContestSet& set,
                        const EntrantPageInput& input, const ReportContext& context) {
  const Catalogue& words = page.words;
  const EntrantLog& log = set.logs[input.log];
  std::string out;
  out.reserve(128 * 1024);  // a page of 400 QSOs is about 80 kB: it is never copied to grow
  HtmlOut html(&out);
  html << PageStart(page, words.Format("entrant.page_title", {{"call", log.call}}),
                    EntrantPageLink(log.call), kEntrantStyle)
       << "<p><a id=\"all-results\" href=\"results.html\">"
       << Escaped{words.Text("page.all_results")} << "</a></p>\n<h1>" << Escaped{log.call}
       << "</h1>\n"
       << Who(input.row) << Places(page, set, input)
       << Score(page, set, input, context.dropUniques, context.certificates)
       << Verdicts(page, set, log, context.dropUniques) << BandTable(words, log);
  AppendEntrantCharts(&out, page, set, input, context);
  html << CopiedWrong(words, set, input) << LostTable(words, set, input, context.dropUniques)
       << "<h2>" << Escaped{words.Text("entrant.how_heading")} << "</h2>\n<p>"
       << Escaped{ScoringWords(words, log, context.dropUniques, context.penalty)} << "</p>\n"
       << "</body></html>\n";
  return out;
}

std::string PageFileName(const std::string& reportFileName) {
  std::string base = reportFileName.substr(0, reportFileName.rfind('.'));
  std::string lower = base;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  // Where file names ignore case, a log of "RESULTS" would overwrite the results page.
  if (lower == "results") base += "_";
  return base + ".html";
}

}  // namespace tarno::score
