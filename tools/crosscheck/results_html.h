#ifndef TARNO_TOOLS_CROSSCHECK_RESULTS_HTML_H_
#define TARNO_TOOLS_CROSSCHECK_RESULTS_HTML_H_

// results.html, in each language (see page_style.h): one ranked table per published
// category, the logs not ranked, the club table, and a link to every entrant's page, which
// holds the rest of what the cross-check found of it; with links to the files a reader
// takes away (results.csv, clubs.csv, results.json) and to the contest's statistics. It
// stays small however many logs there are: a row per log, its cells' end tags left out as
// HTML allows. A ranked table starts with the place, the call, the checked score, the QSOs,
// points and counties, so that a phone's screen shows them, and holds the place and the
// call while it scrolls.

#include <string>
#include <vector>

#include "crosscheck/club_table.h"
#include "crosscheck/contest_set.h"
#include "crosscheck/entrant_report.h"
#include "crosscheck/page_style.h"
#include "crosscheck/rankings.h"
#include "crosscheck/result_table.h"

namespace tarno::score {

// Writes results.html in `folder` and its twin in each other language's folder under it.
bool WriteResultsHtml(const ContestSet& set, const std::vector<RankedLog>& ranking,
                      const Standings& standings, const std::vector<ClubRow>& clubs,
                      const ReportContext& context, const std::string& folder, std::string* error);

// The page's text in `page`'s language, for tests.
std::string ResultsHtml(const PageLanguage& page, const ContestSet& set,
                        const std::vector<RankedLog>& ranking, const Standings& standings,
                        const std::vector<ClubRow>& clubs, const ReportContext& context);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_RESULTS_HTML_H_
