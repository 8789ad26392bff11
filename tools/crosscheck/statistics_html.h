#ifndef TARNO_TOOLS_CROSSCHECK_STATISTICS_HTML_H_
#define TARNO_TOOLS_CROSSCHECK_STATISTICS_HTML_H_

// statistics.html, the contest as a whole, in English in the results folder and in
// Hungarian under hu/ with the same name; each links to its twin and to the results page
// beside it. Every word comes from the catalogue, every value shown is escaped, and every
// chart has its numbers in a table (folded where the chart is the point). Like the other
// pages it needs nothing but itself.

#include <string>

#include "catalogue/catalogue.h"
#include "crosscheck/contest_period.h"
#include "crosscheck/contest_statistics.h"

namespace tarno::score {

// The page in the catalogue's language; `title` is the contest's title with its year.
std::string StatisticsHtml(const ContestStatistics& stats, const std::string& title,
                           const ContestPeriod& period, const Catalogue& words);

// Writes `folder`/statistics.html and `folder`/hu/statistics.html; false with the reason.
bool WriteStatisticsPages(const ContestStatistics& stats, const std::string& title,
                          const ContestPeriod& period, const std::string& folder,
                          std::string* error);

// For the sponsor: the most worked stations that sent no log, as a section of a page.
std::string SponsorWantedLogs(const ContestStatistics& stats, const Catalogue& words);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_STATISTICS_HTML_H_
