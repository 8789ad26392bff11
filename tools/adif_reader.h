#ifndef TARNO_TOOLS_ADIF_READER_H_
#define TARNO_TOOLS_ADIF_READER_H_

// ADIF, the exchange format every logger exports: an optional header ended by <EOH>,
// then records of <NAME:LENGTH[:TYPE]>data fields ended by <EOR>. Names are read
// without regard to case; LENGTH counts the bytes of the data exactly.

#include <string_view>

#include "log_qso.h"

namespace tarno::score {

// Reads every record; a record that cannot be read, or that names no call or neither
// a band nor a frequency, is skipped with its number and the reason.
ReadLog ReadAdif(std::string_view text);

// Whether the text looks like ADIF rather than Cabrillo.
bool LooksLikeAdif(std::string_view text);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_ADIF_READER_H_
