#ifndef TARNO_TOOLS_CROSSCHECK_VERDICT_TEXT_H_
#define TARNO_TOOLS_CROSSCHECK_VERDICT_TEXT_H_

// The words every output uses for one QSO line: its detail and the line itself.

#include <string>

#include "crosscheck/contest_set.h"

namespace tarno::score {

// The detail column of verdicts.csv: what went wrong, or for an OK line what the other
// side got wrong about this station ("HA1AB copied your exchange as \"12\""), codes and
// calls as logged upper-cased and in quotes.
std::string DetailOf(const ContestSet& set, const QsoRecord& qso);

// The QSO line rebuilt in the plug-in's own Cabrillo layout, the time as logged.
std::string QsoLineOf(const ContestSet& set, const QsoRecord& qso);

// The call of the log a record belongs to.
const std::string& OwnerOf(const ContestSet& set, const QsoRecord& qso);

// The file name without its folders, as results and reports name a log.
std::string BaseName(const std::string& path);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_VERDICT_TEXT_H_
