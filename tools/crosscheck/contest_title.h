#ifndef TARNO_TOOLS_CROSSCHECK_CONTEST_TITLE_H_
#define TARNO_TOOLS_CROSSCHECK_CONTEST_TITLE_H_

// The contest's name and year as the published pages, the certificates and the archives'
// names show them. One place decides them, so that a title given on the command line
// changes them all at once.

#include <string>

#include "crosscheck/contest_period.h"
#include "crosscheck/contest_set.h"

namespace tarno::score {

// The CONTEST: value most used logs give, trimmed, upper-cased, control characters blanked
// and cut to 60 bytes between letters (the first in byte order on a tie); "TARNO" when no
// log names one.
std::string ContestName(const ContestSet& set);

// The year of the period's first day; 0 for an open period.
int ContestYear(const ContestPeriod& period);

// "TARNO 2026": the name and the year, the name alone where the year is 0 or the name
// holds it already as a word of its own.
std::string ContestTitle(const std::string& name, int year);

// The name of an archive the sponsor downloads: the title in letters, digits and "-"
// (Hungarian accents dropped), then `what`: "Proba-Kupa-2026-certificates.zip"; `what`
// alone for a title with nothing of that kind.
std::string ArchiveName(const std::string& title, const std::string& what);

// The certificates' archive of the contest titled `title`.
std::string CertificateArchiveName(const std::string& title);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_CONTEST_TITLE_H_
