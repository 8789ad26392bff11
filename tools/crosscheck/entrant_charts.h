#ifndef TARNO_TOOLS_CROSSCHECK_ENTRANT_CHARTS_H_
#define TARNO_TOOLS_CROSSCHECK_ENTRANT_CHARTS_H_

// The charts of an entrant's page, each with its values in a table folded under it: the
// credited QSOs per hour by band, the counties over time and per band, the counties not
// credited on each band with the entrants who worked them, and the comparison with the
// entrant its standing names. Nothing but a note where the contest has no period.

#include <array>
#include <string>
#include <vector>

#include "crosscheck/entrant_page.h"

namespace tarno::score {

// What the charts of an entrant's page draw in every language alike.
struct EntrantFigures {
  struct MissingCounty {
    int county = 0;
    std::vector<uint32_t> nearest;   // NearestWorkers, up to three
    const LostCost* lost = nullptr;  // the entrant's first lost QSO that cost it
  };
  std::vector<std::vector<int>> states;    // per band and county: 0 none, 1 credited, 2 lost
  std::vector<uint32_t> rateBands;         // the bands of the credited QSOs, in the contest's order
  std::vector<std::vector<double>> rates;  // per rateBands entry: credited QSOs per bucket
  std::vector<double> freshCounties;       // new counties per bucket
  // The comparison with the rival, per bucket; empty without one.
  std::vector<double> myRate, rivalRate, myScore, rivalScore;
  // Per band: the counties the table of counties not credited lists there.
  std::array<std::vector<MissingCounty>, kBandCount> missing;
};

EntrantFigures FiguresOf(const ContestSet& set, const EntrantPageInput& input,
                         const ContestPeriod& period);

// The charts appended to `html`, the page being written.
void AppendEntrantCharts(std::string* html, const PageLanguage& page, const ContestSet& set,
                         const EntrantPageInput& input, const ReportContext& context);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_ENTRANT_CHARTS_H_
