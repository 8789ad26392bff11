#ifndef TARNO_TOOLS_CROSSCHECK_RESULTS_HTML_H_
#define TARNO_TOOLS_CROSSCHECK_RESULTS_HTML_H_

// results.html: one ranked table per published category, the logs not ranked, the club
// table, and every entrant's summary, on one page that needs nothing but itself (see
// page_style.h). Each summary has a bar of its verdicts and a grid of the counties its
// credited QSOs worked, per band.

#include <string>
#include <vector>

#include "crosscheck/club_table.h"
#include "crosscheck/contest_set.h"
#include "crosscheck/entrant_report.h"
#include "crosscheck/rankings.h"
#include "crosscheck/result_table.h"

namespace tarno::score {

bool WriteResultsHtml(const ContestSet& set, const std::vector<RankedLog>& ranking,
                      const Standings& standings, const std::vector<ClubRow>& clubs,
                      const ReportContext& context, const std::string& path, std::string* error);

// The page's text, for tests.
std::string ResultsHtml(const ContestSet& set, const std::vector<RankedLog>& ranking,
                        const Standings& standings, const std::vector<ClubRow>& clubs,
                        const ReportContext& context);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_RESULTS_HTML_H_
