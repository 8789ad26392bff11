#ifndef TARNO_CONTEST_REMOVAL_H_
#define TARNO_CONTEST_REMOVAL_H_

#include <array>
#include <string>
#include <vector>

#include "contest/contest_log.h"
#include "contest/county_rules.h"
#include "contest/qso_params.h"

namespace tarno {

// One text list per contest band, in band-index order (g_workedRows, g_bandCounties).
using BandTextLists = std::array<std::vector<std::string>, kBandCount>;

// Takes out the first record of the same contact (call, band, mode) as the QSO the
// host deleted. Returns 0, removing nothing, when either exchange is empty or when
// a home station's county code is not one of the twenty (such a QSO can only have
// been admitted without a county); otherwise 1, whether or not a record was found.
// The county leaves the band's county list when no remaining record of the band that
// the score counts (no dupe, a call) holds it; a band outside the six touches no list.
// Earlier dupe flags and the band list are left as they are.
int RemoveQso(const QsoParams& qso, ContestLog& log, BandTextLists& bandCounties);

}  // namespace tarno

#endif  // TARNO_CONTEST_REMOVAL_H_
