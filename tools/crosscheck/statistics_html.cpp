#include "crosscheck/statistics_html.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "crosscheck/page_style.h"
#include "crosscheck/statistics_charts.h"

namespace tarno::score {
namespace {

namespace fs = std::filesystem;

std::string E(const std::string& text) { return HtmlEscaped(text); }

const char kStatisticsStyle[] =
    ".nav a{margin-right:1em}svg.chart{max-width:760px;min-width:520px;display:block;margin:.4em 0}"
    "details{margin:.3em 0 1em}summary{cursor:pointer;color:#0b57a4}"
    ".results td.most,.results td.least{font-weight:bold}";

std::string Percent(const Catalogue& words, long long part, long long whole) {
  if (whole <= 0) return "\u2013";
  return words.Decimal(100.0 * static_cast<double>(part) / static_cast<double>(whole), 1) + "%";
}

std::string Th(const std::string& text, const char* attributes = "") {
  return std::string("<th scope=\"col\"") + attributes + ">" + E(text) + "</th>";
}
std::string RowHead(const std::string& text) {
  return "<th scope=\"row\" class=\"call\">" + E(text) + "</th>";
}
std::string Td(const std::string& text, const char* attributes = "") {
  return std::string("<td") + attributes + ">" + E(text) + "</td>";
}

// A table that scrolls in its own box on a narrow screen.
std::string TableStart(const std::string& id, const std::string& headCells) {
  return "<div class=\"scroll\"><table class=\"results\" id=\"" + id + "\"><thead><tr>" +
         headCells + "</tr></thead><tbody>\n";
}
const char kTableEnd[] = "</tbody></table></div>\n";

// A chart keeps a width its words can be read at, scrolling in its box on a phone.
std::string Boxed(const std::string& svg) { return "<div class=\"scroll\">" + svg + "</div>\n"; }

std::string Folded(const Catalogue& words, const std::string& table) {
  return "<details><summary>" + E(words.Text("statistics.numbers")) + "</summary>\n" + table +
         "</details>\n";
}

std::string Head(const std::string& title, const Catalogue& words) {
  return PageStart(PagesIn(words.language(), title), words.Text("statistics.heading"),
                   "statistics.html", kStatisticsStyle) +
         "<p class=\"nav\"><a href=\"results.html\">" + E(words.Text("statistics.results_link")) +
         "</a></p>\n<h1>" + E(words.Format("statistics.title", {{"title", title}})) + "</h1>\n";
}

std::string PeriodLine(const ContestPeriod& period, const Catalogue& words) {
  if (period.open) return "<p class=\"muted\">" + E(words.Text("statistics.no_period")) + "</p>\n";
  return "<p class=\"muted\">" +
         E(words.Format("statistics.period", {{"start", FormatSeconds(period.startSeconds)},
                                              {"end", FormatSeconds(period.endSeconds)}})) +
         "</p>\n";
}

std::string CountryName(const CountryActivity& country, const Catalogue& words) {
  return country.country.empty() ? words.Text("statistics.country.none") : country.country;
}

std::string CategoryName(const CategoryLogs& category, const Catalogue& words) {
  if (category.category.empty()) return words.Text("statistics.category.none");
  if (category.category == "CHECKLOG") return words.Text("statistics.category.checklog");
  return category.category;
}

std::string Stations(const ContestStatistics& stats, const Catalogue& words) {
  std::string html =
      "<section id=\"stations\"><h2>" + E(words.Text("statistics.stations.head")) + "</h2>\n<p>" +
      E(words.Format("statistics.stations.summary",
                     {{"logs", words.Number(stats.logsReceived)},
                      {"active", words.Number(stats.activeStations)},
                      {"share", Percent(words, stats.logsReceived, stats.activeStations)},
                      {"least", words.Number(kActiveLogs)}})) +
      "</p>\n<h3>" + E(words.Text("statistics.country.head")) + "</h3>\n";
  html += TableStart("by-country", Th(words.Text("statistics.column.country"), " class=\"call\"") +
                                       Th(words.Text("statistics.column.active")) +
                                       Th(words.Text("statistics.column.logs")) +
                                       Th(words.Text("statistics.column.share")));
  for (const CountryActivity& country : stats.countries) {
    html += "<tr>" + RowHead(CountryName(country, words)) + Td(words.Number(country.active)) +
            Td(words.Number(country.logs)) + Td(Percent(words, country.logs, country.active)) +
            "</tr>\n";
  }
  html += kTableEnd;
  html +=
      "<h3>" + E(words.Text("statistics.category.head")) + "</h3>\n" +
      TableStart("by-category", Th(words.Text("statistics.column.category"), " class=\"call\"") +
                                    Th(words.Text("statistics.column.logs")) +
                                    Th(words.Text("statistics.column.share_of_logs")));
  for (const CategoryLogs& category : stats.categories) {
    html += "<tr>" + RowHead(CategoryName(category, words)) + Td(words.Number(category.logs)) +
            Td(Percent(words, category.logs, stats.logsReceived)) + "</tr>\n";
  }
  return html + kTableEnd + "</section>\n";
}

std::string WithoutLogTable(const ContestStatistics& stats, const Catalogue& words,
                            const std::string& id) {
  std::string html = TableStart(id, Th(words.Text("statistics.column.call"), " class=\"call\"") +
                                        Th(words.Text("statistics.column.worked_by")));
  for (const StationWithoutLog& station : stats.withoutLog)
    html += "<tr>" + RowHead(station.call) + Td(words.Number(station.logs)) + "</tr>\n";
  return html + kTableEnd;
}

std::string NoneWithoutLog(const Catalogue& words) {
  return words.Format("statistics.no_log.none", {{"least", words.Number(kActiveLogs)}});
}

std::string WithoutLog(const ContestStatistics& stats, const Catalogue& words) {
  std::string html =
      "<section id=\"no-log\"><h2>" + E(words.Text("statistics.no_log.head")) + "</h2>\n";
  if (stats.withoutLog.empty()) return html + "<p>" + E(NoneWithoutLog(words)) + "</p></section>\n";
  return html + "<p>" +
         E(words.Plural("statistics.no_log.intro", stats.activeWithoutLog,
                        {{"shown", words.Number(static_cast<long long>(stats.withoutLog.size()))},
                         {"least", words.Number(kActiveLogs)}})) +
         "</p>\n" + WithoutLogTable(stats, words, "no-log-table") + "</section>\n";
}

std::vector<std::string> BandNames() { return {kBandNames.begin(), kBandNames.end()}; }

// "2026-03-07 14:00" of seconds since 1899-12-30.
std::string HourText(long long seconds) {
  const std::string when = FormatSeconds(seconds);
  return when.size() == 15 ? when.substr(0, 13) + ":" + when.substr(13) : when;
}

std::string PerHour(const ContestStatistics& stats, const Catalogue& words) {
  std::string html =
      "<section id=\"per-hour\"><h2>" + E(words.Text("statistics.hours.head")) + "</h2>\n";
  const size_t buckets = stats.hours.labels.size();
  if (buckets == 0)
    return html + "<p>" + E(words.Text("statistics.hours.none")) + "</p></section>\n";
  std::vector<std::vector<long long>> values(stats.linesPerHour.begin(), stats.linesPerHour.end());
  std::vector<long long> totals(buckets, 0);
  for (const auto& band : values) {
    for (size_t i = 0; i < buckets; ++i) totals[i] += band[i];
  }
  const size_t busiest = std::max_element(totals.begin(), totals.end()) - totals.begin();
  long long all = 0;
  for (long long total : totals) all += total;
  const long long hours = stats.hours.seconds / 3600;
  std::vector<std::string> hourNames;
  for (size_t i = 0; i < buckets; ++i)
    hourNames.push_back(HourText(stats.hours.startSeconds + i * stats.hours.seconds) + " UTC");
  ChartText text;
  text.id = "per-hour-chart";
  text.title = words.Text("statistics.hours.chart_title");
  text.desc =
      words.Format("statistics.hours.chart_desc",
                   {{"step", words.Plural("statistics.hours.step", hours)},
                    {"start", HourText(stats.hours.startSeconds)},
                    {"total", words.Number(all)},
                    {"most", words.Number(totals[busiest])},
                    {"when", HourText(stats.hours.startSeconds + busiest * stats.hours.seconds)}});
  text.xAxis = words.Text("statistics.axis.utc");
  text.yAxis = words.Text("statistics.axis.qso_lines");
  html += "<p>" + E(words.Text("statistics.hours.intro")) + "</p>\n" + BandLegend(BandNames()) +
          Boxed(BandColumns(text, stats.hours.labels, hourNames, values, BandNames()));
  std::string heads = Th(words.Text("statistics.column.time"), " class=\"call\"");
  for (const char* band : kBandNames) heads += Th(band);
  std::string table =
      TableStart("per-hour-table", heads + Th(words.Text("statistics.column.total")));
  for (size_t i = 0; i < buckets; ++i) {
    table += "<tr>" + RowHead(HourText(stats.hours.startSeconds + i * stats.hours.seconds));
    for (const auto& band : values) table += Td(words.Number(band[i]));
    table += Td(words.Number(totals[i])) + "</tr>\n";
  }
  return html + Folded(words, table + kTableEnd) + "</section>\n";
}

std::string CountyName(int county, const Catalogue& words) {
  return words.Text(std::string("county.") + kCountyCodes[county]);
}

std::string Counties(const ContestStatistics& stats, const Catalogue& words) {
  std::string html =
      "<section id=\"counties\"><h2>" + E(words.Text("statistics.counties.head")) + "</h2>\n";
  std::vector<CountyActivity> order(stats.counties.begin(), stats.counties.end());
  std::stable_sort(
      order.begin(), order.end(),
      [](const CountyActivity& a, const CountyActivity& b) { return a.total > b.total; });
  if (order.front().total == 0)
    return html + "<p>" + E(words.Text("statistics.counties.none")) + "</p></section>\n";
  std::vector<std::string> names;
  std::vector<long long> totals;
  for (const CountyActivity& county : order) {
    names.push_back(CountyName(county.county, words));
    totals.push_back(county.total);
  }
  ChartText text;
  text.id = "counties-chart";
  text.title = words.Text("statistics.counties.chart_title");
  text.desc = words.Format("statistics.counties.chart_desc",
                           {{"most", names.front()},
                            {"most_count", words.Number(totals.front())},
                            {"least", names.back()},
                            {"least_count", words.Number(totals.back())}});
  text.xAxis = words.Text("statistics.axis.credited_qsos");
  html += "<p>" + E(words.Text("statistics.counties.intro")) + "</p>\n" +
          Boxed(RowBars(text, names, totals)) + "<ul>\n";
  std::array<long long, kBandCount> most{}, least{};
  for (int band = 0; band < kBandCount; ++band) {
    auto byBand = [band](const CountyActivity& a, const CountyActivity& b) {
      return a.qsos[band] < b.qsos[band];
    };
    const auto [low, high] = std::minmax_element(order.begin(), order.end(), byBand);
    most[band] = high->qsos[band];
    least[band] = low->qsos[band];
    if (most[band] == 0) continue;
    html +=
        "<li>" +
        E(words.Format("statistics.counties.band", {{"band", kBandNames[band]},
                                                    {"most", CountyName(high->county, words)},
                                                    {"most_count", words.Number(most[band])},
                                                    {"least", CountyName(low->county, words)},
                                                    {"least_count", words.Number(least[band])}})) +
        "</li>\n";
  }
  html += "</ul>\n<p class=\"muted\">" + E(words.Text("statistics.counties.key")) + "</p>\n";
  std::string heads = Th(words.Text("statistics.column.county"), " class=\"call\"");
  for (const char* band : kBandNames) heads += Th(band);
  html += TableStart("counties-table", heads + Th(words.Text("statistics.column.total")) +
                                           Th(words.Text("statistics.column.stations")));
  for (const CountyActivity& county : order) {
    html += "<tr>" + RowHead(CountyName(county.county, words));
    for (int band = 0; band < kBandCount; ++band) {
      const long long qsos = county.qsos[band];
      const std::string number = words.Number(qsos);
      if (most[band] > least[band] && qsos == most[band]) {
        html += Td(number + " \u25B2", " class=\"most\"");
      } else if (most[band] > least[band] && qsos == least[band]) {
        html += Td(number + " \u25BC", " class=\"least\"");
      } else {
        html += Td(number);
      }
    }
    html += Td(words.Number(county.total)) + Td(words.Number(county.stations)) + "</tr>\n";
  }
  return html + kTableEnd + "</section>\n";
}

std::string ErrorRates(const ContestStatistics& stats, const Catalogue& words) {
  std::string html = "<section id=\"errors\"><h2>" + E(words.Text("statistics.errors.head")) +
                     "</h2>\n<p>" + E(words.Text("statistics.errors.intro")) + "</p>\n";
  if (stats.ratedLogs == 0)
    return html + "<p>" + E(words.Text("statistics.errors.none")) + "</p></section>\n";
  const std::string mean = words.Decimal(stats.meanErrorPercent, 1) + "%";
  html += "<p>" +
          E(words.Format("statistics.errors.summary",
                         {{"logs", words.Number(stats.ratedLogs)},
                          {"mean", mean},
                          {"median", words.Decimal(stats.medianErrorPercent, 1) + "%"}})) +
          "</p>\n";
  std::vector<std::string> labels;
  std::vector<long long> counts;
  for (int c = 0; c < kErrorClassCount; ++c) {
    labels.push_back(ErrorClassLabel(c));
    counts.push_back(stats.errorClasses[c]);
  }
  ChartText text;
  text.id = "errors-chart";
  text.title = words.Text("statistics.errors.chart_title");
  text.desc = words.Format("statistics.errors.chart_desc",
                           {{"logs", words.Number(stats.ratedLogs)}, {"mean", mean}});
  text.xAxis = words.Text("statistics.axis.error_rate");
  text.yAxis = words.Text("statistics.axis.logs");
  html += Boxed(CountColumns(text, labels, counts, ErrorClassPosition(stats.meanErrorPercent),
                             words.Format("statistics.errors.mean_label", {{"mean", mean}})));
  std::string table =
      TableStart("errors-table", Th(words.Text("statistics.column.error_rate"), " class=\"call\"") +
                                     Th(words.Text("statistics.column.rated_logs")));
  for (int c = 0; c < kErrorClassCount; ++c)
    table += "<tr>" + RowHead(labels[c] + "%") + Td(words.Number(counts[c])) + "</tr>\n";
  return html + Folded(words, table + kTableEnd) + "</section>\n";
}

std::string Checkable(const ContestStatistics& stats, const Catalogue& words) {
  long long lines = 0, checkable = 0;
  for (size_t row = 0; row < stats.lines.size(); ++row) {
    lines += stats.lines[row];
    checkable += stats.checkable[row];
  }
  std::string html =
      "<section id=\"checkable\"><h2>" + E(words.Text("statistics.checkable.head")) + "</h2>\n<p>" +
      E(words.Format("statistics.checkable.summary",
                     {{"checkable", words.Number(checkable)},
                      {"lines", words.Number(lines)},
                      {"share", Percent(words, checkable, lines)}})) +
      "</p>\n" +
      TableStart("checkable-table", Th(words.Text("statistics.column.band"), " class=\"call\"") +
                                        Th(words.Text("statistics.column.qso_lines")) +
                                        Th(words.Text("statistics.column.checkable")) +
                                        Th(words.Text("statistics.column.share")));
  for (size_t row = 0; row < stats.lines.size(); ++row) {
    if (row == kBandCount && stats.lines[row] == 0) continue;
    html += "<tr>" +
            RowHead(row < kBandCount ? kBandNames[row] : words.Text("statistics.other_bands")) +
            Td(words.Number(stats.lines[row])) + Td(words.Number(stats.checkable[row])) +
            Td(Percent(words, stats.checkable[row], stats.lines[row])) + "</tr>\n";
  }
  html += "<tr>" + RowHead(words.Text("statistics.column.total")) + Td(words.Number(lines)) +
          Td(words.Number(checkable)) + Td(Percent(words, checkable, lines)) + "</tr>\n";
  return html + kTableEnd + "</section>\n";
}

bool WritePage(const fs::path& path, const std::string& html, std::string* error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << html;
  out.close();
  if (out) return true;
  *error = "cannot write " + path.string();
  return false;
}

}  // namespace

std::string StatisticsHtml(const ContestStatistics& stats, const std::string& title,
                           const ContestPeriod& period, const Catalogue& words) {
  return Head(title, words) + PeriodLine(period, words) + BandPatterns() + Stations(stats, words) +
         WithoutLog(stats, words) + PerHour(stats, words) + Counties(stats, words) +
         ErrorRates(stats, words) + Checkable(stats, words) + "</body></html>\n";
}

bool WriteStatisticsPages(const ContestStatistics& stats, const std::string& title,
                          const ContestPeriod& period, const std::string& folder,
                          std::string* error) {
  for (Language language : kLanguages) {
    const Catalogue& words = Catalogue::Of(language);
    fs::path path(folder);
    if (language != Language::kEnglish) {
      path /= words.Code();
      std::error_code made;
      fs::create_directories(path, made);
      if (made) {
        *error = "cannot make " + path.string() + ": " + made.message();
        return false;
      }
    }
    if (!WritePage(path / "statistics.html", StatisticsHtml(stats, title, period, words), error))
      return false;
  }
  return true;
}

std::string SponsorWantedLogs(const ContestStatistics& stats, const Catalogue& words) {
  std::string html = "<h2 id=\"wanted\">" + E(words.Text("statistics.wanted.head")) + "</h2>\n";
  if (stats.withoutLog.empty()) return html + "<p>" + E(NoneWithoutLog(words)) + "</p>\n";
  return html + "<p>" +
         E(words.Plural("statistics.wanted.intro", stats.activeWithoutLog,
                        {{"shown", words.Number(static_cast<long long>(stats.withoutLog.size()))},
                         {"least", words.Number(kActiveLogs)}})) +
         "</p>\n" + WithoutLogTable(stats, words, "wanted-logs");
}

}  // namespace tarno::score
