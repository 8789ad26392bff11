#include "contest/admission.h"

#include "contest/county_rules.h"
#include "contest/error_file.h"

namespace tarno {
namespace {

AdmissionResult Refused(const QsoParams& qso, const char* tail) {
  AdmissionResult result;
  result.errorLines = ErrorLineBody(qso) + tail + "\r\n";
  return result;
}

CInfo RecordOf(const QsoParams& qso) {
  CInfo record;
  record.m_call = qso.call;
  record.m_band = qso.band;
  record.m_mode = qso.mode;
  record.m_continent = qso.continent;
  record.m_rstRcvd = qso.rstRcvd;
  record.m_rstSent = qso.rstSent;
  record.m_exchRcvd = qso.exchRcvd;
  record.m_exchSent = qso.exchSent;
  record.m_freqKHz = static_cast<int32_t>(qso.freqHz / 1000);
  record.m_time = qso.time;
  record.m_prefix = StoredPrefix(qso.prefix);
  return record;
}

}  // namespace

AdmissionResult AdmitQso(const QsoParams& qso, ContestLog& log, BandList& bands) {
  if (IsRefusedBand(qso.band)) return Refused(qso, kTailNoContestBand);
  if (!IsContestMode(qso.mode)) return Refused(qso, kTailNoContestMode);
  if (qso.exchRcvd.empty() || qso.exchSent.empty()) return Refused(qso, kTailNoExchange);

  AdmissionResult result;
  CInfo record = RecordOf(qso);
  // Most QSOs are clean: the line text is built only for one that has a problem.
  std::string body;
  auto lineBody = [&]() -> const std::string& {
    if (body.empty()) body = ErrorLineBody(qso);
    return body;
  };
  if (IsHomePrefix(qso.prefix)) {
    std::string code = NormaliseCounty(qso.exchRcvd);
    if (IsCountyCode(code)) {
      record.m_county = std::move(code);
    } else {
      result.errorLines += lineBody() + UnknownCountyTail(code) + "\r\n";
    }
  }
  // Every earlier record of the contact gets its own line, as the log has always
  // reported them.
  const int earlier = log.CountContacts(record.m_call, record.m_band, record.m_mode);
  if (earlier > 0) {
    record.m_dupe = 1;
    const std::string line = lineBody() + kTailDupe + "\r\n";
    result.errorLines.reserve(result.errorLines.size() + line.size() * earlier);
    for (int i = 0; i < earlier; ++i) result.errorLines += line;
  }
  bands.AppendIfNew(qso.band);
  log.Append(std::move(record));
  result.admitted = true;
  return result;
}

}  // namespace tarno
