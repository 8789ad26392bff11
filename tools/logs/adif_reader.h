#ifndef TARNO_TOOLS_LOGS_ADIF_READER_H_
#define TARNO_TOOLS_LOGS_ADIF_READER_H_

// ADIF, the exchange format every logger exports: an optional header ended by <EOH>,
// then records of <NAME:LENGTH[:TYPE]>data fields ended by <EOR>. Names are read
// without regard to case; LENGTH counts the bytes of the data exactly.

#include <string>
#include <string_view>

#include "logs/log_qso.h"

namespace tarno::score {

struct AdifOptions {
  // The field that holds the received exchange, upper case; empty: SRX_STRING, else SRX
  // (STATE is looked at later, once the worked station's country is known).
  std::string exchangeField;
};

// Reads every record. A record that cannot be read (a broken tag, a length that runs
// over the fields after it, into the next record or past the end), that names no call, no
// band, no QSO_DATE or no TIME_ON, or that holds more than one CALL (the <EOR> between
// QSOs is missing), is skipped with its number and the reason, and reading goes on at the
// next <EOR>. A length that runs a few bytes into the next tag is cut there, noted, and
// that tag read. A complete field tag is a field whatever its name: a name outside ADIF's
// letters (<9A/F4MYH:8>) costs its record nothing and is named once in `fileNotes`. Fields
// after the last <EOR> holding no part of a QSO (an application's <APP_..._EOF> mark) are
// no record. <EOF> ends the log. `recordsFound` counts the <EOR> marks before it, so that
// a difference from the records read shows. `text` is UTF-8, as DecodeLogText makes it.
ReadLog ReadAdif(std::string_view text, const AdifOptions& options = AdifOptions());

// Whether the text looks like ADIF rather than Cabrillo.
bool LooksLikeAdif(std::string_view text);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_LOGS_ADIF_READER_H_
