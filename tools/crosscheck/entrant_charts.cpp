#include "crosscheck/entrant_charts.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "contest/county_rules.h"
#include "crosscheck/contest_period.h"
#include "crosscheck/html_text.h"
#include "crosscheck/page_words.h"
#include "crosscheck/svg_charts.h"

namespace tarno::score {
namespace {

// Buckets longer than an hour keep a long period's charts readable.
constexpr long long kMostBuckets = 96;

// Safe for colour-blind readers and at least 3:1 against the white, each band with a
// hatching of its own besides (160 m plain); a band the contest does not know is grey.
const char* const kBandColours[kBandCount] = {"#332288", "#0072b2", "#009e73",
                                              "#8c6d00", "#d55e00", "#cc79a7"};
constexpr char kOtherBand[] = "#767676";
constexpr char kMine[] = "#0072b2";
constexpr char kTheirs[] = "#d55e00";
constexpr char kGap[] = "#882255";

std::string Esc(const std::string& text) { return HtmlEscaped(text); }

// The frame of a chart over the period's buckets, in the page's language.
ChartFrame Frame(const Catalogue& words, const Buckets& buckets, const char* id,
                 const std::string& title, const std::string& description,
                 const std::string& yTitle) {
  ChartFrame frame;
  frame.id = id;
  frame.title = title;
  frame.description = description;
  frame.yTitle = yTitle;
  frame.xTitle = words.Text("axis.utc");
  frame.labels = buckets.labels;
  frame.decimalMark = words.Decimal(0.5, 1)[1];
  return frame;
}

// "Borsod-Abaúj-Zemplén", as the page's language writes the county of a code.
std::string CountyName(const Catalogue& words, const std::string& code) {
  const std::string key = "county." + code;
  return words.Text(key);
}

int HoursPerBucket(const Buckets& buckets) { return static_cast<int>(buckets.seconds / 3600); }

// A table folded under the chart it gives the values of.
std::string Folded(const std::string& summary, const std::string& id, const std::string& heads,
                   const std::string& rows, const std::string& caption = "") {
  return "<details><summary>" + Esc(summary) +
         "</summary><div class=\"scroll\"><table class=\"results\" id=\"" + id + "\">" +
         (caption.empty() ? "" : "<caption>" + Esc(caption) + "</caption>") + "<thead><tr>" +
         heads + "</tr></thead><tbody>\n" + rows + "</tbody></table></div></details>\n";
}

std::string Th(const std::string& text) { return "<th scope=\"col\">" + Esc(text) + "</th>"; }

std::string RowHead(const Catalogue& words, const ContestPeriod& period, const Buckets& buckets,
                    size_t i) {
  return "<tr><th scope=\"row\">" +
         Esc(HourText(words, period,
                      buckets.startSeconds + static_cast<long long>(i) * buckets.seconds)) +
         "</th>";
}

std::string Td(const Catalogue& words, double value) {
  return "<td>" + words.Number(std::llround(value)) + "</td>";
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

ChartSeries BandSeries(const std::string& band, size_t buckets) {
  const int index = BandIndex(band);
  return {band, index >= 0 ? kBandColours[index] : kOtherBand, std::vector<double>(buckets, 0),
          index >= 0 ? index : 6};
}

// Where the charts' times come from a corrected clock, they say so.
std::string ClockNote(const Catalogue& words, const EntrantLog& log) {
  if (!log.clock.Corrected()) return "";
  return "<p class=\"muted times\">" +
         Esc(words.Format("entrant.times_corrected", {{"clock", ClockWords(words, log.clock)}})) +
         "</p>\n";
}

std::string RateChart(const Catalogue& words, const ContestSet& set, const EntrantPageInput& input,
                      const ContestPeriod& period, const Buckets& buckets) {
  std::vector<ChartSeries> series;
  for (uint32_t band : BandsOf(set, *input.score)) {
    ChartSeries one = BandSeries(set.texts.Text(band), buckets.labels.size());
    for (const CreditedQso& qso : input.score->credited) {
      if (qso.band == band) ++one.values[buckets.Of(qso.seconds)];
    }
    series.push_back(std::move(one));
  }
  const int hours = HoursPerBucket(buckets);
  const std::string heading = words.Plural("entrant.rate_heading", hours);
  std::string html =
      "<h2>" + Esc(heading) + "</h2>\n" + ClockNote(words, set.logs[input.log]) +
      StackedBars(Frame(words, buckets, "rate", heading, words.Text("entrant.rate_description"),
                        words.Plural("axis.qsos_per", hours)),
                  series) +
      Legend("rate", series, false) + "\n";
  std::string heads = Th(words.Text("axis.utc"));
  for (const ChartSeries& one : series) heads += Th(one.name);
  heads += Th(words.Text("entrant.total"));
  std::string rows;
  for (size_t i = 0; i < buckets.labels.size(); ++i) {
    rows += RowHead(words, period, buckets, i);
    double total = 0;
    for (const ChartSeries& one : series) {
      rows += Td(words, one.values[i]);
      total += one.values[i];
    }
    rows += Td(words, total) + "</tr>\n";
  }
  return html + Folded(words.Text("entrant.numbers"), "rate-table", heads, rows);
}

std::string CountyLine(const Catalogue& words, const EntrantPageInput& input,
                       const ContestPeriod& period, const Buckets& buckets) {
  std::vector<double> fresh(buckets.labels.size(), 0);
  for (const CreditedQso& qso : input.score->credited) {
    if (qso.newCounty) ++fresh[buckets.Of(qso.seconds)];
  }
  ChartSeries counties{words.Text("axis.counties"), kMine, fresh, 0};
  for (size_t i = 1; i < counties.values.size(); ++i) counties.values[i] += counties.values[i - 1];
  const std::string heading = words.Text("entrant.counties_heading");
  std::string rows;
  for (size_t i = 0; i < fresh.size(); ++i) {
    rows += RowHead(words, period, buckets, i) + Td(words, fresh[i]) +
            Td(words, counties.values[i]) + "</tr>\n";
  }
  return "<h2>" + Esc(heading) + "</h2>\n" +
         LineChart(Frame(words, buckets, "counties", heading,
                         words.Text("entrant.counties_description"), words.Text("axis.counties")),
                   {counties}) +
         "\n" +
         Folded(words.Text("entrant.numbers"), "counties-table",
                Th(words.Text("axis.utc")) + Th(words.Text("entrant.new_counties")) +
                    Th(words.Text("entrant.counties_so_far")),
                rows);
}

// Per band and county: 0 not worked, 1 credited, 2 worked only in lost QSOs.
std::vector<std::vector<int>> GridStates(const ContestSet& set, const EntrantScore& score) {
  std::vector<std::vector<int>> states(kBandCount, std::vector<int>(kCountyCount, 0));
  for (const CreditedQso& qso : score.credited) {
    const int band = BandIndex(set.texts.Text(qso.band));
    if (band >= 0 && qso.county >= 0) states[band][qso.county] = 1;
  }
  for (const LostCost& lost : score.lost) {
    const int band = BandIndex(set.texts.Text(set.qsos[lost.qso].band));
    if (band >= 0 && lost.costsCounty) states[band][lost.county] = 2;
  }
  return states;
}

std::string CountyGrid(const Catalogue& words, const std::vector<std::vector<int>>& states) {
  const std::vector<std::string> rows(kBandNames.begin(), kBandNames.end());
  const std::vector<std::string> columns(kCountyCodes.begin(), kCountyCodes.end());
  const std::string credited = words.Text("entrant.grid_credited");
  const std::string lost = words.Text("entrant.grid_lost");
  ChartFrame frame;
  frame.id = "grid";
  frame.title = words.Text("entrant.grid_heading");
  frame.description = words.Text("entrant.grid_description");
  std::string html = "<h2>" + Esc(frame.title) + "</h2>\n" +
                     CellGrid(frame, rows, columns, states, {"", credited, lost}) +
                     "<p class=\"key\"><span class=\"k\"><svg viewBox=\"0 0 16 12\" "
                     "aria-hidden=\"true\"><rect width=\"16\" height=\"12\" fill=\"#0072b2\"/>"
                     "</svg>" +
                     Esc(credited) +
                     "</span> <span class=\"k\"><svg viewBox=\"0 0 16 12\" aria-hidden=\"true\">"
                     "<rect x=\"1\" y=\"1\" width=\"14\" height=\"10\" fill=\"#fff\" "
                     "stroke=\"#d55e00\" stroke-width=\"2\"/><path d=\"M4,3 12,9M4,9 12,3\" "
                     "stroke=\"#d55e00\" stroke-width=\"2\"/></svg>" +
                     Esc(lost) + "</span></p>\n";
  std::string heads = "<td></td>";
  for (const std::string& code : columns)
    heads += "<th scope=\"col\" title=\"" + Esc(CountyName(words, code)) + "\">" + code + "</th>";
  std::string body;
  for (int band = 0; band < kBandCount; ++band) {
    body += "<tr><th scope=\"row\">" + rows[band] + "</th>";
    for (int c = 0; c < kCountyCount; ++c) {
      const int state = states[band][c];
      body += state == 1 ? "<td>\xE2\x9C\x93" : state == 2 ? "<td>\xE2\x9C\x97" : "<td>";
    }
    body += "</tr>\n";
  }
  return html + Folded(words.Text("entrant.numbers"), "grid-table", heads, body,
                       "\xE2\x9C\x93 " + credited + ", \xE2\x9C\x97 " + lost);
}

// The counties no credited QSO gives on each band the log worked, and who worked them.
std::string MissingCounties(const Catalogue& words, const ContestSet& set,
                            const EntrantPageInput& input,
                            const std::vector<std::vector<int>>& states) {
  const EntrantLog& log = set.logs[input.log];
  const ContestStanding& contest = *input.contest;
  std::vector<int> bands;
  for (const std::string& band : SheetBands(log)) {
    const int index = BandIndex(band);
    if (index >= 0) bands.push_back(index);
  }
  std::sort(bands.begin(), bands.end());
  std::string html = "<h2>" + Esc(words.Text("entrant.missing_heading")) + "</h2>\n";
  std::vector<bool> worked(kCountyCount, false);
  for (int band = 0; band < kBandCount; ++band) {
    for (int c = 0; c < kCountyCount; ++c) worked[c] = worked[c] || states[band][c] != 0;
  }
  std::string never;
  for (int c = 0; c < kCountyCount; ++c) {
    if (!worked[c]) never += (never.empty() ? "" : ", ") + CountyName(words, kCountyCodes[c]);
  }
  html += "<p>" +
          Esc(never.empty() ? words.Text("entrant.never_none")
                            : words.Format("entrant.never_worked", {{"counties", never}})) +
          "</p>\n";
  std::string rows, list;
  for (int band : bands) {
    std::string notWorked, lostOnly;
    for (int c = 0; c < kCountyCount; ++c) {
      if (states[band][c] == 1) continue;
      std::string& codes = states[band][c] == 2 ? lostOnly : notWorked;
      codes += (codes.empty() ? "" : ", ") + std::string("<abbr title=\"") +
               Esc(CountyName(words, kCountyCodes[c])) + "\">" + kCountyCodes[c] + "</abbr>";
    }
    if (!notWorked.empty() || !lostOnly.empty()) {
      list +=
          "<li>" +
          words.Format("entrant.missing_band",
                       {{"band", std::string("<b>") + kBandNames[band] + "</b>"},
                        {"counties", notWorked.empty() ? "&ndash;" : notWorked}}) +
          (lostOnly.empty() ? "" : words.Format("entrant.missing_lost", {{"counties", lostOnly}})) +
          "</li>";
    }
    // Below, the counties some entrant worked there, or that this one worked in a lost QSO.
    for (int c = 0; c < kCountyCount; ++c) {
      const int workers = contest.workers[band][c];
      if (states[band][c] == 1 || (workers == 0 && states[band][c] == 0)) continue;
      const std::vector<uint32_t> nearest = NearestWorkers(contest, input.log, band, c, 3);
      std::string yours = words.Text("entrant.county_not_worked");
      for (const LostCost& lost : input.score->lost) {
        if (lost.costsCounty && lost.county == c &&
            BandIndex(set.texts.Text(set.qsos[lost.qso].band)) == band) {
          yours = words.Format("entrant.county_lost",
                               {{"unit", UnitText(words, log, set.qsos[lost.qso].line)}});
          break;
        }
      }
      std::string who = workers == 0 ? Esc(words.Text("entrant.worked_by_none")) : "";
      for (uint32_t other : nearest) {
        const std::string& call = set.logs[other].call;
        who += (who.empty() ? "" : ", ") + std::string("<a href=\"") + EntrantPageLink(call) +
               "\">" + Esc(call) + "</a>";
      }
      if (!nearest.empty() && workers > static_cast<int>(nearest.size()))
        who += Esc(words.Plural("entrant.more", workers - static_cast<int>(nearest.size())));
      rows += "<tr><th scope=\"row\">" + std::string(kBandNames[band]) + " " + kCountyCodes[c] +
              "</th><td class=\"t\">" + Esc(CountyName(words, kCountyCodes[c])) +
              "</td><td class=\"t\">" + Esc(yours) + "</td><td>" + words.Number(workers) +
              "</td><td class=\"t\">" + who + "</td></tr>\n";
    }
  }
  if (rows.empty()) return html;
  return html + "<ul id=\"missing-bands\">" + list + "</ul>\n<p class=\"muted\">" +
         Esc(words.Text("entrant.missing_note")) + "</p>\n" +
         Folded(words.Text("entrant.missing_who"), "missing",
                Th(words.Text("entrant.band_county")) + Th(words.Text("column.county")) +
                    Th(words.Text("entrant.yours")) + Th(words.Text("entrant.entrants")) +
                    Th(words.Text("entrant.worked_by")),
                rows);
}

std::string Comparison(const Catalogue& words, const ContestSet& set, const EntrantPageInput& input,
                       const ContestPeriod& period, const Buckets& buckets) {
  const EntrantLog& log = set.logs[input.log];
  const Standing& standing = input.contest->byLog[input.log];
  if (standing.category.place == 0) return "";  // its places say it is compared with no one
  if (standing.rival == kNoRecord || !input.rivalScore) {
    return "<h2>" + Esc(words.Text("entrant.compared_none_heading")) +
           "</h2>\n<p id=\"compare-none\">" + Esc(words.Text("entrant.no_rival")) + "</p>\n";
  }
  const EntrantLog& rival = set.logs[standing.rival];
  const Values who = {
      {"rival", "<a href=\"" + EntrantPageLink(rival.call) + "\">" + Esc(rival.call) + "</a>"},
      {"score", words.Number(rival.checked)}};
  const std::string how = standing.rivalPlace < 0   ? words.Format("entrant.rival_above", who)
                          : standing.rivalPlace > 0 ? words.Format("entrant.rival_below", who)
                                                    : words.Format("entrant.rival_tied", who);
  std::string html = "<div id=\"compare\" data-rival=\"" + Esc(rival.call) + "\"><h2>" +
                     Esc(words.Format("entrant.compared_heading", {{"rival", rival.call}})) +
                     "</h2>\n<p>" + how + "</p>\n";
  const int hours = HoursPerBucket(buckets);
  const std::vector<ChartSeries> rates = {
      {log.call, kMine, RatePerBucket(*input.score, buckets), 0},
      {rival.call, kTheirs, RatePerBucket(*input.rivalScore, buckets), 1}};
  const std::string ratesTitle = words.Format("entrant.rates_title", {{"rival", rival.call}});
  html +=
      LineChart(Frame(words, buckets, "rates", ratesTitle, words.Text("entrant.rates_description"),
                      words.Plural("axis.qsos_per", hours)),
                rates) +
      Legend("rates", rates, true) + "\n";
  const std::vector<double> mine = ScoreByBucket(set, *input.score, buckets);
  const std::vector<double> theirs = ScoreByBucket(set, *input.rivalScore, buckets);
  ChartSeries gap{words.Format("entrant.gap_series", {{"call", log.call}, {"rival", rival.call}}),
                  kGap, mine, 0};
  for (size_t i = 0; i < gap.values.size(); ++i) gap.values[i] -= theirs[i];
  const std::string gapTitle = words.Format("entrant.gap_heading", {{"rival", rival.call}});
  html += "<h3>" + Esc(gapTitle) + "</h3>\n" +
          LineChart(Frame(words, buckets, "gap", gapTitle, words.Text("entrant.gap_description"),
                          words.Text("axis.score_difference")),
                    {gap}, words.Text("chart.level")) +
          "\n";
  std::string rows;
  for (size_t i = 0; i < buckets.labels.size(); ++i) {
    rows += RowHead(words, period, buckets, i) + Td(words, rates[0].values[i]) +
            Td(words, rates[1].values[i]) + Td(words, mine[i]) + Td(words, theirs[i]) +
            Td(words, gap.values[i]) + "</tr>\n";
  }
  return html +
         Folded(words.Text("entrant.numbers"), "gap-table",
                Th(words.Text("axis.utc")) +
                    Th(words.Format("entrant.qsos_of", {{"call", log.call}})) +
                    Th(words.Format("entrant.qsos_of", {{"call", rival.call}})) +
                    Th(words.Format("entrant.score_of", {{"call", log.call}})) +
                    Th(words.Format("entrant.score_of", {{"call", rival.call}})) +
                    Th(words.Text("entrant.difference")),
                rows) +
         "</div>\n";
}

}  // namespace

std::string EntrantCharts(const PageLanguage& page, const ContestSet& set,
                          const EntrantPageInput& input, const ReportContext& context) {
  const Catalogue& words = page.words;
  const Buckets buckets = BucketsOf(context.period);
  const std::vector<std::vector<int>> states = GridStates(set, *input.score);
  std::string html;
  if (buckets.labels.empty()) {
    html = "<p class=\"muted\">" + Esc(words.Text("entrant.no_period")) + "</p>\n";
  } else {
    html = RateChart(words, set, input, context.period, buckets) +
           CountyLine(words, input, context.period, buckets);
  }
  html += CountyGrid(words, states) + MissingCounties(words, set, input, states);
  if (!buckets.labels.empty()) html += Comparison(words, set, input, context.period, buckets);
  return html;
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
