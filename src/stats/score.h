#ifndef TARNO_STATS_SCORE_H_
#define TARNO_STATS_SCORE_H_

// The contest's score: per worked band the QSOs, their points and the distinct
// counties, and the claimed score, total points times total counties.
//
// Points: 6 for a station whose stored prefix is exactly "HA", else 1 on the own
// continent and 3 elsewhere ("HG" stations are in the 1-or-3 class, although
// their county still counts). Dupes and records without a call count in no band.
// All sums are 32-bit ints, as the host's score has always been.

#include <cstdint>
#include <string>
#include <vector>

#include "contest/contest_log.h"

namespace tarno {

struct BandTally {
  std::string band;
  int32_t qsos = 0;
  int32_t points = 0;
  int32_t counties = 0;
  std::vector<std::string> countyList;  // distinct, in log order of first appearance
};

struct ScoreTally {
  std::vector<BandTally> bands;  // in the order of the band list given
  int32_t totalQsos = 0;         // every record of the log, dupes and empty calls included
  int32_t totalPoints = 0;
  int32_t totalCounties = 0;
  int32_t score = 0;
};

// The order in which the score lists the bands: descending by the text padded on
// the left with "0" to 20 characters, which puts the contest bands from 160m down
// to 10m. For ties (texts that differ only in leading zeros) the order is that of
// the pairwise exchange the score has always used.
std::vector<std::string> SortBandsForScore(std::vector<std::string> bands);

// One pass over the log. Records whose band is not in `bands` count only in the
// total QSOs.
ScoreTally TallyScore(const ContestLog& log, const std::vector<std::string>& bands,
                      const std::string& ownContinent);

}  // namespace tarno

#endif  // TARNO_STATS_SCORE_H_
