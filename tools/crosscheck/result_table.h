#ifndef TARNO_TOOLS_CROSSCHECK_RESULT_TABLE_H_
#define TARNO_TOOLS_CROSSCHECK_RESULT_TABLE_H_

// The tallies of each used log and the order of the results; and verdicts.csv and
// results.csv, which are written from them.

#include <string>
#include <vector>

#include "crosscheck/contest_set.h"

namespace tarno::score {

// Counts every used log's verdicts and how often others copied it wrong.
void TallyVerdicts(ContestSet* set);

// One row of the results: the entrant's place overall and in its published category, and
// who it is. RankLogs fills rank and log; PlaceInCategories (rankings.h) the rest.
struct RankedLog {
  int rank;               // equal checked scores share a rank
  uint32_t log;           // index in ContestSet::logs
  std::string category;   // the published category's name; a CHECKLOG's is "CHECKLOG"
  int categoryRank = 0;   // place in the category, equal scores sharing it; 0: not ranked
  std::string country;    // the country file's entity name, empty when the call is in none
  std::string continent;  // two letters, as the country file gives it
  std::string name;       // NAME:, or the sponsor's correction; empty when not given
  std::string club;       // CLUB:, or the sponsor's correction; empty when not given
  bool home = false;      // a station of the home country (HA, HG), ranked apart
};
// The used logs by checked score, highest first; equal scores by call.
std::vector<RankedLog> RankLogs(const ContestSet& set);

// The used logs by call.
std::vector<uint32_t> LogsByCall(const ContestSet& set);

int CreditedCount(const EntrantLog& log, bool dropUniques);

// The files set aside for the log, by name without folders, "; " between them.
std::string SetAsideText(const EntrantLog& log);

// False with the reason when the file cannot be written.
bool WriteVerdictsCsv(const ContestSet& set, const std::string& path, std::string* error);
bool WriteResultsCsv(const ContestSet& set, const std::vector<RankedLog>& ranking, bool dropUniques,
                     const std::string& path, std::string* error);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_RESULT_TABLE_H_
