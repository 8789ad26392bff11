#ifndef TARNO_TOOLS_CABRILLO_READER_H_
#define TARNO_TOOLS_CABRILLO_READER_H_

// Cabrillo logs: the CALLSIGN header line and the QSO: lines, as this module writes
// them ("QSO: freq mo date time mycall rst exch call rst exch") and in the usual
// variants (no reports; a trailing transmitter number).

#include <string_view>

#include "log_qso.h"

namespace tarno::score {

// Reads every QSO line; one that cannot be read is skipped with its line number and
// the reason.
ReadLog ReadCabrillo(std::string_view text);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CABRILLO_READER_H_
