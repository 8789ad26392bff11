#ifndef TARNO_CONTEST_CALL_CHECK_H_
#define TARNO_CONTEST_CALL_CHECK_H_

#include <string_view>

#include "contest/contest_log.h"

namespace tarno {

enum CallCheckResult : int {
  kCheckDupe = 0,           // this call, band and mode are already in the log
  kCheckKnownMultiplier = 1,  // its county (home station) or prefix is worked on the band
  kCheckNewMultiplier = 2,
};

// The answer while a call is being typed. The probe is compared as typed: no
// normalisation of the county, no mapping of the prefix (so "IT9" never matches a
// stored "I"); an empty typed county matches every record without a county.
CallCheckResult CheckCall(const ContestLog& log, std::string_view call, std::string_view mode,
                          std::string_view prefix, std::string_view county,
                          std::string_view band);

}  // namespace tarno

#endif  // TARNO_CONTEST_CALL_CHECK_H_
