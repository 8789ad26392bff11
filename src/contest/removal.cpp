#include "contest/removal.h"

#include <algorithm>

namespace tarno {

int RemoveQso(const QsoParams& qso, ContestLog& log, BandTextLists& bandCounties) {
  if (qso.exchRcvd.empty() || qso.exchSent.empty()) return 0;
  const bool home = IsHomePrefix(qso.prefix);
  std::string county;
  if (home) {
    county = NormaliseCounty(qso.exchRcvd);
    if (!IsCountyCode(county)) return 0;
  }
  const long found = log.FindFirstContact(qso.call, qso.band, qso.mode);
  if (found < 0) return 1;
  log.RemoveAt(static_cast<size_t>(found));

  const int bandIndex = BandIndex(qso.band);
  if (home && bandIndex >= 0 && log.CountCountyOnBand(qso.band, county) == 0) {
    std::vector<std::string>& counties = bandCounties[bandIndex];
    auto listed = std::find(counties.begin(), counties.end(), county);
    if (listed != counties.end()) counties.erase(listed);
  }
  return 1;
}

}  // namespace tarno
