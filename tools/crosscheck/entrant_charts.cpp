#include "crosscheck/entrant_charts.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <set>

#include "contest/county_rules.h"
#include "crosscheck/contest_period.h"
#include "crosscheck/html_out.h"
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

std::string Th(const std::string& text) { return "<th scope=\"col\">" + Esc(text) + "</th>"; }

// What every entrant's charts say alike in one language over one period: the buckets, the
// tables' row heads, the counties' names. Thousands of pages repeat it, so each thread
// works it out once for each language.
struct ChartWords {
  const Catalogue* words = nullptr;
  long long start = 0;
  long long end = 0;
  bool open = false;
  Buckets buckets;
  std::vector<std::string> hours;                  // per bucket: "09:00", as the tables name it
  std::vector<std::string> rowHeads;               // per bucket: <tr><th scope="row">09:00</th>
  std::array<std::string, kCountyCount> counties;  // "Borsod-Abaúj-Zemplén"
  std::array<std::string, kCountyCount> escapedCounties;
  std::vector<std::string> bandRows;  // the grid's rows and columns
  std::vector<std::string> countyColumns;
  std::vector<std::string> cellTitles;  // the grid's cells: "", credited, lost
  std::string utcHead;                  // Th of "UTC"
  std::string totalHead;
  std::string numbers;    // the folded tables' summary
  std::string gridKey;    // the grid's legend
  std::string gridHeads;  // the grid table's column heads
  std::string gridCaption;
};

ChartWords MakeChartWords(const Catalogue& words, const ContestPeriod& period) {
  ChartWords made;
  made.words = &words;
  made.start = period.startSeconds;
  made.end = period.endSeconds;
  made.open = period.open;
  made.buckets = BucketsOf(period);
  for (size_t i = 0; i < made.buckets.labels.size(); ++i) {
    made.hours.push_back(
        HourText(words, period,
                 made.buckets.startSeconds + static_cast<long long>(i) * made.buckets.seconds));
    made.rowHeads.push_back("<tr><th scope=\"row\">" + Esc(made.hours.back()) + "</th>");
  }
  for (int c = 0; c < kCountyCount; ++c) {
    const std::string key = std::string("county.") + kCountyCodes[c];
    made.counties[c] = words.Text(key);
    made.escapedCounties[c] = Esc(made.counties[c]);
  }
  made.bandRows.assign(kBandNames.begin(), kBandNames.end());
  made.countyColumns.assign(kCountyCodes.begin(), kCountyCodes.end());
  const std::string credited = words.Text("entrant.grid_credited");
  const std::string lost = words.Text("entrant.grid_lost");
  made.cellTitles = {"", credited, lost};
  made.utcHead = Th(words.Text("axis.utc"));
  made.totalHead = Th(words.Text("entrant.total"));
  made.numbers = words.Text("entrant.numbers");
  made.gridKey =
      "<p class=\"key\"><span class=\"k\"><svg viewBox=\"0 0 16 12\" "
      "aria-hidden=\"true\"><rect width=\"16\" height=\"12\" fill=\"#0072b2\"/>"
      "</svg>" +
      Esc(credited) +
      "</span> <span class=\"k\"><svg viewBox=\"0 0 16 12\" aria-hidden=\"true\">"
      "<rect x=\"1\" y=\"1\" width=\"14\" height=\"10\" fill=\"#fff\" "
      "stroke=\"#d55e00\" stroke-width=\"2\"/><path d=\"M4,3 12,9M4,9 12,3\" "
      "stroke=\"#d55e00\" stroke-width=\"2\"/></svg>" +
      Esc(lost) + "</span></p>\n";
  made.gridHeads = "<td></td>";
  for (int c = 0; c < kCountyCount; ++c) {
    made.gridHeads +=
        "<th scope=\"col\" title=\"" + made.escapedCounties[c] + "\">" + kCountyCodes[c] + "</th>";
  }
  made.gridCaption = "\xE2\x9C\x93 " + credited + ", \xE2\x9C\x97 " + lost;
  return made;
}

