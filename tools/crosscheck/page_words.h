#ifndef TARNO_TOOLS_CROSSCHECK_PAGE_WORDS_H_
#define TARNO_TOOLS_CROSSCHECK_PAGE_WORDS_H_

// What the cross-check found, said in a page's language: verdicts, the detail of a line,
// moments and the period, clocks, a sent-exchange column overruled, a stretch a log lost,
// how the score is counted, a category's name. Plain text, not escaped: the page escapes.
// The detail of a line in English is the judge's own finding, as the report and
// verdicts.csv give it; in another language it is said from the records themselves, and
// where the judge's evidence has no such words (a refusal's reason) it is quoted as the
// judge wrote it.

#include <string>

#include "catalogue/catalogue.h"
#include "crosscheck/contest_period.h"
#include "crosscheck/contest_set.h"
#include "crosscheck/rankings.h"

namespace tarno::score {

// "BUSTED-CALL" in English, "hibás hívójel" in Hungarian.
std::string VerdictLabel(const Catalogue& words, Verdict verdict);

// "line 12", "record 12": how a log numbers its QSOs.
std::string UnitText(const Catalogue& words, const EntrantLog& log, uint32_t line);

// A line's detail (verdict_text.h's DetailOf, as EntrantDetailOf words it for the entrant).
std::string DetailWords(const Catalogue& words, const ContestSet& set, const QsoRecord& qso);

// "2026-03-07 09:00"; "2026. 03. 07. 09:00".
std::string MomentText(const Catalogue& words, long long seconds);
// The contest period, from moment to moment, UTC.
std::string PeriodWords(const Catalogue& words, const ContestPeriod& period);
// "09:00" where the period is one day, else "03-07 09:00": a bucket's start in a table.
std::string HourText(const Catalogue& words, const ContestPeriod& period, long long seconds);

// The log's clock against its partners' (ClockFitText's words); empty for a right clock.
std::string ClockWords(const Catalogue& words, const ClockFit& clock);
// A constant offset, short: "+60 min", "drifting +0:12 to +7:48"; empty for a right clock.
std::string ClockCellWords(const Catalogue& words, const ClockFit& clock);

// What the log's partners copied instead of its sent column (SentFixText); empty for none.
std::string SentFixWords(const Catalogue& words, const ContestSet& set, const EntrantLog& log);
// A stretch the log lost.
std::string MissingWords(const Catalogue& words, const MissingStretch& stretch);

// How the plug-in counts the score (ScoringRules), for the log's page.
std::string ScoringWords(const Catalogue& words, const EntrantLog& log, bool dropUniques,
                         const std::array<double, kVerdictCount>& penalty);

// A category's name: the sponsor's as given, a default one in the page's language.
std::string CategoryWords(const Catalogue& words, const CategoryTable& table);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_PAGE_WORDS_H_
