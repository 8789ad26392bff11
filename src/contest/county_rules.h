#ifndef TARNO_CONTEST_COUNTY_RULES_H_
#define TARNO_CONTEST_COUNTY_RULES_H_

// The contest's fixed rules about bands, modes, home stations and counties. Every
// comparison is exact and case-sensitive: texts are compared byte for byte as the
// host sends them, except where a function says it normalises.

#include <array>
#include <string>
#include <string_view>

namespace tarno {

// The six contest bands, in band-index order ("160m" is 0, "10m" is 5).
constexpr int kBandCount = 6;
extern const std::array<const char*, kBandCount> kBandNames;

// Band index of a band text, or -1 for any text outside the six contest bands.
int BandIndex(std::string_view band);

// "30m", "17m" and "12m": bands on which the contest is not held. Every other
// band text is admitted, including texts outside the six contest bands.
bool IsRefusedBand(std::string_view band);

bool IsContestMode(std::string_view mode);  // "CW" or "SSB"

// Hungarian stations, recognised by their country prefix "HA" or "HG" alone.
bool IsHomePrefix(std::string_view prefix);

// The twenty county codes, in the contest's table order.
constexpr int kCountyCount = 20;
extern const std::array<const char*, kCountyCount> kCountyCodes;

bool IsCountyCode(std::string_view code);

// A typed county code as admission and removal compare it: upper case, with the
// white space at both ends removed (inner white space stays).
std::string NormaliseCounty(std::string_view typed);

// Whether `exchange` is acceptable from a station with `prefix` while it is being
// typed: a county code exactly as in the table for a home station, otherwise a
// serial of one to four digits; "599" is never accepted.
bool IsValidExchange(std::string_view exchange, std::string_view prefix);

// The prefix as the log keeps it: Sicily's "IT9", "IG9" and "IH9" count as "I".
std::string StoredPrefix(std::string_view prefix);

}  // namespace tarno

#endif  // TARNO_CONTEST_COUNTY_RULES_H_
