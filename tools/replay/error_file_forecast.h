#ifndef TARNO_TOOLS_REPLAY_ERROR_FILE_FORECAST_H_
#define TARNO_TOOLS_REPLAY_ERROR_FILE_FORECAST_H_

// The size of the err.txt a replay (replay.h) will leave, known before it starts. The
// plug-in writes, at every copy of a contact, one DUPE line for each earlier copy, so the
// file grows with the square of a contact's repeats: a log of one QSO logged 50,000 times
// would write some 90 GB. The forecast takes the time of one pass over the QSOs.

#include <cstdint>
#include <string>
#include <vector>

#include "logs/country_file.h"
#include "logs/log_qso.h"
#include "replay/packed_qsos.h"
#include "replay/replay.h"

namespace tarno::score {

struct ErrorFileForecast {
  uint64_t bytes = 0;  // the heading and every line, byte for byte as the plug-in writes them
  // The contact logged most often, as a message names it ("HG7BB on 80m CW"), and how often.
  std::string mostRepeated;
  size_t copies = 0;
};

// What the plug-in writes replaying `qsos` in their order: the heading, one line per
// refused QSO, one per unknown county of a home station, one per earlier copy of a contact.
ErrorFileForecast ForecastErrorFile(const PackedQsos& qsos);

// The same over QSOs as read, each country looked up as they are packed.
ErrorFileForecast ForecastErrorFile(const RunValues& run, const std::vector<LogQso>& qsos,
                                    const CountryFile& countries);

// The warning for a forecast above `limitBytes`, or "" when it stays below.
std::string ErrorFileWarning(const ErrorFileForecast& forecast, uint64_t limitBytes);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_REPLAY_ERROR_FILE_FORECAST_H_
