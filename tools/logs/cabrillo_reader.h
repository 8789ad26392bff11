#ifndef TARNO_TOOLS_LOGS_CABRILLO_READER_H_
#define TARNO_TOOLS_LOGS_CABRILLO_READER_H_

// Cabrillo logs: the header's CALLSIGN, CONTEST and CLAIMED-SCORE lines and the QSO:
// lines, as this module writes them ("QSO: freq mo date time mycall rst exch call rst
// exch") and in the usual variants: no reports, a trailing transmitter number, one
// report left out. Tags and modes are read in any case; the frequency is in kHz or a
// band designator ("50", "1.2G").

#include <string_view>

#include "logs/log_qso.h"

namespace tarno::score {

// Reads every QSO line. A line is read only when its fields fit exactly one layout
// (calls where calls stand, reports where reports stand); any other line is skipped
// with its line number and the reason, never read with its fields shifted.
ReadLog ReadCabrillo(std::string_view text);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_LOGS_CABRILLO_READER_H_
