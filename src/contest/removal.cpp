#include "contest/removal.h"

#include <algorithm>

namespace tarno {
namespace {

// The records the score counts on a band: neither dupes nor records without a call. A
// county held only by others would be listed for the window but not counted in the score.
bool IsCountedOnBandWithCounty(const CInfo& record, const std::string& band,
                               const std::string& county) {
  return record.m_band == band && record.m_county == county && !record.m_call.empty() &&
         record.m_dupe == 0;
}

bool IsCountyStillCounted(const ContestLog& log, const std::string& band,
                          const std::string& county) {
  // Most removals leave another record of the county on the band; the index says when none.
  if (log.CountCountyOnBand(band, county) == 0) return false;
  for (size_t i = 0; i < log.Size(); ++i) {
    if (IsCountedOnBandWithCounty(log[i], band, county)) return true;
  }
  return false;
}

}  // namespace

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
  if (home && bandIndex >= 0 && !IsCountyStillCounted(log, qso.band, county)) {
    std::vector<std::string>& counties = bandCounties[bandIndex];
    auto listed = std::find(counties.begin(), counties.end(), county);
    if (listed != counties.end()) counties.erase(listed);
  }
  return 1;
}

}  // namespace tarno
