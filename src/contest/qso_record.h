#ifndef TARNO_CONTEST_QSO_RECORD_H_
#define TARNO_CONTEST_QSO_RECORD_H_

#include <cstdint>
#include <string>

#include "contest/ole_date_time.h"

// One admitted QSO. Texts are kept as the host sent them (single-byte ANSI), except
// m_prefix (Sicily counts as "I") and m_county (normalised, one of the twenty codes
// or empty).
class CInfo {
 public:
  std::string m_call;       // worked station
  std::string m_prefix;     // its country prefix; "HA"/"HG" mark a home station
  std::string m_continent;  // its continent code
  std::string m_band;       // band text as sent, e.g. "20m"
  std::string m_mode;       // "CW" or "SSB"
  std::string m_rstRcvd;
  std::string m_rstSent;
  std::string m_exchRcvd;  // exactly as typed: a serial, or a home station's county
  std::string m_exchSent;
  std::string m_county;    // home station's county code after normalisation, else empty
  int32_t m_freqKHz = 0;   // host's Hz divided by 1000, remainder dropped
  int32_t m_dupe = 0;      // 1 when an earlier record was the same contact at admission
  COleDateTime m_time;     // as the host sent it
};

#endif  // TARNO_CONTEST_QSO_RECORD_H_
