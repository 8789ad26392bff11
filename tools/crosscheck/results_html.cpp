#include "crosscheck/results_html.h"

#include <array>
#include <fstream>
#include <unordered_map>

#include "contest/ascii_text.h"
#include "contest/county_rules.h"
#include "crosscheck/html_text.h"
#include "crosscheck/page_style.h"
#include "crosscheck/verdict_text.h"

namespace tarno::score {
namespace {

int Count(const EntrantLog& log, Verdict verdict) { return log.counts[static_cast<int>(verdict)]; }

constexpr Verdict kShown[] = {
    Verdict::kOk,           Verdict::kNoLog,      Verdict::kNotInPartialLog, Verdict::kUnique,
    Verdict::kNil,          Verdict::kBustedCall, Verdict::kBustedExchange,  Verdict::kBandMismatch,
    Verdict::kModeMismatch, Verdict::kDupe,       Verdict::kOutside,         Verdict::kInvalid};

// A constant offset in minutes; a drift from its first QSO to its last.
std::string ClockCell(const ClockFit& clock) {
  if (!clock.Corrected()) return "";
  if (!clock.drifts) return std::to_string(clock.offsetMinutes) + " min";
  return std::to_string(clock.startSeconds) + " s &rarr; " + std::to_string(clock.endSeconds) +
         " s";
}

std::string Td(long long value) { return "<td>" + std::to_string(value) + "</td>"; }

std::string TextTd(const std::string& text) {
  return "<td class=\"text\">" + HtmlEscaped(text) + "</td>";
}

const char kFigureHeads[] =
    "<th>Claimed</th><th>Checked</th><th>QSOs</th><th>Credited</th><th>NIL</th>"
    "<th>Busted call</th><th>Busted exch.</th><th>Unique</th><th>No log</th><th>Dupe</th>"
    "<th>Outside</th><th>Invalid</th><th>Clock</th>";

// The call, who the entrant is, and its figures: the cells every entrants' table shares.
std::string EntrantCells(const ContestSet& set, const RankedLog& row, bool dropUniques) {
  const EntrantLog& log = set.logs[row.log];
  return "<td class=\"call\"><a href=\"" + EntrantPageLink(log.call) + "\">" +
         HtmlEscaped(log.call) + "</a></td>" + TextTd(row.country) + TextTd(row.continent) +
         TextTd(row.name) + TextTd(row.club) + Td(log.claimed) + Td(log.checked) +
         Td(static_cast<long long>(log.qsoCount)) + Td(CreditedCount(log, dropUniques)) +
         Td(Count(log, Verdict::kNil)) + Td(Count(log, Verdict::kBustedCall)) +
         Td(Count(log, Verdict::kBustedExchange)) + Td(Count(log, Verdict::kUnique)) +
         Td(Count(log, Verdict::kNoLog)) + Td(Count(log, Verdict::kDupe)) +
         Td(Count(log, Verdict::kOutside)) + Td(Count(log, Verdict::kInvalid)) + "<td>" +
         ClockCell(log.clock) + "</td>";
}

std::string EntrantsTable(const std::string& firstHead, const std::string& attributes) {
  return "<div class=\"scroll\"><table class=\"results\"" + attributes + "><thead><tr><th>" +
         firstHead +
         "</th><th class=\"call\">Call</th><th class=\"text\">Country</th><th>Cont.</th>"
         "<th class=\"text\">Name</th><th class=\"text\">Club</th>" +
         kFigureHeads + "</tr></thead><tbody>\n";
}

std::string CategoryTables(const ContestSet& set, const std::vector<RankedLog>& ranking,
                           const Standings& standings, bool dropUniques) {
  std::string html;
  for (size_t t = 0; t < standings.tables.size(); ++t) {
    const CategoryTable& table = standings.tables[t];
    html += "<h2 id=\"c-" + std::to_string(t + 1) + "\">" + HtmlEscaped(table.name) + "</h2>\n" +
            EntrantsTable("Place", " data-category=\"" + HtmlEscaped(table.name) + "\"");
    for (size_t row : table.rows) {
      html += "<tr>" + Td(ranking[row].categoryRank) +
              EntrantCells(set, ranking[row], dropUniques) + "</tr>\n";
    }
    html += "</tbody></table></div>\n";
  }
  if (standings.unranked.empty()) return html;
  html += "<h2 id=\"unranked\">Not ranked: check logs and logs in no category</h2>\n" +
          EntrantsTable("Category", " id=\"not-ranked\"");
  for (size_t row : standings.unranked) {
    html += "<tr>" + TextTd(ranking[row].category.empty() ? "none" : ranking[row].category) +
            EntrantCells(set, ranking[row], dropUniques) + "</tr>\n";
  }
  return html + "</tbody></table></div>\n";
}

std::string ClubTable(const ContestSet& set, const std::vector<RankedLog>& ranking,
                      const std::vector<ClubRow>& clubs) {
  std::string html =
      "<h2 id=\"clubs-head\">Clubs</h2>\n<p class=\"muted\">The sum of the members' checked "
      "scores; check logs count for no club.</p>\n<div class=\"scroll\"><table "
      "class=\"results\" id=\"clubs\"><thead><tr><th>Rank</th><th class=\"call\">Club</th>"
      "<th>Score</th><th>Logs</th><th>Members</th></tr></thead><tbody>\n";
  for (const ClubRow& club : clubs) {
    std::string members;
    for (size_t row : club.members)
      members += (members.empty() ? "" : " ") + set.logs[ranking[row].log].call;
    html += "<tr>" + Td(club.rank) + "<td class=\"call\">" + HtmlEscaped(club.club) + "</td>" +
            Td(club.score) + Td(static_cast<long long>(club.members.size())) + TextTd(members) +
            "</tr>\n";
  }
  return html + "</tbody></table></div>\n";
}

std::string Bar(const EntrantLog& log) {
  std::string html = "<div class=\"bar\" title=\"verdicts\">";
  if (log.qsoCount == 0) return html + "</div>";
  for (Verdict verdict : kShown) {
    const int count = Count(log, verdict);
    if (count == 0) continue;
    html += "<span class=\"v" + std::to_string(static_cast<int>(verdict)) + "\" style=\"width:" +
            std::to_string(100.0 * count / static_cast<double>(log.qsoCount)).substr(0, 6) +
            "%\" title=\"" + VerdictName(verdict) + " " + std::to_string(count) + "\"></span>";
  }
  return html + "</div>";
}

// Counties of the credited QSOs with home stations, as the logged exchange names them.
using CountyGrid = std::array<std::array<bool, kCountyCount>, kBandCount>;

// The county code an exchange names, by its text id; -1 for none. Kept across entrants: the
// page has a grid for every one of thousands.
class CountyCodes {
 public:
  int Of(const ContestSet& set, uint32_t exchange) {
    const auto [found, isNew] = m_codes.try_emplace(exchange, -1);
    if (!isNew) return found->second;
    const std::string county = NormaliseCounty(set.texts.Text(exchange));
    for (int c = 0; c < kCountyCount; ++c) {
      if (county == kCountyCodes[c]) found->second = c;
    }
    return found->second;
  }

