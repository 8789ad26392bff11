#include "logs/county_codes.h"

#include "contest/ascii_text.h"
#include "contest/county_rules.h"

namespace tarno::score {
namespace {

struct IsoCounty {
  const char* iso;
  const char* contest;
};

// ISO 3166-2:HU county codes whose letters differ from the contest's code of the same
// county, and which are no contest code themselves.
const IsoCounty kIsoOnly[] = {{"BK", "BN"}, {"BU", "BP"}, {"BZ", "BO"}, {"GS", "GY"},
                              {"JN", "SZ"}, {"KE", "KO"}, {"NO", "NG"}};

const IsoCounty* IsoOnly(std::string_view code) {
  for (const IsoCounty& entry : kIsoOnly) {
    if (code == entry.iso) return &entry;
  }
  return nullptr;
}

}  // namespace

bool IsIsoOnlyCountyCode(std::string_view state) {
  return IsoOnly(UpperAscii(TrimAscii(state))) != nullptr;
}

StateReading ReadStateCounty(std::string_view state, bool isoLog, std::string* county) {
  const std::string code = UpperAscii(TrimAscii(state));
  if (const IsoCounty* iso = IsoOnly(code)) {
    *county = iso->contest;
    return StateReading::kCounty;
  }
  if (!IsCountyCode(code)) return StateReading::kNoCounty;
  if (isoLog && code == "SZ") return StateReading::kAmbiguous;
  *county = code;
  return StateReading::kCounty;
}

}  // namespace tarno::score
