#include "crosscheck/contest_statistics.h"

#include <algorithm>
#include <map>

#include "crosscheck/contest_period.h"
#include "crosscheck/entrant_standing.h"

namespace tarno::score {
namespace {

constexpr double kClassBounds[kErrorClassCount - 1] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 15, 20};

bool IsQsoLine(const QsoRecord& qso) { return qso.readable && qso.verdict != Verdict::kOutside; }

// Per worked call (by text id): how many logs hold it, counting each log once.
std::vector<int> LogsPerCall(const ContestSet& set) {
  std::vector<int> logs(set.texts.Size(), 0);
  std::vector<uint32_t> lastLog(set.texts.Size(), kNoRecord);
  for (uint32_t l = 0; l < set.logs.size(); ++l) {
    const EntrantLog& log = set.logs[l];
    if (!log.used) continue;
    for (size_t i = log.firstQso; i < log.firstQso + log.qsoCount; ++i) {
      const QsoRecord& qso = set.qsos[i];
      if (!IsQsoLine(qso) || qso.worked == 0 || qso.worked == log.callId) continue;
      if (lastLog[qso.worked] == l) continue;
      lastLog[qso.worked] = l;
      ++logs[qso.worked];
    }
  }
  return logs;
}

bool SentLog(const ContestSet& set, uint32_t call) {
  return call < set.logOfCall.size() && set.logOfCall[call] >= 0;
}

void CountStations(const ContestSet& set, const std::vector<RankedLog>& ranking,
                   const CountryFile& countries, ContestStatistics* stats) {
  std::map<std::string, CountryActivity> byCountry;
  for (const RankedLog& row : ranking) {
    CountryActivity& country = byCountry[row.country];
    ++country.active;
    ++country.logs;
  }
  stats->logsReceived = static_cast<int>(ranking.size());
  stats->activeStations = stats->logsReceived;
  const std::vector<int> logsPerCall = LogsPerCall(set);
  std::vector<StationWithoutLog> withoutLog;
  for (uint32_t call = 1; call < logsPerCall.size(); ++call) {
    if (logsPerCall[call] < kActiveLogs || SentLog(set, call)) continue;
    ++stats->activeWithoutLog;
    ++stats->activeStations;
    const CountryInfo info = countries.Lookup(set.texts.Text(call));
    ++byCountry[info.found ? info.entity : std::string()].active;
    withoutLog.push_back({set.texts.Text(call), logsPerCall[call]});
  }
  auto mostWorked = [](const StationWithoutLog& a, const StationWithoutLog& b) {
    return a.logs != b.logs ? a.logs > b.logs : a.call < b.call;
  };
  const size_t shown = std::min(withoutLog.size(), kMostWithoutLog);
  std::partial_sort(withoutLog.begin(), withoutLog.begin() + shown, withoutLog.end(), mostWorked);
  withoutLog.resize(shown);
  stats->withoutLog = std::move(withoutLog);
  for (auto& [name, country] : byCountry) {
    country.country = name;
    stats->countries.push_back(country);
  }
  std::stable_sort(stats->countries.begin(), stats->countries.end(),
                   [](const CountryActivity& a, const CountryActivity& b) {
                     return a.active != b.active ? a.active > b.active : a.logs > b.logs;
                   });
}

void CountCategories(const std::vector<RankedLog>& ranking, const Standings& standings,
                     ContestStatistics* stats) {
  for (const CategoryTable& table : standings.tables)
    stats->categories.push_back({table.name, static_cast<int>(table.rows.size())});
  CategoryLogs checkLogs{"CHECKLOG", 0}, none{"", 0};
  for (size_t row : standings.unranked) ++(ranking[row].category.empty() ? none : checkLogs).logs;
  if (checkLogs.logs > 0) stats->categories.push_back(checkLogs);
  if (none.logs > 0) stats->categories.push_back(none);
}

// The county a received exchange names, by its text id: -1 for none, -2 not looked at yet.
int CountyOf(const ContestSet& set, uint32_t exchange, std::vector<int8_t>* known) {
  int8_t& county = (*known)[exchange];
  if (county == -2) {
    const std::string code = NormaliseCounty(set.texts.Text(exchange));
    county = -1;
    for (int c = 0; c < kCountyCount; ++c) {
      if (code == kCountyCodes[c]) county = static_cast<int8_t>(c);
    }
  }
  return county;
}

bool IsHomeCall(const std::string& call) {
  return call.size() >= 2 && IsHomePrefix(std::string_view(call).substr(0, 2));
}

void CountLines(const ContestSet& set, const ReportContext& context, ContestStatistics* stats) {
  stats->hours = BucketsOf(context.period);
  for (auto& band : stats->linesPerHour) band.assign(stats->hours.labels.size(), 0);
  for (int c = 0; c < kCountyCount; ++c) stats->counties[c].county = c;
  std::vector<int8_t> countyOfText(set.texts.Size(), -2);
  std::vector<uint32_t> countiesOfCall(set.texts.Size(), 0);  // a bit per county
  std::vector<int8_t> bandOfText(set.texts.Size(), -2);        // BandIndex, once a text
  for (const EntrantLog& log : set.logs) {
    if (!log.used) continue;
    for (size_t i = log.firstQso; i < log.firstQso + log.qsoCount; ++i) {
      const QsoRecord& qso = set.qsos[i];
      if (!IsQsoLine(qso)) continue;
      int8_t& known = bandOfText[qso.band];
      if (known == -2) known = static_cast<int8_t>(BandIndex(set.texts.Text(qso.band)));
      const int band = known;
      const size_t row = band >= 0 ? static_cast<size_t>(band) : kBandCount;
      ++stats->lines[row];
      if (SentLog(set, qso.worked)) ++stats->checkable[row];
      if (band < 0) continue;
      if (!stats->hours.labels.empty())
        ++stats->linesPerHour[band][stats->hours.Of(CorrectedSeconds(set, qso))];
      if (!IsCredited(qso.verdict, context.dropUniques) || !IsHomeCall(set.texts.Text(qso.worked)))
        continue;
      const int county = CountyOf(set, qso.exchRcvd, &countyOfText);
      if (county < 0) continue;
      ++stats->counties[county].qsos[band];
      ++stats->counties[county].total;
      countiesOfCall[qso.worked] |= 1u << county;
    }
  }
  for (uint32_t mask : countiesOfCall) {
    for (int c = 0; mask != 0; ++c, mask >>= 1) stats->counties[c].stations += mask & 1;
  }
}

// The rates the entrants' pages show (ErrorPercent), so that the contest's mean is the one
// each page compares its entrant with.
void RateErrors(const ContestSet& set, bool dropUniques, ContestStatistics* stats) {
  std::vector<double> rates;
  for (const EntrantLog& log : set.logs) {
    if (!log.used || JudgedLines(log) <= 0) continue;
    const double percent = ErrorPercent(log, dropUniques);
    rates.push_back(percent);
    ++stats->errorClasses[ErrorClassOf(percent)];
  }
  stats->ratedLogs = static_cast<int>(rates.size());
  if (rates.empty()) return;
  double sum = 0;
  for (double rate : rates) sum += rate;
  stats->meanErrorPercent = sum / rates.size();
  const size_t middle = rates.size() / 2;
  std::nth_element(rates.begin(), rates.begin() + middle, rates.end());
  stats->medianErrorPercent = rates[middle];
  if (rates.size() % 2 == 0) {
    const double below = *std::max_element(rates.begin(), rates.begin() + middle);
    stats->medianErrorPercent = (below + rates[middle]) / 2;
  }
}

}  // namespace

