#ifndef TARNO_TOOLS_LOGS_LOG_QSO_H_
#define TARNO_TOOLS_LOGS_LOG_QSO_H_

// One QSO as read from a log file, before it is handed to the plug-in, and what a
// reader found in the file besides.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "contest/ole_date_time.h"

namespace tarno::score {

struct LogQso {
  int source = 0;  // the record's number (ADIF) or line number (Cabrillo), for messages
  std::string call;
  double oleDays = 0.0;  // date and time as the host passes them: days since 1899-12-30
  bool hasTime = false;
  uint32_t freqHz = 0;
  std::string band;  // ADIF's spelling, e.g. "20m"
  std::string mode;  // "CW", "SSB", or the log's own mode text in upper case
  std::string rstSent;
  std::string rstRcvd;
  std::string exchSent;
  std::string exchRcvd;
  std::string exchSentField;  // the field each exchange came from ("SRX_STRING"), or ""
  std::string exchRcvdField;
  std::string state;  // ADIF STATE and MY_STATE as written: counties for some loggers
  std::string myState;
  std::string stationCall;  // the own call this QSO was made with, when the log says
  std::string continent;    // the worked station's, when the log says
};

// A record that could not be read or could not become a QSO, or a remark on one that
// was read (a band taken from the frequency, say).
struct LogProblem {
  int source = 0;
  std::string reason;
};

struct ReadLog {
  std::vector<LogQso> qsos;
  std::vector<LogProblem> skipped;  // records left out, each with its reason
  std::vector<LogProblem> notes;    // records read, with something the operator should know
  // Lines skipped for a doubt about their fields (a report where an exchange stands), as
  // they would read: not QSOs, but a cross-check's evidence that the contact was made.
  std::vector<LogQso> refusedReadings;
  size_t recordsFound = 0;   // <EOR> marks (ADIF) or QSO: lines (Cabrillo) in the file
  std::string ownCall;       // from the log's header, when it has one
  std::string contest;       // Cabrillo's CONTEST: value, as written
  std::string claimedScore;  // Cabrillo's CLAIMED-SCORE: value, as written
  // Remarks on the file as a whole, each said once (fields passed over, say).
  std::vector<std::string> fileNotes;
};

// Days since 1899-12-30 of a calendar date and time; false for an impossible date.
bool OleDaysOf(int year, int month, int day, int hour, int minute, int second, double* days);

// The host's date-time value of days since 1899-12-30, valid.
COleDateTime OleDate(double days);

// "YYYY-MM-DD HH:MM" of days since 1899-12-30, as the plug-in writes dates.
std::string FormatOleDays(double days);

// The mode as the plug-in knows it: "CW", or "SSB" for every way loggers write single
// sideband (SSB, USB, LSB, PH), in any case; any other mode upper-cased.
std::string ContestMode(std::string_view mode);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_LOGS_LOG_QSO_H_
