#ifndef TARNO_TOOLS_LOGS_CABRILLO_READER_H_
#define TARNO_TOOLS_LOGS_CABRILLO_READER_H_

// Cabrillo logs: the header's CALLSIGN, CONTEST and CLAIMED-SCORE lines and the QSO:
// lines, as this module writes them ("QSO: freq mo date time mycall rst exch call rst
// exch") and in the usual variants: no reports, a trailing transmitter number, one
// report left out. Tags are read in any case, with or without a blank after the colon;
// modes in any case; the frequency is in kHz or a band designator ("50", "1.2G").

#include <string_view>

#include "logs/log_qso.h"

namespace tarno::score {

// Reads every QSO line. A log keeps one layout (calls, reports and exchanges in the same
// columns) from line to line: the layout most of its lines fit field by field is the
// log's, and a line that fits no layout field by field is read by its columns (own call,
// reports, transmitter number), so that a busted call (DLOWX) or an exchange the plug-in
// will refuse (BP1) is read where it stands. A line that fits neither way, or more than
// one layout, is skipped with its line number and the reason, never read with its fields
// shifted.
ReadLog ReadCabrillo(std::string_view text);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_LOGS_CABRILLO_READER_H_
