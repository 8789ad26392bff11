#ifndef TARNO_CABRILLO_CABRILLO_LOG_H_
#define TARNO_CABRILLO_CABRILLO_LOG_H_

// The Cabrillo 3.0 log for the contest sponsor: the header the operator fills in at
// statistics reset and one QSO line per record of the log, written to the own call
// with ".cbr" in the host's current directory. One instance, g_cabrilloLog, used on
// the host's thread only.

#include <string>
#include <vector>

#include "cabrillo/header_values.h"
#include "contest/ole_date_time.h"
#include "platform/desktop.h"
#include "platform/env.h"
#include "stats/settings.h"

namespace tarno {

// Every occurrence of `from` in `text` replaced by `to`, left to right; the scan goes
// on after each replacement, so inserted text is never scanned again.
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to);

// The own call made fit to be a file name in the current directory: blanks at both
// ends removed, every character Windows does not allow in a file name ("/", "\",
// "<", ">", ":", '"', "|", "?", "*" and control characters) made "_", a device name
// such as "CON" (alone or before a dot: "NUL.X") given a "_" after it; "XOTL" when
// nothing is left.
std::string FileCallOf(const std::string& ownCall);

class CCabrilloLog {
 public:
  std::string m_callsign;
  std::string m_name;
  std::string m_address;
  std::string m_claimed;  // the last claimed score as stored; shown in the dialog only
  std::string m_contest;  // shown in the dialog only; the CONTEST line is fixed
  std::string m_email;
  std::string m_club;
  std::string m_soapbox;    // output form once the header has been edited
  std::string m_operators;  // output form once the header has been edited
  std::string m_categoryOperator;
  std::string m_categoryBand;
  std::string m_location;
  std::string m_addressCity;
  std::string m_addressPostalCode;
  std::string m_addressCountry;
  std::string m_categoryTransmitter;
  std::string m_categoryMode;
  std::string m_categoryPower;
  std::string m_fileCall;               // the file's base name
  std::vector<std::string> m_qsoLines;  // each ends in CR LF

  // Statistics reset in Cabrillo mode: loads the stored header, starts the category
  // fields again, shows the header dialog and, on OK, stores what the operator
  // confirmed. Either way the multi-line fields end in output form.
  void EditHeader(const std::string& ownCall, const Settings& settings, Desktop& desktop);

  // One QSO line; a CR or LF inside a value is written as a blank.
  void AddQso(const std::string& call, int freqKHz, const std::string& modeCode,
              const COleDateTime& time, const std::string& rstSent, const std::string& exchSent,
              const std::string& rstRcvd, const std::string& exchRcvd);

  std::string FileName() const { return m_fileCall + ".cbr"; }

  // The whole file. `hostVersion` may be empty.
  std::string Content(int claimedScore, const std::string& hostVersion) const;

  // Writes the file and returns what to tell the operator: "File produced: " and
  // the file name, or, when the file cannot be written, that it was not.
  std::string WriteLog(Env& env, int claimedScore, const std::string& hostVersion) const;

 private:
  void LoadStoredHeader(const std::string& ownCall, const Settings& settings);
  CabrilloHeaderValues DialogValues() const;
  void TakeConfirmedValues(const CabrilloHeaderValues& values);
  void StoreHeader(const Settings& settings) const;
};

}  // namespace tarno

#endif  // TARNO_CABRILLO_CABRILLO_LOG_H_
