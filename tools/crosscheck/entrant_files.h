#ifndef TARNO_TOOLS_CROSSCHECK_ENTRANT_FILES_H_
#define TARNO_TOOLS_CROSSCHECK_ENTRANT_FILES_H_

// Every used log's report (<CALL>.ubn) and page (<CALL>.html) in the results folder.

#include <string>
#include <vector>

#include "crosscheck/contest_set.h"
#include "crosscheck/entrant_report.h"
#include "crosscheck/result_table.h"
#include "logs/country_file.h"
#include "replay/progress.h"

namespace tarno::score {

// A row's place: in its category, or overall where no category is published.
int PlaceOf(const RankedLog& row);

// The log each log is compared with on its page: the one ranked just above it in its
// category, or just below for the first; kNoRecord for a log ranked alone or not ranked.
// By log index.
std::vector<uint32_t> RivalsOf(const ContestSet& set, const std::vector<RankedLog>& ranking);

// On context.threads threads, each log's files written by one of them, with the count
// shown on `progress`. False with the reason when a file cannot be written; the other
// threads then stop too.
bool WriteEntrantFiles(const ContestSet& set, const std::vector<RankedLog>& ranking,
                       const CountryFile& countries, const ReportContext& context,
                       const std::string& folder, Progress* progress, std::string* error);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_ENTRANT_FILES_H_
