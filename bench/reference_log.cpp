#include "reference_log.h"

#include <string>

#include "contest/county_rules.h"

namespace tarno::bench {

bool ReferenceLog::Admit(const BenchQso& qso) {
  // The host's texts are copied first, as the entry point copies them.
  const std::string call = qso.call;
  const std::string band = qso.band();
  const std::string mode = qso.mode();
  const std::string exchRcvd = qso.exchRcvd;
  if (IsRefusedBand(band) || !IsContestMode(mode) || exchRcvd.empty()) return false;
  CInfo record = RecordOf(qso);
  int earlier = 0;
  for (const CInfo& old : m_records) {
    if (old.m_call == call && old.m_band == band && old.m_mode == mode) ++earlier;
  }
  record.m_dupe = earlier > 0 ? 1 : 0;
  m_records.push_back(std::move(record));
  return true;
}

int ReferenceLog::CheckCall(const BenchQso& probe) const {
  const std::string call = probe.call;
  const std::string band = probe.band();
  const std::string mode = probe.mode();
  const std::string prefix = probe.prefix();
  const std::string county = probe.county;
  for (const CInfo& old : m_records) {
    if (old.m_call == call && old.m_band == band && old.m_mode == mode) return 0;
  }
  const bool home = IsHomePrefix(prefix);
  for (const CInfo& old : m_records) {
    if (old.m_band == band && (home ? old.m_county == county : old.m_prefix == prefix)) return 1;
  }
  return 2;
}

}  // namespace tarno::bench
