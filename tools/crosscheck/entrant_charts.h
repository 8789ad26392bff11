#ifndef TARNO_TOOLS_CROSSCHECK_ENTRANT_CHARTS_H_
#define TARNO_TOOLS_CROSSCHECK_ENTRANT_CHARTS_H_

// The charts of an entrant's page, each with its values in a table folded under it: the
// credited QSOs per hour by band, the counties over time and per band, the counties not
// credited on each band with the entrants who worked them, and the comparison with the
// entrant its standing names. Nothing but a note where the contest has no period.

#include <string>

#include "crosscheck/entrant_page.h"

namespace tarno::score {

std::string EntrantCharts(const PageLanguage& page, const ContestSet& set,
                          const EntrantPageInput& input, const ReportContext& context);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_ENTRANT_CHARTS_H_
