#ifndef TARNO_TOOLS_CROSSCHECK_RESULTS_JSON_H_
#define TARNO_TOOLS_CROSSCHECK_RESULTS_JSON_H_

// results.json: the published results for programs (club sites, archives), in the schema
// docs/results-json.md describes: the contest, its categories with their places, the
// clubs, and every entrant's figures, the same numbers results.csv holds. Valid UTF-8
// JSON whatever the logs hold (json_text.h).

#include <string>
#include <vector>

#include "crosscheck/club_table.h"
#include "crosscheck/contest_set.h"
#include "crosscheck/entrant_report.h"
#include "crosscheck/rankings.h"
#include "crosscheck/result_table.h"

namespace tarno::score {

// The schema's version: raised when a field changes its meaning or goes; a field added
// keeps it.
constexpr int kResultsJsonVersion = 1;

// What the file says of the contest beyond the logs.
struct PublishedContest {
  std::string name;           // ContestName (contest_title.h)
  std::string title;          // ContestTitle: the name with the year
  int year = 0;               // 0 for an open period
  bool certificates = false;  // each entrant's certificate is written beside the results
};

std::string ResultsJson(const ContestSet& set, const std::vector<RankedLog>& ranking,
                        const Standings& standings, const std::vector<ClubRow>& clubs,
                        const ReportContext& context, const PublishedContest& contest);

// False with the reason when the file cannot be written.
bool WriteResultsJson(const ContestSet& set, const std::vector<RankedLog>& ranking,
                      const Standings& standings, const std::vector<ClubRow>& clubs,
                      const ReportContext& context, const PublishedContest& contest,
                      const std::string& path, std::string* error);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_RESULTS_JSON_H_