const ChartWords& ChartWordsOf(const Catalogue& words, const ContestPeriod& period) {
  thread_local ChartWords kept[2];
  ChartWords& slot = kept[words.language() == Language::kHungarian ? 1 : 0];
  if (slot.words != &words || slot.start != period.startSeconds || slot.end != period.endSeconds ||
      slot.open != period.open) {
    slot = MakeChartWords(words, period);
  }
  return slot;
}

// The frame of a chart over the period's buckets, in the page's language.
ChartFrame Frame(const ChartWords& chart, const char* id, const std::string& title,
                 const std::string& description, const std::string& yTitle) {
  const Catalogue& words = *chart.words;
  ChartFrame frame;
  frame.id = id;
  frame.title = title;
  frame.description = description;
  frame.yTitle = yTitle;
  frame.xTitle = words.Text("axis.utc");
  frame.labels = chart.buckets.labels;
  frame.tips = chart.hours;
  frame.decimalMark = words.Decimal(0.5, 1)[1];
  return frame;
}

int HoursPerBucket(const Buckets& buckets) { return static_cast<int>(buckets.seconds / 3600); }

// A table folded under the chart it gives the values of: its start, up to its rows.
void PutFoldedStart(HtmlOut& html, const std::string& summary, const char* id,
                    const std::string& heads, const std::string& caption = "") {
  html << "<details><summary>" << Escaped{summary}
       << "</summary><div class=\"scroll\"><table class=\"results\" id=\"" << id << "\">";
  if (!caption.empty()) html << "<caption>" << Escaped{caption} << "</caption>";
  html << "<thead><tr>" << heads << "</tr></thead><tbody>\n";
}

void PutFoldedEnd(HtmlOut& html) { html << "</tbody></table></div></details>\n"; }

// A count as the language writes it; below a thousand neither language parts digits.
void PutTd(HtmlOut& html, const Catalogue& words, double value) {
  const long long count = std::llround(value);
  html << "<td>";
  if (count > -1000 && count < 1000) {
    html << count;
  } else {
    html << words.Number(count);
  }
  html << "</td>";
}

// The contest's band of each band a log names (BandIndex), looked up once: a log names
// a few bands in hundreds of lines. A log naming many is looked up line by line.
class BandIndexes {
 public:
  explicit BandIndexes(const ContestSet& set) : m_set(set) {}

  int Of(uint32_t band) {
    for (const auto& [id, index] : m_known) {
      if (id == band) return index;
    }
    const int index = BandIndex(m_set.texts.Text(band));
    if (m_known.size() < 16) m_known.emplace_back(band, index);
    return index;
  }

 private:
  const ContestSet& m_set;
  std::vector<std::pair<uint32_t, int>> m_known;
};

