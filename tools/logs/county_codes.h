#ifndef TARNO_TOOLS_LOGS_COUNTY_CODES_H_
#define TARNO_TOOLS_LOGS_COUNTY_CODES_H_

// A county as a general logger stores it in ADIF's STATE or MY_STATE field, read as one
// of the contest's twenty county codes.
//
// ADIF's enumeration of Hungary's primary subdivisions (DXCC entity 239) spells every
// county as the contest does (BN Bács-Kiskun, SA Szabolcs, SZ Szolnok, ...), so those
// codes are taken as they stand. Some loggers store ISO 3166-2:HU codes instead. Those
// that name no contest county in any other spelling (BK, BU, BZ, GS, JN, KE, NO) are
// certain and are read as the contest's code; ISO's SZ, though, is Szabolcs, the
// contest's SA, while ADIF's and the contest's SZ is Szolnok. A log that uses ISO codes
// therefore cannot be trusted with SZ, and such a code is refused, never guessed.

#include <string>
#include <string_view>

namespace tarno::score {

enum class StateReading {
  kCounty,     // a contest county code, as written or from an ISO code
  kAmbiguous,  // SZ in a log whose other codes are ISO's: Szolnok or Szabolcs
  kNoCounty,   // names no county of the contest
};

// Whether `state` (any case, blanks around it ignored) is an ISO 3166-2:HU county code
// that differs from the contest's spelling.
bool IsIsoOnlyCountyCode(std::string_view state);

// The contest's code for `state` in `*county`; `isoLog` says the log holds ISO-only
// codes elsewhere.
StateReading ReadStateCounty(std::string_view state, bool isoLog, std::string* county);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_LOGS_COUNTY_CODES_H_
