#ifndef TARNO_TOOLS_LOGS_BAND_PLAN_H_
#define TARNO_TOOLS_LOGS_BAND_PLAN_H_

// Where the made-up logs put their QSOs: one CW and one SSB frequency on each of the six
// contest bands, in kHz. Changing them changes every generated log and its expected files.

#include <cstdint>

namespace tarno::score {

struct BandPlan {
  const char* band;
  uint32_t cwKHz;
  uint32_t ssbKHz;
};
constexpr BandPlan kBandPlan[] = {{"160m", 1820, 1850},  {"80m", 3520, 3700},
                                  {"40m", 7010, 7080},   {"20m", 14020, 14200},
                                  {"15m", 21020, 21250}, {"10m", 28020, 28450}};

}  // namespace tarno::score

#endif  // TARNO_TOOLS_LOGS_BAND_PLAN_H_
