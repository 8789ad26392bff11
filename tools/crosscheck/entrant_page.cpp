#include "crosscheck/entrant_page.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "contest/county_rules.h"
#include "crosscheck/contest_period.h"
#include "crosscheck/html_text.h"
#include "crosscheck/page_style.h"
#include "crosscheck/sent_exchange.h"
#include "crosscheck/svg_charts.h"
#include "crosscheck/verdict_text.h"

namespace tarno::score {
namespace {

// Buckets longer than an hour keep a long period's charts readable.
constexpr long long kMostBuckets = 96;

// What the entrant's page adds to the shared style: its charts, and its lines of a log.
const char kEntrantStyle[] =
    "body{max-width:72em}h3{font-size:1em;margin:1em 0 .3em}"
    ".results td.qso{text-align:left;font-family:monospace;white-space:pre;font-weight:normal}"
    ".chart{display:block;max-width:48em;height:auto}.chart text{font:20px sans-serif;fill:#333}"
    ".chart .grid text{font-size:15px}"
    "@media(min-width:600px){.chart text{font-size:14px}.chart .grid text{font-size:13px}}"
    ".legend{margin:.2em 0 1em}.legend .item{white-space:nowrap;margin-right:1em;"
    "display:inline-block}.swatch{display:inline-block;width:0;height:.8em;"
    "border-left:.8em solid;margin-right:.3em}"
    "@media print{body{max-width:none}.chart{break-inside:avoid}}";

const char* const kBandColours[kBandCount] = {"#6a3d9a", "#1f78b4", "#33a02c",
                                              "#e6ab02", "#e7298a", "#d95f02"};

// The shared page start, with the entrant page's own rules after the shared ones.
std::string Head(const std::string& call) {
  return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"><title>" +
         HtmlEscaped(call) + ": TARNO contest cross-check</title><style>" + kPageStyle +
         kEntrantStyle + "</style></head><body>\n";
}

std::string Td(long long value) { return "<td>" + std::to_string(value) + "</td>"; }

// The lines' verdicts, and what the cross-check found of the log as a whole.
std::string Verdicts(const ContestSet& set, const EntrantLog& log) {
  std::string counts;
  for (int v = 1; v < kVerdictCount; ++v) {
    const int count = log.counts[v];
    if (count == 0) continue;
    counts += (counts.empty() ? "" : ", ") + std::string(VerdictName(static_cast<Verdict>(v))) +
              " " + std::to_string(count);
  }
  std::string html = "<p id=\"verdicts\">Verdicts: " + (counts.empty() ? "none" : counts) + ".";
  if (log.clock.Corrected())
    html += "<br>Clock: " + HtmlEscaped(ClockFitText(log.clock)) + "; matched with it corrected.";
  const std::string fix = SentFixText(set, log);
  if (!fix.empty()) html += "<br>Sent exchange: " + HtmlEscaped(fix) + ".";
  for (const MissingStretch& stretch : log.missing) {
    html += "<br>Missing from your log: " + FormatSeconds(stretch.fromSeconds) + " to " +
            FormatSeconds(stretch.toSeconds) + ", while " + std::to_string(stretch.lines) +
            " lines of " + std::to_string(stretch.logs) +
            " other logs hold QSOs with you; their lines are credited (NOT-IN-PARTIAL-LOG).";
  }
  return html + "</p>\n";
}

std::string Summary(const ContestSet& set, const EntrantPageInput& input) {
  const EntrantLog& log = set.logs[input.log];
  std::string html = "<p><a href=\"results.html\">All results</a></p>\n<h1>" +
                     HtmlEscaped(log.call) + "</h1>\n<p>";
  const RankedLog& row = input.row;
  std::string who;
  for (const std::string* part : {&row.name, &row.club}) {
    if (!part->empty()) who += (who.empty() ? "" : ", ") + HtmlEscaped(*part);
  }
  if (!row.country.empty()) {
    who += (who.empty() ? "" : ", ") + HtmlEscaped(row.country) +
           (row.continent.empty() ? "" : " (" + HtmlEscaped(row.continent) + ")");
  }
  if (!who.empty()) html += who + ".<br>";
  if (!row.category.empty()) {
    html +=
        "Category " + HtmlEscaped(row.category) +
        (row.categoryRank > 0 ? ": place " + std::to_string(row.categoryRank) : ": not ranked") +
        ".<br>";
  } else if (row.rank > 0) {
    html += "Place " + std::to_string(row.rank) + ".<br>";
  }
  html +=
      "Checked score <b>" + std::to_string(log.checked) + "</b> (" +
      std::to_string(log.checkedPoints) + " points" +
      (log.penaltyPoints ? " less a penalty of " + std::to_string(log.penaltyPoints) + " points,"
                         : "") +
      " &times; " + std::to_string(log.checkedCounties) + " counties), claimed " +
      std::to_string(log.claimed) + ". " + std::to_string(log.qsoCount) +
      (log.adif ? " QSO records" : " QSO lines") + " in " + HtmlEscaped(BaseName(log.file)) +
      "; the whole report: <a href=\"" + LinkTo(ReportFileName(log.call)) + "\">" +
      HtmlEscaped(ReportFileName(log.call)) + "</a>.</p>\n";
  return html + Verdicts(set, log);
}

const BandFigures* Find(const std::vector<BandFigures>& rows, const std::string& band) {
  for (const BandFigures& row : rows) {
    if (row.band == band) return &row;
  }
  return nullptr;
}

std::string BandTable(const EntrantLog& log) {
  const std::vector<std::string> bands = SheetBands(log);
  std::string html =
      "<h2>Score by band</h2>\n<div class=\"scroll\"><table class=\"results\" "
      "id=\"bands\"><thead><tr>"
      "<th class=\"call\" rowspan=\"2\">Band</th><th colspan=\"3\">Claimed (every line)</th>"
      "<th colspan=\"3\">Checked</th></tr><tr><th>QSOs</th><th>Points</th><th>Counties</th>"
      "<th>QSOs</th><th>Points</th><th>Counties</th></tr></thead><tbody>\n";
  BandFigures totals[2];
  const BandFigures none;
  for (const std::string& band : bands) {
    html += "<tr><td class=\"call\">" + HtmlEscaped(band) + "</td>";
    int side = 0;
    for (const auto* list : {&log.claimedBands, &log.checkedBands}) {
      const BandFigures* row = Find(*list, band);
      if (!row) row = &none;
      html += Td(row->qsos) + Td(row->points) + Td(row->counties);
      totals[side].qsos += row->qsos;
      totals[side].points += row->points;
      totals[side].counties += row->counties;
      ++side;
    }
    html += "</tr>\n";
  }
  html += "<tr><th class=\"call\">Total</th>";
  for (const BandFigures& total : totals)
    html += Td(total.qsos) + Td(total.points) + Td(total.counties);
  html += "</tr>\n<tr><th class=\"call\">Score</th>";
  for (const BandFigures& total : totals) {
    html += "<td colspan=\"3\">" + std::to_string(total.points) + " &times; " +
            std::to_string(total.counties) + " = <b>" +
            std::to_string(total.points * total.counties) + "</b></td>";
  }
  if (log.penaltyPoints > 0) {
    html +=
        "</tr>\n<tr><th class=\"call\">Penalty</th><td colspan=\"3\"></td><td "
        "colspan=\"3\">&minus;" +
        std::to_string(log.penaltyPoints) + " points: (" + std::to_string(totals[1].points) +
        " &minus; " + std::to_string(log.penaltyPoints) + ") &times; " +
        std::to_string(totals[1].counties) + " = <b>" + std::to_string(log.checked) + "</b></td>";
  }
  return html + "</tr></tbody></table></div>\n";
}

std::string BandColour(const std::string& band) {
  const int index = BandIndex(band);
  return index >= 0 ? kBandColours[index] : "#888";
}

// The bands of the credited QSOs, the contest's in their order, any other after them.
std::vector<uint32_t> BandsOf(const ContestSet& set, const EntrantScore& score) {
  std::set<uint32_t> seen;
  for (const CreditedQso& qso : score.credited) seen.insert(qso.band);
  std::vector<uint32_t> bands(seen.begin(), seen.end());
  std::stable_sort(bands.begin(), bands.end(), [&](uint32_t a, uint32_t b) {
    const int first = BandIndex(set.texts.Text(a)), second = BandIndex(set.texts.Text(b));
    return (first < 0 ? kBandCount : first) < (second < 0 ? kBandCount : second);
  });
  return bands;
}

std::string RateChart(const ContestSet& set, const EntrantScore& score, const Buckets& buckets) {
  std::vector<ChartSeries> series;
  for (uint32_t band : BandsOf(set, score)) {
    ChartSeries one{set.texts.Text(band), BandColour(set.texts.Text(band)),
                    std::vector<double>(buckets.labels.size(), 0)};
    for (const CreditedQso& qso : score.credited) {
      if (qso.band == band) ++one.values[buckets.Of(qso.seconds)];
    }
    series.push_back(std::move(one));
  }
  const std::string per =
      buckets.seconds == 3600 ? "hour" : std::to_string(buckets.seconds / 3600) + " hours";
  return "<h2>Credited QSOs per " + per + ", by band</h2>\n" +
         StackedBars({"rate", "Credited QSOs per " + per + " by band", buckets.labels}, series) +
         Legend(series) + "\n";
}

std::string CountyCharts(const ContestSet& set, const EntrantScore& score, const Buckets& buckets) {
  ChartSeries counties{"counties", "#3a7ad4", std::vector<double>(buckets.labels.size(), 0)};
  for (const CreditedQso& qso : score.credited) {
    if (qso.newCounty) ++counties.values[buckets.Of(qso.seconds)];
  }
  for (size_t i = 1; i < counties.values.size(); ++i) counties.values[i] += counties.values[i - 1];
  std::string html =
      "<h2>Counties worked over time (all bands)</h2>\n" +
      LineChart({"counties", "Counties worked by the end of each hour", buckets.labels},
                {counties});
  std::vector<std::string> rows(kBandNames.begin(), kBandNames.end());
  std::vector<std::string> columns(kCountyCodes.begin(), kCountyCodes.end());
  std::vector<std::vector<int>> states(kBandCount, std::vector<int>(kCountyCount, 0));
  for (const CreditedQso& qso : score.credited) {
    const int band = BandIndex(set.texts.Text(qso.band));
    if (band >= 0 && qso.county >= 0) states[band][qso.county] = 1;
  }
  for (const LostCost& lost : score.lost) {
    const int band = BandIndex(set.texts.Text(set.qsos[lost.qso].band));
    if (band >= 0 && lost.costsCounty) states[band][lost.county] = 2;
  }
  return html + "<h2>County grid per band</h2>\n" +
         CellGrid({"grid", "Counties credited per band", {}}, rows, columns, states) +
         "<p class=\"legend\"><span class=\"item\"><span class=\"swatch\" "
         "style=\"border-color:#3a7ad4\"></span>credited</span> <span class=\"item\">"
         "<span class=\"swatch\" style=\"border-color:#d43a3a\"></span>lost: worked, not "
         "credited</span></p>\n";
}

std::string Comparison(const ContestSet& set, const EntrantPageInput& input,
                       const Buckets& buckets) {
  const EntrantLog& log = set.logs[input.log];
  if (input.rival == kNoRecord || !input.rivalScore) {
    return "<h2>Compared with the next entrant</h2>\n<p class=\"muted\">No other entrant "
           "is ranked in the same category" +
           std::string(input.row.rank > 0 &&
                               (input.row.category.empty() || input.row.categoryRank > 0)
                           ? ""
                           : ", nor is this log") +
           ".</p>\n";
  }
  const EntrantLog& rival = set.logs[input.rival];
  std::string html = "<h2>Compared with " + HtmlEscaped(rival.call) + "</h2>\n<p>" +
                     HtmlEscaped(rival.call) +
                     (input.rivalAbove ? " is ranked just above " : " is ranked just below ") +
                     HtmlEscaped(log.call) + ", with a checked score of " +
                     std::to_string(rival.checked) + ".</p>\n";
  const std::vector<ChartSeries> rates = {
      {log.call, "#1f78b4", RatePerBucket(*input.score, buckets)},
      {rival.call, "#d95f02", RatePerBucket(*input.rivalScore, buckets)}};
  html += LineChart({"rates", "Credited QSOs per hour of both", buckets.labels}, rates) +
          Legend(rates) + "\n";
  const std::vector<double> mine = ScoreByBucket(set, *input.score, buckets);
  const std::vector<double> theirs = ScoreByBucket(set, *input.rivalScore, buckets);
  ChartSeries gap{log.call + " minus " + rival.call, "#333", mine};
  for (size_t i = 0; i < gap.values.size(); ++i) gap.values[i] -= theirs[i];
  return html + "<h3>Checked score of " + HtmlEscaped(log.call) + " minus that of " +
         HtmlEscaped(rival.call) + ", by the end of each hour</h3>\n" +
         LineChart({"gap", "Difference in checked score", buckets.labels}, {gap}) + "\n";
}

std::string CostCell(const ContestSet& set, const EntrantLog& log, const LostCost& cost) {
  std::string text = std::to_string(cost.points) + (cost.points == 1 ? " point" : " points");
  if (cost.penalty > 0) {
    char penalty[32];
    std::snprintf(penalty, sizeof penalty, "%g", cost.penalty);
    text += " and a penalty of " + std::string(penalty);
  }
  if (cost.county < 0) return text;
  const std::string county =
      std::string(kCountyCodes[cost.county]) + " on " + set.texts.Text(set.qsos[cost.qso].band);
  if (cost.costsCounty) return text + " and the county " + county;
  if (cost.countyGoneWithLine != 0) {
    return text + " (" + county + " lost with " + (log.adif ? "record " : "line ") +
           std::to_string(cost.countyGoneWithLine) + ")";
  }
  return text;
}

// The lines the sponsor decided, credited or not, with the reason.
std::string DecidedLines(const ContestSet& set, const EntrantLog& log) {
  if (set.decisions.empty()) return "";
  std::string items;
  for (uint32_t i : RecordsInFileOrder(set, log)) {
    if (set.decisions.count(i) == 0) continue;
    const QsoRecord& qso = set.qsos[i];
    items += "<li>" + std::string(log.adif ? "Record " : "Line ") + std::to_string(qso.line) + " " +
             HtmlEscaped(set.texts.Text(qso.workedAsLogged)) + ": " + VerdictName(qso.verdict) +
             ", " + HtmlEscaped(EntrantDetailOf(set, qso)) + "</li>\n";
  }
  return items.empty()
             ? ""
             : "<p>Lines decided by the sponsor:</p>\n<ul id=\"decided\">\n" + items + "</ul>\n";
}

std::string LostTable(const ContestSet& set, const EntrantPageInput& input, bool dropUniques) {
  const EntrantLog& log = set.logs[input.log];
  const char* unit = log.adif ? "Record" : "Line";
  std::string html = "<h2>QSOs that lost credit</h2>\n";
  std::string rows;
  auto cost = input.score->lost.begin();  // in file order too
  for (uint32_t i : RecordsInFileOrder(set, log)) {
    const QsoRecord& qso = set.qsos[i];
    if (IsCredited(qso.verdict, dropUniques)) continue;
    const bool priced = cost != input.score->lost.end() && cost->qso == i;
    std::string other;
    if (qso.partner != kNoRecord) {
      const QsoRecord& theirs = set.qsos[qso.partner];
      other = OwnerOf(set, theirs) + (set.logs[theirs.log].adif ? " record " : " line ") +
              std::to_string(theirs.line) + ": " + QsoLineOf(set, theirs);
    }
    rows += "<tr><td class=\"call\">" + std::to_string(qso.line) + " " +
            HtmlEscaped(set.texts.Text(qso.workedAsLogged)) + "</td><td class=\"text\">" +
            VerdictName(qso.verdict) + "</td><td class=\"text\">" +
            HtmlEscaped(EntrantDetailOf(set, qso)) + "</td><td class=\"text\">" +
            (priced ? HtmlEscaped(CostCell(set, log, *cost++)) : "not counted") +
            "</td><td class=\"qso\">" + HtmlEscaped(QsoLineOf(set, qso)) +
            (other.empty() ? "" : "\n" + HtmlEscaped(other)) + "</td></tr>\n";
  }
  html += DecidedLines(set, log);
  if (rows.empty()) return html + "<p>None.</p>\n";
  return html +
         "<div class=\"scroll\"><table class=\"results\" id=\"lost\"><thead><tr><th "
         "class=\"call\">" +
         unit +
         ", call</th><th>Verdict</th><th>Why</th><th>Cost</th><th>Your line, and the "
         "other side's</th></tr></thead><tbody>\n" +
         rows + "</tbody></table></div>\n";
}

std::string HowCounted(const EntrantLog& log, const ReportContext& context) {
  return "<h2>How the score is counted</h2>\n<p>" +
         HtmlEscaped(ScoringRules(log, context.dropUniques, &context.penalty)) + "</p>\n";
}

}  // namespace

std::string EntrantPage(const ContestSet& set, const EntrantPageInput& input,
                        const ReportContext& context) {
  const EntrantLog& log = set.logs[input.log];
  std::string html = Head(log.call) + Summary(set, input) + BandTable(log);
  const Buckets buckets = BucketsOf(context.period);
  if (buckets.labels.empty()) {
    html += "<p class=\"muted\">No contest period: no charts.</p>\n";
  } else {
    html += RateChart(set, *input.score, buckets) + CountyCharts(set, *input.score, buckets) +
            Comparison(set, input, buckets);
  }
  html += LostTable(set, input, context.dropUniques) + HowCounted(log, context);
  return html + "</body></html>\n";
}

std::string PageFileName(const std::string& reportFileName) {
  std::string base = reportFileName.substr(0, reportFileName.rfind('.'));
  std::string lower = base;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  // Where file names ignore case, a log of "RESULTS" would overwrite the results page.
  if (lower == "results") base += "_";
  return base + ".html";
}

size_t Buckets::Of(long long moment) const {
  if (labels.empty() || moment < startSeconds) return 0;
  return std::min<size_t>(static_cast<size_t>((moment - startSeconds) / seconds),
                          labels.size() - 1);
}

Buckets BucketsOf(const ContestPeriod& period) {
  Buckets buckets;
  if (period.open || period.endSeconds < period.startSeconds) return buckets;
  const long long hours = (period.endSeconds - period.startSeconds) / 3600 + 1;
  const long long perBucket = (hours + kMostBuckets - 1) / kMostBuckets;
  buckets.startSeconds = period.startSeconds;
  buckets.seconds = 3600 * perBucket;
  const long long count = (hours + perBucket - 1) / perBucket;
  const long long labelEvery = std::max<long long>(1, (count + 7) / 8);
  for (long long i = 0; i < count; ++i) {
    std::string label;
    if (i % labelEvery == 0) {
      const std::string when = FormatSeconds(buckets.startSeconds + i * buckets.seconds);
      label = when.substr(11, 2) + "h";  // "2026-03-07 0900" gives "09h"
    }
    buckets.labels.push_back(label);
  }
  return buckets;
}

std::vector<double> RatePerBucket(const EntrantScore& score, const Buckets& buckets) {
  std::vector<double> rate(buckets.labels.size(), 0);
  if (rate.empty()) return rate;
  for (const CreditedQso& qso : score.credited) ++rate[buckets.Of(qso.seconds)];
  return rate;
}

std::vector<double> ScoreByBucket(const ContestSet& set, const EntrantScore& score,
                                  const Buckets& buckets) {
  std::vector<double> points(buckets.labels.size(), 0), counties(buckets.labels.size(), 0);
  if (points.empty()) return points;
  // A penalty is taken when its QSO is made.
  for (const LostCost& lost : score.lost)
    points[buckets.Of(CorrectedSeconds(set, set.qsos[lost.qso]))] -= lost.penalty;
  for (const CreditedQso& qso : score.credited) {
    const size_t at = buckets.Of(qso.seconds);
    points[at] += qso.points;
    if (qso.newCounty) ++counties[at];
  }
  std::vector<double> result(points.size());
  double pointsSoFar = 0, countiesSoFar = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    pointsSoFar += points[i];
    countiesSoFar += counties[i];
    result[i] = std::max(0.0, pointsSoFar) * countiesSoFar;
  }
  return result;
}

}  // namespace tarno::score