int ErrorClassOf(double percent) {
  if (percent <= 0) return 0;
  int errorClass = 1;
  while (errorClass < kErrorClassCount - 1 && percent >= kClassBounds[errorClass]) ++errorClass;
  return errorClass;
}

std::string ErrorClassLabel(int errorClass) {
  if (errorClass <= 0) return "0";
  if (errorClass >= kErrorClassCount - 1)
    return std::to_string(static_cast<int>(kClassBounds[kErrorClassCount - 2])) + "+";
  return std::to_string(static_cast<int>(kClassBounds[errorClass - 1])) + "\u2013" +
         std::to_string(static_cast<int>(kClassBounds[errorClass]));
}

double ErrorClassPosition(double percent) {
  const int errorClass = ErrorClassOf(percent);
  if (errorClass == 0 || errorClass == kErrorClassCount - 1) return errorClass + 0.5;
  const double low = kClassBounds[errorClass - 1], high = kClassBounds[errorClass];
  return errorClass + (percent - low) / (high - low);
}

ContestStatistics GatherStatistics(const ContestSet& set, const std::vector<RankedLog>& ranking,
                                   const Standings& standings, const CountryFile& countries,
                                   const ReportContext& context) {
  ContestStatistics stats;
  CountStations(set, ranking, countries, &stats);
  CountCategories(ranking, standings, &stats);
  CountLines(set, context, &stats);
  RateErrors(set, context.dropUniques, &stats);
  return stats;
}

}  // namespace tarno::score