 private:
  std::unordered_map<uint32_t, int> m_codes;
};

CountyGrid GridOf(const ContestSet& set, const EntrantLog& log, bool dropUniques,
                  CountyCodes* codes) {
  CountyGrid grid{};
  for (size_t i = log.firstQso; i < log.firstQso + log.qsoCount; ++i) {
    const QsoRecord& qso = set.qsos[i];
    if (!IsCredited(qso.verdict, dropUniques)) continue;
    const std::string& call = set.texts.Text(qso.worked);
    if (call.size() < 2 || !IsHomePrefix(std::string_view(call).substr(0, 2))) continue;
    const int band = BandIndex(set.texts.Text(qso.band));
    const int county = band >= 0 ? codes->Of(set, qso.exchRcvd) : -1;
    if (county >= 0) grid[band][county] = true;
  }
  return grid;
}

// Cells and rows left open, as HTML allows: a contest of 10,000 logs has 1.2 million cells.
std::string Grid(const CountyGrid& grid) {
  std::string html = "<div class=\"scroll\"><table class=\"grid\"><tr><th>";
  for (const char* code : kCountyCodes) html += std::string("<th>") + code;
  for (int band = 0; band < kBandCount; ++band) {
    html += std::string("<tr><th>") + kBandNames[band];
    for (int c = 0; c < kCountyCount; ++c)
      html += grid[band][c] ? "<td class=\"w\">&#9632;" : "<td>";
  }
  return html + "</table></div>";
}

std::string Placing(const RankedLog& ranked) {
  std::string text = ranked.categoryRank > 0 ? std::to_string(ranked.categoryRank) + ". in " : "";
  text += ranked.category.empty() ? "in no category" : HtmlEscaped(ranked.category);
  return text + " (" + std::to_string(ranked.rank) + ". overall)";
}

std::string Entrant(const ContestSet& set, const RankedLog& ranked, bool dropUniques,
                    CountyCodes* codes) {
  const EntrantLog& log = set.logs[ranked.log];
  std::string html = "<div class=\"entrant\" id=\"e-" + HtmlEscaped(log.call) + "\"><h2>" +
                     HtmlEscaped(log.call) + "</h2><div>" + Placing(ranked) + "</div>";
  html +=
      "<div>Checked <b>" + std::to_string(log.checked) + "</b> (" +
      std::to_string(log.checkedPoints) + " points" +
      (log.penaltyPoints ? " less a penalty of " + std::to_string(log.penaltyPoints) + "," : "") +
      " &times; " + std::to_string(log.checkedCounties) + " counties), claimed " +
      std::to_string(log.claimed) + "</div>";
  html += "<div class=\"muted\">" + std::to_string(log.qsoCount) + " QSO lines, " +
          std::to_string(CreditedCount(log, dropUniques)) + " credited";
  for (Verdict verdict : kShown) {
    const int count = Count(log, verdict);
    if (verdict != Verdict::kOk && count > 0)
      html += ", " + std::string(VerdictName(verdict)) + " " + std::to_string(count);
  }
  if (log.clock.Corrected()) html += "; clock " + HtmlEscaped(ClockFitText(log.clock));
  html += " &mdash; " + HtmlEscaped(ReportFileName(log.call)) + "</div>";
  return html + Bar(log) + Grid(GridOf(set, log, dropUniques, codes)) + "</div>\n";
}

std::string Key() {
  std::string html = "<p class=\"key\">";
  for (Verdict verdict : kShown) {
    html += "<span class=\"k\"><i class=\"v" + std::to_string(static_cast<int>(verdict)) +
            "\"></i>" + VerdictName(verdict) + "</span> ";
  }
  return html + "</p>\n";
}

}  // namespace

std::string ResultsHtml(const ContestSet& set, const std::vector<RankedLog>& ranking,
                        const Standings& standings, const std::vector<ClubRow>& clubs,
                        const ReportContext& context) {
  std::string html = PageStart("TARNO contest: checked results");
  html += "<h1>TARNO contest: checked results</h1>\n";
  html += "<p class=\"muted\">" + std::to_string(ranking.size()) + " logs, contest period " +
          PeriodText(context.period) + ", matching window " +
          std::to_string(context.windowMinutes) + " minutes" +
          (context.dropUniques ? ", uniques not credited" : "") + ".</p>\n";
  html += CategoryTables(set, ranking, standings, context.dropUniques);
  html += ClubTable(set, ranking, clubs);
  html += "<h2>Entrants</h2>\n" + Key() +
          "<p class=\"muted\">Each grid shows the counties worked per band in the credited "
          "QSOs.</p>\n<div class=\"entrants\">\n";
  CountyCodes codes;
  for (const RankedLog& ranked : ranking) html += Entrant(set, ranked, context.dropUniques, &codes);
  return html + "</div>\n</body></html>\n";
}

bool WriteResultsHtml(const ContestSet& set, const std::vector<RankedLog>& ranking,
                      const Standings& standings, const std::vector<ClubRow>& clubs,
                      const ReportContext& context, const std::string& path, std::string* error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << ResultsHtml(set, ranking, standings, clubs, context);
  out.close();
  if (out) return true;
  *error = "cannot write " + path;
  return false;
}

}  // namespace tarno::score
