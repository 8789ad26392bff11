#include "crosscheck/results_html.h"

#include <array>
#include <fstream>

#include "contest/ascii_text.h"
#include "contest/county_rules.h"
#include "crosscheck/html_text.h"
#include "crosscheck/verdict_text.h"

namespace tarno::score {
namespace {

const char kStyle[] =
    "body{font:14px/1.4 sans-serif;margin:1.5em;color:#222}"
    "h1{font-size:1.5em;margin:0 0 .2em}h2{font-size:1.15em;margin:0 0 .3em}"
    "table.results{border-collapse:collapse;margin:1em 0}"
    ".results th,.results td{border:1px solid #bbb;padding:2px 8px;text-align:right}"
    ".results th{background:#e8eef6}.results td.call{text-align:left;font-weight:bold}"
    ".results tr:nth-child(even) td{background:#f6f6f6}"
    ".entrants{display:flex;flex-wrap:wrap;gap:12px}"
    ".entrant{border:1px solid #ccc;border-radius:6px;padding:8px 10px;width:430px}"
    ".bar{display:flex;height:12px;margin:4px 0 8px;border:1px solid #999}"
    ".bar span{display:block;height:100%}"
    ".v1{background:#3a9a3a}.v6{background:#7cc47c}.v5{background:#b8e0b8}"
    ".v4{background:#d43a3a}.v2{background:#e8892a}.v3{background:#f0c030}"
    ".v7{background:#999}.v8{background:#666}.v9{background:#333}"
    "table.grid{border-collapse:collapse;font-size:9px}"
    ".grid td,.grid th{border:1px solid #ccc;width:16px;height:14px;padding:0;text-align:center}"
    ".grid td.w{background:#3a7ad4;color:#fff}.grid th{font-weight:normal;color:#555}"
    ".key span{display:inline-block;width:10px;height:10px;margin:0 3px 0 10px}"
    ".muted{color:#666}";

int Count(const EntrantLog& log, Verdict verdict) { return log.counts[static_cast<int>(verdict)]; }

constexpr Verdict kShown[] = {Verdict::kOk,   Verdict::kNoLog,      Verdict::kUnique,
                              Verdict::kNil,  Verdict::kBustedCall, Verdict::kBustedExchange,
                              Verdict::kDupe, Verdict::kOutside,    Verdict::kInvalid};

std::string Td(long long value) { return "<td>" + std::to_string(value) + "</td>"; }

std::string Table(const ContestSet& set, const std::vector<RankedLog>& ranking, bool dropUniques) {
  std::string html =
      "<table class=\"results\" id=\"results\"><thead><tr><th>Rank</th><th>Call</th>"
      "<th>Claimed</th><th>Checked</th><th>QSOs</th><th>Credited</th><th>NIL</th>"
      "<th>Busted call</th><th>Busted exch.</th><th>Unique</th><th>No log</th><th>Dupe</th>"
      "<th>Outside</th><th>Invalid</th><th>Clock</th></tr></thead><tbody>\n";
  for (const RankedLog& ranked : ranking) {
    const EntrantLog& log = set.logs[ranked.log];
    html += "<tr>" + Td(ranked.rank) + "<td class=\"call\"><a href=\"" + EntrantPageLink(log.call) +
            "\">" + Escaped(log.call) + "</a></td>" + Td(log.claimed) + Td(log.checked) +
            Td(static_cast<long long>(log.qsoCount)) + Td(CreditedCount(log, dropUniques)) +
            Td(Count(log, Verdict::kNil)) + Td(Count(log, Verdict::kBustedCall)) +
            Td(Count(log, Verdict::kBustedExchange)) + Td(Count(log, Verdict::kUnique)) +
            Td(Count(log, Verdict::kNoLog)) + Td(Count(log, Verdict::kDupe)) +
            Td(Count(log, Verdict::kOutside)) + Td(Count(log, Verdict::kInvalid)) + "<td>" +
            (log.clockOffsetMinutes ? std::to_string(log.clockOffsetMinutes) + " min" : "") +
            "</td></tr>\n";
  }
  return html + "</tbody></table>\n";
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

CountyGrid GridOf(const ContestSet& set, const EntrantLog& log, bool dropUniques) {
  CountyGrid grid{};
  for (size_t i = log.firstQso; i < log.firstQso + log.qsoCount; ++i) {
    const QsoRecord& qso = set.qsos[i];
    const std::string& call = set.texts.Text(qso.worked);
    if (!IsCredited(qso.verdict, dropUniques) || call.size() < 2 ||
        !IsHomePrefix(std::string_view(call).substr(0, 2))) {
      continue;
    }
    const int band = BandIndex(set.texts.Text(qso.band));
    const std::string county = NormaliseCounty(set.texts.Text(qso.exchRcvd));
    for (int c = 0; c < kCountyCount && band >= 0; ++c) {
      if (county == kCountyCodes[c]) grid[band][c] = true;
    }
  }
  return grid;
}

// Cells and rows left open, as HTML allows: a contest of 10,000 logs has 1.2 million cells.
std::string Grid(const CountyGrid& grid) {
  std::string html = "<table class=\"grid\"><tr><th>";
  for (const char* code : kCountyCodes) html += std::string("<th>") + code;
  for (int band = 0; band < kBandCount; ++band) {
    html += std::string("<tr><th>") + kBandNames[band];
    for (int c = 0; c < kCountyCount; ++c)
      html += grid[band][c] ? "<td class=\"w\">&#9632;" : "<td>";
  }
  return html + "</table>";
}

std::string Entrant(const ContestSet& set, const RankedLog& ranked, bool dropUniques) {
  const EntrantLog& log = set.logs[ranked.log];
  std::string html = "<div class=\"entrant\" id=\"e-" + Escaped(log.call) + "\"><h2>" +
                     std::to_string(ranked.rank) + ". " + Escaped(log.call) + "</h2>";
  html += "<div>Checked <b>" + std::to_string(log.checked) + "</b> (" +
          std::to_string(log.checkedPoints) + " points &times; " +
          std::to_string(log.checkedCounties) + " counties), claimed " +
          std::to_string(log.claimed) + "</div>";
  html += "<div class=\"muted\">" + std::to_string(log.qsoCount) + " QSO lines, " +
          std::to_string(CreditedCount(log, dropUniques)) + " credited";
  for (Verdict verdict : kShown) {
    const int count = Count(log, verdict);
    if (verdict != Verdict::kOk && count > 0)
      html += ", " + std::string(VerdictName(verdict)) + " " + std::to_string(count);
  }
  if (log.clockOffsetMinutes)
    html += "; clock " + ClockText(log.clockOffsetMinutes) + " the others'";
  html += " &mdash; " + Escaped(ReportFileName(log.call)) + "</div>";
  return html + Bar(log) + Grid(GridOf(set, log, dropUniques)) + "</div>\n";
}

std::string Key() {
  std::string html = "<p class=\"key\">";
  for (Verdict verdict : kShown) {
    html += "<span class=\"v" + std::to_string(static_cast<int>(verdict)) + "\"></span>" +
            VerdictName(verdict);
  }
  return html + "</p>\n";
}

}  // namespace

std::string ResultsHtml(const ContestSet& set, const std::vector<RankedLog>& ranking,
                        const ReportContext& context) {
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
      "<title>TARNO contest: checked results</title><style>";
  html += kStyle;
  html += "</style></head><body>\n<h1>TARNO contest: checked results</h1>\n";
  html += "<p class=\"muted\">" + std::to_string(ranking.size()) + " logs, contest period " +
          PeriodText(context.period) + ", matching window " +
          std::to_string(context.windowMinutes) + " minutes" +
          (context.dropUniques ? ", uniques not credited" : "") + ".</p>\n";
  html += Table(set, ranking, context.dropUniques);
  html += "<h2>Entrants</h2>\n" + Key() +
          "<p class=\"muted\">Each grid shows the counties worked per band in the credited "
          "QSOs.</p>\n<div class=\"entrants\">\n";
  for (const RankedLog& ranked : ranking) html += Entrant(set, ranked, context.dropUniques);
  return html + "</div>\n</body></html>\n";
}

bool WriteResultsHtml(const ContestSet& set, const std::vector<RankedLog>& ranking,
                      const ReportContext& context, const std::string& path, std::string* error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << ResultsHtml(set, ranking, context);
  out.close();
  if (out) return true;
  *error = "cannot write " + path;
  return false;
}

}  // namespace tarno::score
