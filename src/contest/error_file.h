#ifndef TARNO_CONTEST_ERROR_FILE_H_
#define TARNO_CONTEST_ERROR_FILE_H_

// "err.txt", the operator's list of QSOs to look at after the contest: refused
// QSOs, duplicates and unknown county codes, one line each, CR LF line ends, in the
// host's current directory. Statistics reset starts it with its heading line;
// admission appends. The module never reads it back.

#include <string>

#include "contest/qso_params.h"

namespace tarno {

extern const char kErrorFileName[];     // "err.txt"
extern const char kErrorFileHeading[];  // the first line, CR LF included

// The problem tails, each without the line end.
extern const char kTailNoContestBand[];
extern const char kTailNoContestMode[];
extern const char kTailNoExchange[];
extern const char kTailDupe[];

// The part of a problem line that describes the QSO. A CR or LF inside a value is
// written as a blank so that one problem is always one line.
std::string ErrorLineBody(const QsoParams& qso);

// "  CODE  Hungarian Code Area is not acceptable !!!" for a normalised code.
std::string UnknownCountyTail(const std::string& normalisedCode);

}  // namespace tarno

#endif  // TARNO_CONTEST_ERROR_FILE_H_
