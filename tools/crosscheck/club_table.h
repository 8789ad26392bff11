#ifndef TARNO_TOOLS_CROSSCHECK_CLUB_TABLE_H_
#define TARNO_TOOLS_CROSSCHECK_CLUB_TABLE_H_

// Club totals: the sum of the members' checked scores, ranked. A member is an entrant whose
// club (CLUB:, or the sponsor's correction) names the club; names compare without regard to
// case and blanks. Check logs compete for nobody and count for no club.

#include <string>
#include <vector>

#include "crosscheck/contest_set.h"
#include "crosscheck/result_table.h"

namespace tarno::score {

struct ClubRow {
  int rank = 0;      // equal totals share a rank
  std::string club;  // as the first member by call spells it
  long long score = 0;
  std::vector<size_t> members;  // indexes in the ranking, highest checked score first
};

// The clubs by total, highest first; equal totals by name.
std::vector<ClubRow> ClubTotals(const ContestSet& set, const std::vector<RankedLog>& ranking);

// clubs.csv: rank,club,score,logs,members (calls parted by blanks).
bool WriteClubsCsv(const ContestSet& set, const std::vector<RankedLog>& ranking,
                   const std::vector<ClubRow>& clubs, const std::string& path, std::string* error);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_CLUB_TABLE_H_
