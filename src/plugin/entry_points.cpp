#include "plugin/entry_points.h"

#include <string>

#include "contest/admission.h"
#include "contest/call_check.h"
#include "contest/county_rules.h"
#include "contest/error_file.h"
#include "contest/removal.h"
#include "plugin/module_state.h"
#include "plugin/setup_step.h"
#include "plugin/statistics_run.h"

namespace {

const char kSetName[] = "TARNO Contest (C)";
const char kEmptyText[] = "";

std::string Text(const char* hostText) { return hostText ? std::string(hostText) : std::string(); }

COleDateTime DateOf(const COleDateTime* hostDate) {
  if (hostDate) return *hostDate;
  COleDateTime none;
  none.m_status = COleDateTime::kNull;
  return none;
}

// Nothing may cross back into the host: whatever goes wrong inside an entry point
// ends it with the answer that changes least for the host.
template <typename Result, typename Body>
Result Guarded(Result fallback, Body body) noexcept {
  try {
    return body();
  } catch (...) {
    return fallback;
  }
}

tarno::QsoParams QsoOf(const char* ownCall, const char* call, const COleDateTime* qsoTime,
                       unsigned int freqHz, const char* mode, const char* rstSent,
                       const char* rstRcvd, const char* exchSent, const char* exchRcvd,
                       const char* prefix, const char* continent, const char* band) {
  tarno::QsoParams qso;
  qso.ownCall = Text(ownCall);
  qso.call = Text(call);
  qso.time = DateOf(qsoTime);
  qso.freqHz = freqHz;
  qso.mode = Text(mode);
  qso.rstSent = Text(rstSent);
  qso.rstRcvd = Text(rstRcvd);
  qso.exchSent = Text(exchSent);
  qso.exchRcvd = Text(exchRcvd);
  qso.prefix = Text(prefix);
  qso.continent = Text(continent);
  qso.band = Text(band);
  return qso;
}

}  // namespace

extern "C" {

int GetNumberOfSets() { return 1; }

const char* GetSetName(int setNumber) { return setNumber == 0 ? kSetName : kEmptyText; }

int GetExchgCount0(const char*, const char*, const char*) { return 1; }

int IsValidExchg0(const char* exchange, const char*, const char* prefix, const char*, int, int,
                  int) {
  return Guarded(0, [&] { return tarno::IsValidExchange(Text(exchange), Text(prefix)) ? 1 : 0; });
}

void SetupSet0() {
  Guarded(0, [] {
    const tarno::Settings settings = ModuleSettings();
    int master = settings.ReadInt("Master");
    int multiplier = settings.ReadInt("Multiplier");
    g_settingMaster = master;
    g_settingMultiplier = multiplier;
    // Closed without OK, the dialog changes nothing, not even the file.
    if (!tarno::RunSetupDialog(&master, &multiplier)) return 0;
    g_settingMaster = master;
    g_settingMultiplier = multiplier;
    settings.WriteInt("Master", master);
    settings.WriteInt("Multiplier", multiplier);
    return 0;
  });
}

int ResetStats0(const char*, int cabrilloMode, const char* ownCall, COleDateTime* contestStart,
                COleDateTime* contestEnd, const char*, const char*, const char*, const char*,
                const char*, const char*, const char*, const char*, const char*, const char*, int,
                int, int, double, double, const char*, const char* ownContinent, const char*) {
  return Guarded(1, [&] {
    tarno::RunStart run;
    run.cabrilloMode = cabrilloMode;
    run.ownCall = Text(ownCall);
    run.contestStart = DateOf(contestStart);
    run.contestEnd = DateOf(contestEnd);
    run.ownContinent = Text(ownContinent);
    tarno::ResetStatisticsRun(run);
    return 1;
  });
}

int AddData0(const char* ownCall, const char* call, COleDateTime* qsoTime, COleDateTime*,
             COleDateTime*, COleDateTime*, unsigned int, unsigned int freqHz, const char* mode,
             const char* rstSent, const char* rstRcvd, const char* exchSent, const char* exchRcvd,
             const char*, const char*, const char*, const char*, const char*, const char*,
             const char*, const char*, const char*, const char* prefix, int, int, int, double,
             double, const char*, const char* continent, const char*, const char* band,
             const char*) {
  return Guarded(0, [&] {
    const tarno::QsoParams qso = QsoOf(ownCall, call, qsoTime, freqHz, mode, rstSent, rstRcvd,
                                       exchSent, exchRcvd, prefix, continent, band);
    tarno::AdmissionResult result;
    {
      std::lock_guard<std::mutex> hold(g_lock);
      result = tarno::AdmitQso(qso, g_log, g_bands);
    }
    // Lines that cannot be written are lost; the QSO is handled all the same.
    if (!result.errorLines.empty()) g_env->AppendToFile(tarno::kErrorFileName, result.errorLines);
    return result.admitted ? 1 : 0;
  });
}

int RemoveData0(const char* ownCall, const char* call, COleDateTime* qsoTime, COleDateTime*,
                COleDateTime*, COleDateTime*, unsigned int, unsigned int freqHz, const char* mode,
                const char* rstSent, const char* rstRcvd, const char* exchSent,
                const char* exchRcvd, const char*, const char*, const char*, const char*,
                const char*, const char*, const char*, const char*, const char*, const char* prefix,
                int, int, int, double, double, const char*, const char* continent, const char*,
                const char* band, const char*) {
  return Guarded(0, [&] {
    const tarno::QsoParams qso = QsoOf(ownCall, call, qsoTime, freqHz, mode, rstSent, rstRcvd,
                                       exchSent, exchRcvd, prefix, continent, band);
    std::lock_guard<std::mutex> hold(g_lock);
    return tarno::RemoveQso(qso, g_log, g_bandCounties);
  });
}

int CheckCall0(const char* call, unsigned int, unsigned int, const char* mode, const char*,
               const char*, const char*, const char*, const char*, const char*, const char*,
               const char*, const char*, const char* prefix, int, int, int, double, double,
               const char*, const char*, const char*, const char*, const char* county,
               const char* band, const char*, char*, char*) {
  return Guarded(static_cast<int>(tarno::kCheckNewMultiplier), [&] {
    const std::string probeCall = Text(call);
    const std::string probeMode = Text(mode);
    const std::string probePrefix = Text(prefix);
    const std::string probeCounty = Text(county);
    const std::string probeBand = Text(band);
    g_countyWindowControl->RequestRefresh();
    std::lock_guard<std::mutex> hold(g_lock);
    return static_cast<int>(
        tarno::CheckCall(g_log, probeCall, probeMode, probePrefix, probeCounty, probeBand));
  });
}

const char* GetResult0(int* flag) {
  return Guarded(kEmptyText, [&] { return tarno::ComputeResult(flag); });
}

const char* RunCommand0(int, const char* command) {
  return Guarded(kEmptyText, [&] {
    const std::string text = Text(command);
    if (text == "SHOWINFO") g_countyWindowControl->Start();
    if (text == "HIDEINFO") g_countyWindowControl->Close();
    return kEmptyText;
  });
}

}  // extern "C"