// The bands of the credited QSOs, the contest's in their order, any other after them.
std::vector<uint32_t> BandsOf(const EntrantScore& score, BandIndexes& indexes) {
  std::vector<uint32_t> bands;
  for (const CreditedQso& qso : score.credited) {
    if (std::find(bands.begin(), bands.end(), qso.band) == bands.end()) bands.push_back(qso.band);
    // A hostile log's thousand bands are sorted as a set would hold them.
    if (bands.size() > 64) {
      std::set<uint32_t> seen;
      for (const CreditedQso& each : score.credited) seen.insert(each.band);
      bands.assign(seen.begin(), seen.end());
      break;
    }
  }
  std::sort(bands.begin(), bands.end());
  std::stable_sort(bands.begin(), bands.end(), [&](uint32_t a, uint32_t b) {
    const int first = indexes.Of(a), second = indexes.Of(b);
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

void PutRateChart(HtmlOut& html, const ChartWords& chart, const ContestSet& set,
                  const EntrantPageInput& input, const EntrantFigures& figures) {
  const Catalogue& words = *chart.words;
  const Buckets& buckets = chart.buckets;
  std::vector<ChartSeries> series;
  for (size_t b = 0; b < figures.rateBands.size(); ++b) {
    ChartSeries one = BandSeries(set.texts.Text(figures.rateBands[b]), 0);
    one.values = figures.rates[b];
    series.push_back(std::move(one));
  }
  const int hours = HoursPerBucket(buckets);
  const std::string heading = words.Plural("entrant.rate_heading", hours);
  html << "<h2>" << Escaped{heading} << "</h2>\n"
       << ClockNote(words, set.logs[input.log])
       << StackedBars(Frame(chart, "rate", heading, words.Text("entrant.rate_description"),
                            words.Plural("axis.qsos_per", hours)),
                      series)
       << Legend("rate", series, false) << "\n";
  std::string heads = chart.utcHead;
  for (const ChartSeries& one : series) heads += Th(one.name);
  heads += chart.totalHead;
  PutFoldedStart(html, chart.numbers, "rate-table", heads);
  for (size_t i = 0; i < buckets.labels.size(); ++i) {
    html << chart.rowHeads[i];
    double total = 0;
    for (const ChartSeries& one : series) {
      PutTd(html, words, one.values[i]);
      total += one.values[i];
    }
    PutTd(html, words, total);
    html << "</tr>\n";
  }
  PutFoldedEnd(html);
}

void PutCountyLine(HtmlOut& html, const ChartWords& chart, const EntrantFigures& figures) {
  const Catalogue& words = *chart.words;
  const std::vector<double>& fresh = figures.freshCounties;
  ChartSeries counties{words.Text("axis.counties"), kMine, fresh, 0};
  for (size_t i = 1; i < counties.values.size(); ++i) counties.values[i] += counties.values[i - 1];
  const std::string heading = words.Text("entrant.counties_heading");
  html << "<h2>" << Escaped{heading} << "</h2>\n"
       << LineChart(Frame(chart, "counties", heading, words.Text("entrant.counties_description"),
                          words.Text("axis.counties")),
                    {counties})
       << "\n";
  PutFoldedStart(html, chart.numbers, "counties-table",
                 chart.utcHead + Th(words.Text("entrant.new_counties")) +
                     Th(words.Text("entrant.counties_so_far")));
  for (size_t i = 0; i < fresh.size(); ++i) {
    html << chart.rowHeads[i];
    PutTd(html, words, fresh[i]);
    PutTd(html, words, counties.values[i]);
    html << "</tr>\n";
  }
  PutFoldedEnd(html);
}

// Per band and county: 0 not worked, 1 credited, 2 worked only in lost QSOs.
std::vector<std::vector<int>> GridStates(const ContestSet& set, const EntrantScore& score) {
  std::vector<std::vector<int>> states(kBandCount, std::vector<int>(kCountyCount, 0));
  BandIndexes indexes(set);
  for (const CreditedQso& qso : score.credited) {
    const int band = indexes.Of(qso.band);
    if (band >= 0 && qso.county >= 0) states[band][qso.county] = 1;
  }
  for (const LostCost& lost : score.lost) {
    const int band = indexes.Of(set.qsos[lost.qso].band);
    if (band >= 0 && lost.costsCounty) states[band][lost.county] = 2;
  }
  return states;
}

void PutCountyGrid(HtmlOut& html, const ChartWords& chart,
                   const std::vector<std::vector<int>>& states) {
  const Catalogue& words = *chart.words;
  ChartFrame frame;
  frame.id = "grid";
  frame.title = words.Text("entrant.grid_heading");
  frame.description = words.Text("entrant.grid_description");
  html << "<h2>" << Escaped{frame.title} << "</h2>\n"
       << CellGrid(frame, chart.bandRows, chart.countyColumns, states, chart.cellTitles)
       << chart.gridKey;
  PutFoldedStart(html, chart.numbers, "grid-table", chart.gridHeads, chart.gridCaption);
  for (int band = 0; band < kBandCount; ++band) {
    html << "<tr><th scope=\"row\">" << kBandNames[band] << "</th>";
    for (int c = 0; c < kCountyCount; ++c) {
      const int state = states[band][c];
      html << (state == 1 ? "<td>\xE2\x9C\x93" : state == 2 ? "<td>\xE2\x9C\x97" : "<td>");
    }
    html << "</tr>\n";
  }
  PutFoldedEnd(html);
}

// The counties no credited QSO gives on each band the log worked, and who worked them.
// The contest's bands of the log's summary sheet, in their order.
std::vector<int> SheetBandIndexes(const EntrantLog& log) {
  std::vector<int> bands;
  for (const std::string& band : SheetBands(log)) {
    const int index = BandIndex(band);
    if (index >= 0) bands.push_back(index);
  }
  std::sort(bands.begin(), bands.end());
  return bands;
}

void PutMissingCounties(HtmlOut& html, const ChartWords& chart, const ContestSet& set,
                        const EntrantPageInput& input, const EntrantFigures& figures) {
  const Catalogue& words = *chart.words;
  const EntrantLog& log = set.logs[input.log];
  const ContestStanding& contest = *input.contest;
  const std::vector<std::vector<int>>& states = figures.states;
  const std::vector<int> bands = SheetBandIndexes(log);
  html << "<h2>" << Escaped{words.Text("entrant.missing_heading")} << "</h2>\n";
  std::vector<bool> worked(kCountyCount, false);
  for (int band = 0; band < kBandCount; ++band) {
    for (int c = 0; c < kCountyCount; ++c) worked[c] = worked[c] || states[band][c] != 0;
  }
  std::string never;
  for (int c = 0; c < kCountyCount; ++c) {
    if (!worked[c]) never += (never.empty() ? "" : ", ") + chart.counties[c];
  }
  html << "<p>"
       << Escaped{never.empty() ? words.Text("entrant.never_none")
                                : words.Format("entrant.never_worked", {{"counties", never}})}
       << "</p>\n";
  const std::string notWorkedText = words.Text("entrant.county_not_worked");
  const std::string nobody = Esc(words.Text("entrant.worked_by_none"));
  std::string rows, list;
  HtmlOut row(&rows);
  for (int band : bands) {
    std::string notWorked, lostOnly;
    for (int c = 0; c < kCountyCount; ++c) {
      if (states[band][c] == 1) continue;
      std::string& codes = states[band][c] == 2 ? lostOnly : notWorked;
      HtmlOut(&codes) << (codes.empty() ? "" : ", ") << "<abbr title=\"" << chart.escapedCounties[c]
                      << "\">" << kCountyCodes[c] << "</abbr>";
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
    for (const EntrantFigures::MissingCounty& missing : figures.missing[band]) {
      const int c = missing.county;
      const int workers = contest.workers[band][c];
      const std::vector<uint32_t>& nearest = missing.nearest;
      const std::string yours =
          missing.lost
              ? words.Format("entrant.county_lost",
                             {{"unit", UnitText(words, log, set.qsos[missing.lost->qso].line)}})
              : std::string();
      row << "<tr><th scope=\"row\">" << kBandNames[band] << ' ' << kCountyCodes[c]
          << "</th><td class=\"t\">" << chart.escapedCounties[c] << "</td><td class=\"t\">"
          << Escaped{yours.empty() ? notWorkedText : yours} << "</td>";
      PutTd(row, words, workers);
      row << "<td class=\"t\">";
      if (workers == 0) row << nobody;
      for (size_t k = 0; k < nearest.size(); ++k) {
        if (k > 0 || workers == 0) row << ", ";
        AppendPageAnchor(&rows, contest, set, nearest[k]);
      }
      if (!nearest.empty() && workers > static_cast<int>(nearest.size()))
        row << Escaped{words.Plural("entrant.more", workers - static_cast<int>(nearest.size()))};
      row << "</td></tr>\n";
    }
  }
  if (rows.empty()) return;
  html << "<ul id=\"missing-bands\">" << list << "</ul>\n<p class=\"muted\">"
       << Escaped{words.Text("entrant.missing_note")} << "</p>\n";
  PutFoldedStart(html, words.Text("entrant.missing_who"), "missing",
                 Th(words.Text("entrant.band_county")) + Th(words.Text("column.county")) +
                     Th(words.Text("entrant.yours")) + Th(words.Text("entrant.entrants")) +
                     Th(words.Text("entrant.worked_by")));
  html << rows;
  PutFoldedEnd(html);
}

void PutComparison(HtmlOut& html, const ChartWords& chart, const ContestSet& set,
                   const EntrantPageInput& input, const EntrantFigures& figures) {
  const Catalogue& words = *chart.words;
  const Buckets& buckets = chart.buckets;
  const EntrantLog& log = set.logs[input.log];
  const Standing& standing = input.contest->byLog[input.log];
  if (standing.category.place == 0) return;  // its places say it is compared with no one
  if (standing.rival == kNoRecord || !input.rivalScore || figures.myRate.empty()) {
    html << "<h2>" << Escaped{words.Text("entrant.compared_none_heading")}
         << "</h2>\n<p id=\"compare-none\">" << Escaped{words.Text("entrant.no_rival")} << "</p>\n";
    return;
  }
  const EntrantLog& rival = set.logs[standing.rival];
  std::string anchor;
  AppendPageAnchor(&anchor, *input.contest, set, standing.rival);
  const Values who = {{"rival", anchor}, {"score", words.Number(rival.checked)}};
  const std::string how = standing.rivalPlace < 0   ? words.Format("entrant.rival_above", who)
                          : standing.rivalPlace > 0 ? words.Format("entrant.rival_below", who)
                                                    : words.Format("entrant.rival_tied", who);
  html << "<div id=\"compare\" data-rival=\"" << Escaped{rival.call} << "\"><h2>"
       << Escaped{words.Format("entrant.compared_heading", {{"rival", rival.call}})} << "</h2>\n<p>"
       << how << "</p>\n";
  const int hours = HoursPerBucket(buckets);
  const std::vector<ChartSeries> rates = {{log.call, kMine, figures.myRate, 0},
                                          {rival.call, kTheirs, figures.rivalRate, 1}};
  const std::string ratesTitle = words.Format("entrant.rates_title", {{"rival", rival.call}});
  html << LineChart(Frame(chart, "rates", ratesTitle, words.Text("entrant.rates_description"),
                          words.Plural("axis.qsos_per", hours)),
                    rates)
       << Legend("rates", rates, true) << "\n";
  const std::vector<double>& mine = figures.myScore;
  const std::vector<double>& theirs = figures.rivalScore;
  ChartSeries gap{words.Format("entrant.gap_series", {{"call", log.call}, {"rival", rival.call}}),
                  kGap, mine, 0};
  for (size_t i = 0; i < gap.values.size(); ++i) gap.values[i] -= theirs[i];
  const std::string gapTitle = words.Format("entrant.gap_heading", {{"rival", rival.call}});
  html << "<h3>" << Escaped{gapTitle} << "</h3>\n"
       << LineChart(Frame(chart, "gap", gapTitle, words.Text("entrant.gap_description"),
                          words.Text("axis.score_difference")),
                    {gap}, words.Text("chart.level"))
       << "\n";
  PutFoldedStart(html, chart.numbers, "gap-table",
                 chart.utcHead + Th(words.Format("entrant.qsos_of", {{"call", log.call}})) +
                     Th(words.Format("entrant.qsos_of", {{"call", rival.call}})) +
                     Th(words.Format("entrant.score_of", {{"call", log.call}})) +
                     Th(words.Format("entrant.score_of", {{"call", rival.call}})) +
                     Th(words.Text("entrant.difference")));
  for (size_t i = 0; i < buckets.labels.size(); ++i) {
    html << chart.rowHeads[i];
    for (double value :
         {rates[0].values[i], rates[1].values[i], mine[i], theirs[i], gap.values[i]}) {
      PutTd(html, words, value);
    }
    html << "</tr>\n";
  }
  PutFoldedEnd(html);
  html << "</div>\n";
}

}  // namespace

EntrantFigures FiguresOf(const ContestSet& set, const EntrantPageInput& input,
                         const ContestPeriod& period) {
  EntrantFigures figures;
  const EntrantScore& score = *input.score;
  const Buckets& buckets = ChartWordsOf(Catalogue::Of(Language::kEnglish), period).buckets;
  figures.states = GridStates(set, score);
  const size_t count = buckets.labels.size();
  if (count > 0) {
    BandIndexes indexes(set);
    figures.rateBands = BandsOf(score, indexes);
    for (uint32_t band : figures.rateBands) {
      std::vector<double> values(count, 0);
      for (const CreditedQso& qso : score.credited) {
        if (qso.band == band) ++values[buckets.Of(qso.seconds)];
      }
      figures.rates.push_back(std::move(values));
    }
    figures.freshCounties.assign(count, 0);
    for (const CreditedQso& qso : score.credited) {
      if (qso.newCounty) ++figures.freshCounties[buckets.Of(qso.seconds)];
    }
    const Standing& standing = input.contest->byLog[input.log];
    if (standing.category.place != 0 && standing.rival != kNoRecord && input.rivalScore) {
      figures.myRate = RatePerBucket(score, buckets);
      figures.rivalRate = RatePerBucket(*input.rivalScore, buckets);
      figures.myScore = ScoreByBucket(set, score, buckets);
      figures.rivalScore = ScoreByBucket(set, *input.rivalScore, buckets);
    }
  }
  const ContestStanding& contest = *input.contest;
  BandIndexes indexes(set);
  for (int band : SheetBandIndexes(set.logs[input.log])) {
    std::vector<EntrantFigures::MissingCounty>& missing = figures.missing[band];
    if (!missing.empty()) continue;
    for (int c = 0; c < kCountyCount; ++c) {
      const int state = figures.states[band][c];
      if (state == 1 || (contest.workers[band][c] == 0 && state == 0)) continue;
      EntrantFigures::MissingCounty one;
      one.county = c;
      one.nearest = NearestWorkers(contest, input.log, band, c, 3);
      for (const LostCost& lost : score.lost) {
        if (lost.costsCounty && lost.county == c && indexes.Of(set.qsos[lost.qso].band) == band) {
          one.lost = &lost;
          break;
        }
      }
      missing.push_back(std::move(one));
    }
  }
  return figures;
}

void AppendEntrantCharts(std::string* out, const PageLanguage& page, const ContestSet& set,
                         const EntrantPageInput& input, const ReportContext& context) {
  const ChartWords& chart = ChartWordsOf(page.words, context.period);
  EntrantFigures own;
  if (!input.figures) own = FiguresOf(set, input, context.period);
  const EntrantFigures& figures = input.figures ? *input.figures : own;
  HtmlOut html(out);
  if (chart.buckets.labels.empty()) {
    html << "<p class=\"muted\">" << Escaped{page.words.Text("entrant.no_period")} << "</p>\n";
  } else {
    PutRateChart(html, chart, set, input, figures);
    PutCountyLine(html, chart, figures);
  }
  PutCountyGrid(html, chart, figures.states);
  PutMissingCounties(html, chart, set, input, figures);
  if (!chart.buckets.labels.empty()) PutComparison(html, chart, set, input, figures);
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
