#ifndef TARNO_TOOLS_CROSSCHECK_ENTRANT_STANDING_H_
#define TARNO_TOOLS_CROSSCHECK_ENTRANT_STANDING_H_

// Where each entrant stands among the others, worked out once for the whole contest so that
// every page reads it: its places (in its category, among the home or the foreign stations,
// overall), who shares its place, whom its page compares it with, the contest's means its
// own error rate and score reduction are read against, and who worked each county on each
// band. Only entrants ranked in a category take places; a check log and a log in no
// category take none and are compared with no one.

#include <array>
#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

#include "contest/county_rules.h"
#include "crosscheck/contest_set.h"
#include "crosscheck/result_table.h"
#include "logs/country_file.h"

namespace tarno::score {

struct Place {
  int place = 0;  // equal checked scores share one; 0: none
  int of = 0;     // how many are ranked there
};

struct Standing {
  Place category;  // in its published category
  Place group;     // among the ranked home stations, or the ranked foreign ones
  Place overall;   // among every ranked entrant
  // Others of its category with its place, by call: the first few of sharingCount.
  std::vector<uint32_t> sharing;
  int sharingCount = 0;
  // Whom its page compares it with: the entrant just above it in its category; for the
  // first, the one just after it; where all share one place, another of them. kNoRecord
  // for a log ranked alone or not ranked.
  uint32_t rival = kNoRecord;
  int rivalPlace = 0;  // -1 above, 0 shares its place, 1 below
};

// A log's counties credited on each band: bit band * kCountyCount + county.
using BandCounties = std::bitset<kBandCount * kCountyCount>;

struct ContestStanding {
  std::vector<Standing> byLog;  // by log index
  double meanErrorPercent = 0;
  double meanReductionPercent = 0;
  std::vector<BandCounties> credited;  // by log index
  // How many entrants' credited QSOs give each county on each band.
  std::array<std::array<int, kCountyCount>, kBandCount> workers{};
  std::vector<uint32_t> byScore;     // the used logs in the ranking's order (log indexes)
  std::vector<uint32_t> positionOf;  // by log index: its place in byScore
  // Per band and county (band * kCountyCount + county): the places in byScore of the logs
  // whose credited QSOs give it, in order; every page looks its neighbours up here.
  std::vector<std::vector<uint32_t>> workerPlaces;
  // By log index: PageAnchor of its call. Pages name other entrants by the thousand.
  std::vector<std::string> anchors;
};

// The link to the entrant's page with its call as the text: <a href="HA5AA.html">HA5AA</a>.
std::string PageAnchor(const std::string& call);
// The anchor of `log` appended to `out`, from `standing` where it holds them.
void AppendPageAnchor(std::string* out, const ContestStanding& standing, const ContestSet& set,
                      uint32_t log);

// `ranking` as PlaceInCategories leaves it. The counties are read on `threads` threads.
ContestStanding StandingOf(const ContestSet& set, const std::vector<RankedLog>& ranking,
                           const CountryFile& countries, bool dropUniques, int threads);

// Up to `most` entrants whose credited QSOs give `county` on `band`, those ranked nearest
// above `log` first, then those nearest below it: whom the entrant can measure himself by.
// A bounded search: a county few worked may find fewer.
std::vector<uint32_t> NearestWorkers(const ContestStanding& standing, uint32_t log, int band,
                                     int county, size_t most);

// A log's judged lines: those not DUPE, OUTSIDE or INVALID.
long long JudgedLines(const EntrantLog& log);
// The share of a log's judged lines that lost credit, in percent; 0 for a log with none
// judged. The one error rate of every page, the statistics and results.json: a log with
// no judged line has none, and no contest mean counts it.
double ErrorPercent(const EntrantLog& log, bool dropUniques);
// How far the checked score falls short of the claimed, in percent of the claimed; below 0
// where it passes it. 0 for a log that claims nothing.
double ReductionPercent(const EntrantLog& log);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_ENTRANT_STANDING_H_
