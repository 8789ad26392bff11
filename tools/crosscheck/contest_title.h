#ifndef TARNO_TOOLS_CROSSCHECK_CONTEST_TITLE_H_
#define TARNO_TOOLS_CROSSCHECK_CONTEST_TITLE_H_

// The contest's title and year, as every page of the results heads itself.

#include <string>

#include "catalogue/catalogue.h"
#include "crosscheck/contest_period.h"

namespace tarno::score {

// The title the sponsor gave (--title), else the contest's name in the language of
// `words`; then the year the period starts in, unless the title already holds it as a
// word of its own or the period is open. "TARNO Contest 2026", "TARNO verseny 2026".
std::string ContestTitle(const std::string& given, const ContestPeriod& period,
                         const Catalogue& words);

// Why `title` cannot be a contest's title (empty, too long, a control character, not
// UTF-8), or empty when it can.
std::string TitleProblem(const std::string& title);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_CONTEST_TITLE_H_
