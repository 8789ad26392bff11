#ifndef TARNO_TOOLS_LOGS_CABRILLO_CHECK_H_
#define TARNO_TOOLS_LOGS_CABRILLO_CHECK_H_

// `tarno-score check FILE.cbr`: reads a Cabrillo 3.0 file the way a contest sponsor's
// log-checking robot does and lists every problem with its line, so the operator can mend
// the file before sending it. Pure functions over text: no file access, any thread.
//
// What the check takes as given:
// - lines end in CR LF or LF; a lone CR also ends a line but is a problem (reported once);
// - a QSO line of a TARNO log (CONTEST: TARNO..., or no CONTEST: line, as the plug-in
//   writes only TARNO logs) holds the layout the TARNO writer uses: frequency in kHz (or,
//   above 30 MHz, a band designator such as 144 or 1.2G), mode, date, time, then call,
//   RST and exchange sent and call, RST and exchange received, optionally followed by a
//   transmitter number; the exchange of another contest is that contest's, so its QSO
//   lines need only what Cabrillo 3.0 asks of all: frequency, mode, date, time, the call
//   sent and, somewhere after it, the call received (a note says the file is another
//   contest's);
// - category values and tags compare without regard to case; calls and QSO modes must be
//   in capitals; a well-formed tag the check does not know is named once, as a note;
// - lengths are counted in characters: UTF-8 where the line is UTF-8, else a byte each;
// - nothing after the first END-OF-LOG: line is checked, and X- lines are passed by.

#include <string>
#include <string_view>
#include <vector>

namespace tarno::score {

struct CabrilloProblem {
  int line;             // 1-based; 0 for the file as a whole
  std::string message;  // one line, plain English; text quoted from the file has control
                        // and non-ASCII bytes written as \xNN and is cut after 40 bytes
  bool note = false;    // worth knowing, but no fault: the file is sound for all of it
};

// Every problem and note found, in line order. Never throws for any content; past 100000
// the rest are dropped and a line-0 problem says so.
std::vector<CabrilloProblem> CheckCabrillo(std::string_view content);

// Whether the file is sound: nothing but notes was found.
bool IsSound(const std::vector<CabrilloProblem>& problems);

// One "line N: message" line per problem ("file: message" for line 0; "line N: note:
// message" for a note), then "no problems found" when the file is sound; lines are parted
// by LF, with none after the last.
std::string FormatProblems(const std::vector<CabrilloProblem>& problems);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_LOGS_CABRILLO_CHECK_H_
