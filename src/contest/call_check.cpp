#include "contest/call_check.h"

#include "contest/county_rules.h"

namespace tarno {

CallCheckResult CheckCall(const ContestLog& log, std::string_view call, std::string_view mode,
                          std::string_view prefix, std::string_view county,
                          std::string_view band) {
  if (log.CountContacts(call, band, mode) > 0) return kCheckDupe;
  const bool worked = IsHomePrefix(prefix) ? log.CountCountyOnBand(band, county) > 0
                                           : log.CountPrefixOnBand(band, prefix) > 0;
  return worked ? kCheckKnownMultiplier : kCheckNewMultiplier;
}

}  // namespace tarno
