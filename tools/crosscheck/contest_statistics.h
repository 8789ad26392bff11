#ifndef TARNO_TOOLS_CROSSCHECK_CONTEST_STATISTICS_H_
#define TARNO_TOOLS_CROSSCHECK_CONTEST_STATISTICS_H_

// The contest as a whole, once every log is checked and placed: who was on the air and who
// sent a log, the activity hour by hour and county by county, how accurate the logs were
// and how much of the contest could be cross-checked. Gathered in one pass over the QSO
// lines, with tables by text id, so that time and memory grow with the logs alone.
//
// A "QSO line" here is a readable line of a used log inside the contest period (not
// OUTSIDE); lines that could not be read say nothing about who was on the air.

#include <array>
#include <string>
#include <vector>

#include "contest/county_rules.h"
#include "crosscheck/contest_set.h"
#include "crosscheck/entrant_page.h"
#include "crosscheck/entrant_report.h"
#include "crosscheck/rankings.h"
#include "crosscheck/result_table.h"
#include "logs/country_file.h"

namespace tarno::score {

// A station is active when it sent a log, or when at least this many logs worked it: a
// call in one or two logs is as likely a busted call as a station.
constexpr int kActiveLogs = 3;
// The most stations without a log listed.
constexpr size_t kMostWithoutLog = 30;

// The classes of the error rates' distribution: 0%, then up to 1%, 1 to 2%, ... 9 to 10%,
// 10 to 15%, 15 to 20%, and 20% or more. A rate on a bound goes to the class above it.
constexpr int kErrorClassCount = 14;
int ErrorClassOf(double percent);
// "0", "0–1", ..., "20+": the class's bounds in percent, as both languages write them.
std::string ErrorClassLabel(int errorClass);
// Where a rate stands on an axis of the classes side by side, in classes from its left
// edge: 0.5 for 0%, 3.5 for 2.5%; the middle of the last class for any rate in it.
double ErrorClassPosition(double percent);

struct CountryActivity {
  std::string country;  // the country file's entity; empty for calls in none
  int active = 0;       // active stations of the country
  int logs = 0;         // logs received from them
};

struct CategoryLogs {
  std::string category;  // the published name; "CHECKLOG"; empty for logs in no category
  int logs = 0;
};

struct StationWithoutLog {
  std::string call;
  int logs = 0;  // logs that worked it
};

struct CountyActivity {
  int county = 0;                            // index in kCountyCodes
  std::array<long long, kBandCount> qsos{};  // credited QSOs that copied it, per band
  long long total = 0;
  int stations = 0;  // home stations that sent it in a credited QSO
};

struct ContestStatistics {
  int logsReceived = 0;
  int activeStations = 0;  // sent a log, or worked in kActiveLogs logs or more
  int activeWithoutLog = 0;
  std::vector<CountryActivity> countries;     // most active first, then by name
  std::vector<CategoryLogs> categories;       // as published, then check logs, then no category
  std::vector<StationWithoutLog> withoutLog;  // the most worked first, then by call

  Buckets hours;  // BucketsOf the period; none for an open period
  std::array<std::vector<long long>, kBandCount> linesPerHour;  // by band, then bucket

  std::array<CountyActivity, kCountyCount> counties;  // in kCountyCodes order

  std::array<int, kErrorClassCount> errorClasses{};  // logs per class
  int ratedLogs = 0;                                 // logs of at least one QSO line
  double meanErrorPercent = 0;
  double medianErrorPercent = 0;

  // QSO lines per band, the last row for lines on no contest band; and of them those whose
  // worked station sent a log, so that both sides could be compared.
  std::array<long long, kBandCount + 1> lines{};
  std::array<long long, kBandCount + 1> checkable{};
};

ContestStatistics GatherStatistics(const ContestSet& set, const std::vector<RankedLog>& ranking,
                                   const Standings& standings, const CountryFile& countries,
                                   const ReportContext& context);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_CONTEST_STATISTICS_H_
