#ifndef TARNO_CONTEST_ADMISSION_H_
#define TARNO_CONTEST_ADMISSION_H_

#include <string>

#include "contest/contest_log.h"
#include "contest/qso_params.h"

namespace tarno {

struct AdmissionResult {
  bool admitted = false;    // appended to the log (also a dupe or an unknown county)
  std::string errorLines;   // what to append to the error file, CR LF ended; may be empty
};

// Decides whether a QSO counts for the contest and, if it does, appends it to `log`
// (and its band text to `bands`, when new). Refused on a non-contest band, in a
// mode other than CW and SSB, or without both exchanges; the first failed check
// alone is reported. An admitted QSO reports an unknown county code, then one line
// for each earlier record of the same contact. Writes no file: the caller appends
// `errorLines`.
AdmissionResult AdmitQso(const QsoParams& qso, ContestLog& log, BandList& bands);

}  // namespace tarno

#endif  // TARNO_CONTEST_ADMISSION_H_
