#include "replay/error_file_forecast.h"

#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "contest/county_rules.h"
#include "contest/error_file.h"
#include "contest/qso_params.h"

namespace tarno::score {
namespace {

constexpr uint64_t kLineEndBytes = 2;  // CR LF

// The QSO as AddData0 receives it from Replay.
QsoParams ParamsOf(const PackedQsos& qsos, const PackedQso& qso) {
  QsoParams params;
  params.ownCall = qsos.Text(qso.ownCall);
  params.call = qsos.Text(qso.call);
  params.time = OleDate(qso.oleDays);
  params.freqHz = qso.freqHz;
  params.mode = qsos.Text(qso.mode);
  params.rstSent = qsos.Text(qso.rstSent);
  params.rstRcvd = qsos.Text(qso.rstRcvd);
  params.exchSent = qsos.Text(qso.exchSent);
  params.exchRcvd = qsos.Text(qso.exchRcvd);
  params.band = qsos.Text(qso.band);
  return params;
}

// The tail of a refused QSO's line, in the plug-in's order of checks; null when admitted.
const char* RefusalTail(const QsoParams& qso) {
  if (IsRefusedBand(qso.band)) return kTailNoContestBand;
  if (!IsContestMode(qso.mode)) return kTailNoContestMode;
  if (qso.exchRcvd.empty() || qso.exchSent.empty()) return kTailNoExchange;
  return nullptr;
}

std::string SizeText(uint64_t bytes) {
  char text[32];
  if (bytes >= 1000000000) {
    std::snprintf(text, sizeof text, "%.1f GB", bytes / 1e9);
  } else {
    std::snprintf(text, sizeof text, "%.0f MB", bytes / 1e6);
  }
  return text;
}

}  // namespace

ErrorFileForecast ForecastErrorFile(const RunValues& run, const std::vector<LogQso>& qsos,
                                    const CountryFile& countries) {
  return ForecastErrorFile(Pack(qsos, run.ownCall, countries));
}

ErrorFileForecast ForecastErrorFile(const PackedQsos& qsos) {
  ErrorFileForecast forecast;
  forecast.bytes = std::strlen(kErrorFileHeading);
  std::unordered_map<std::string, size_t> copiesOfContact;
  for (const PackedQso& qso : qsos) {
    const QsoParams params = ParamsOf(qsos, qso);
    // Most QSOs write nothing, so a line's text is made only for one that writes.
    const auto body = [&] { return ErrorLineBody(params).size(); };
    if (const char* tail = RefusalTail(params)) {
      forecast.bytes += body() + std::strlen(tail) + kLineEndBytes;
      continue;
    }
    if (IsHomePrefix(qsos.Text(qso.prefix))) {
      const std::string code = NormaliseCounty(params.exchRcvd);
      if (!IsCountyCode(code))
        forecast.bytes += body() + UnknownCountyTail(code).size() + kLineEndBytes;
    }
    size_t& copies = copiesOfContact[params.call + '\0' + params.band + '\0' + params.mode];
    if (copies > 0) forecast.bytes += copies * (body() + std::strlen(kTailDupe) + kLineEndBytes);
    if (++copies > forecast.copies) {
      forecast.copies = copies;
      forecast.mostRepeated = params.call + " on " + params.band + " " + params.mode;
    }
  }
  return forecast;
}

std::string ErrorFileWarning(const ErrorFileForecast& forecast, uint64_t limitBytes) {
  if (forecast.bytes <= limitBytes) return "";
  std::string text = "err.txt will grow to about " + SizeText(forecast.bytes);
  if (forecast.copies > 1) {
    text +=
        ": the plug-in writes a DUPE line for every earlier copy of a contact at each "
        "copy, and " +
        forecast.mostRepeated + " is logged " + std::to_string(forecast.copies) + " times";
  }
  return text;
}

}  // namespace tarno::score
