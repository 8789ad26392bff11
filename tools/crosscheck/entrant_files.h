#ifndef TARNO_TOOLS_CROSSCHECK_ENTRANT_FILES_H_
#define TARNO_TOOLS_CROSSCHECK_ENTRANT_FILES_H_

// Every used log's report (<CALL>.ubn, English) and page (<CALL>.html) in the results
// folder, and its page in each other language's folder (hu/<CALL>.html).

#include <string>
#include <vector>

#include "crosscheck/contest_set.h"
#include "crosscheck/entrant_report.h"
#include "crosscheck/rankings.h"
#include "crosscheck/result_table.h"
#include "logs/country_file.h"
#include "replay/progress.h"

namespace tarno::score {

// On context.threads threads, each log's files written by one of them, with the count
// shown on `progress`. False with the reason when a file cannot be written; the other
// threads then stop too.
bool WriteEntrantFiles(const ContestSet& set, const std::vector<RankedLog>& ranking,
                       const Standings& standings, const CountryFile& countries,
                       const ReportContext& context, const std::string& folder, Progress* progress,
                       std::string* error);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_ENTRANT_FILES_H_
