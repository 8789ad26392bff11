#ifndef TARNO_TOOLS_LOG_QSO_H_
#define TARNO_TOOLS_LOG_QSO_H_

// One QSO as read from a log file, before it is handed to the plug-in.

#include <cstdint>
#include <string>
#include <vector>

namespace tarno::score {

struct LogQso {
  int source = 0;  // the record's number (ADIF) or line number (Cabrillo), for messages
  std::string call;
  double oleDays = 0.0;  // date and time as the host passes them: days since 1899-12-30
  bool hasTime = false;
  uint32_t freqHz = 0;
  std::string band;  // as the logger writes it, e.g. "20m"
  std::string mode;  // "CW", "SSB", or the log's own mode text
  std::string rstSent;
  std::string rstRcvd;
  std::string exchSent;
  std::string exchRcvd;
  std::string stationCall;  // the own call this QSO was made with, when the log says
  std::string continent;    // the worked station's, when the log says
};

// A record that could not be read or could not become a QSO.
struct LogProblem {
  int source = 0;
  std::string reason;
};

struct ReadLog {
  std::vector<LogQso> qsos;
  std::vector<LogProblem> skipped;  // records left out, each with its reason
  std::string ownCall;              // from the log's header, when it has one
  std::string contest;              // Cabrillo's CONTEST: value, as written
  std::string claimedScore;         // Cabrillo's CLAIMED-SCORE: value, as written
};

// Days since 1899-12-30 of a calendar date and time; false for an impossible date.
bool OleDaysOf(int year, int month, int day, int hour, int minute, int second, double* days);

// The amateur band of a frequency ("20m"), or "" outside every band.
std::string BandOfFrequency(uint32_t freqHz);

// The lower edge of a band given as text, in Hz; 0 for an unknown band.
uint32_t BandEdgeHz(const std::string& band);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_LOG_QSO_H_
