#include "ui/county_refresh.h"

#include <cmath>

#include "contest/county_rules.h"
#include "plugin/module_state.h"

namespace tarno {

const std::array<const char*, 20> kCountyBoxOrder = {"ZA", "GY", "KO", "VE", "SO", "TO", "BA",
                                                     "HB", "FE", "BP", "NG", "HE", "PE", "SZ",
                                                     "BE", "CS", "BN", "BO", "SA", "VA"};

namespace {

// The radio moved far enough for the host to be told to re-read it.
constexpr double kSp1StepHz = 300.0;

void ResetWorkedCells() {
  for (int band = 0; band < kBandCount; ++band) {
    std::vector<std::string>& row = g_workedRows[band];
    // Rows not yet built by a statistics reset get their band name first.
    if (row.size() < 4) row = {kBandNames[band], "-", "-", "-"};
    row[1] = "   -";
    row[2] = "   -";
    row[3] = " -";
  }
}

// Each band's row ends up showing the last QSO with the call on that band.
void FillWorkedCells(const std::string& call) {
  for (size_t i = 0; i < g_log.Size(); ++i) {
    const CInfo& record = g_log[i];
    if (record.m_call != call) continue;
    for (int band = 0; band < kBandCount; ++band) {
      if (record.m_band != g_bandNames[band]) continue;
      std::vector<std::string>& row = g_workedRows[band];
      row[1] = FormatOleDate(record.m_time, "%H:%M");
      row[2] = record.m_mode;
      row[3] = IsHomePrefix(record.m_prefix) ? record.m_county : record.m_exchRcvd;
    }
  }
}

void SetFlags(int band, CountyRefresh* refresh) {
  refresh->countyFlags.fill(0);
  if (band < 0) return;
  for (const std::string& county : g_bandCounties[band]) {
    for (size_t box = 0; box < kCountyBoxOrder.size(); ++box) {
      if (county == kCountyBoxOrder[box]) refresh->countyFlags[box] = 1;
    }
  }
}

}  // namespace

int WindowBandOfFrequency(double freqHz) {
  const double mhz = std::trunc(freqHz / 1000000.0);
  if (mhz == 1) return 0;
  if (mhz == 3) return 1;
  if (mhz == 7) return 2;
  if (mhz == 14) return 3;
  if (mhz == 21) return 4;
  if (mhz == 28) return 5;
  return -1;
}

CountyRefresh RefreshCountyWindow(HostLink& host) {
  // The host is asked before the lock is taken: its object answers on the host's own
  // thread, which may itself be waiting for the lock.
  host.SetUpFromRefresh();
  const std::string call = host.EnteredCall();
  const double freqHz = host.FrequencyHz();
  if (std::fabs(freqHz - g_lastSp1Freq) > kSp1StepHz) {
    host.Command("<SP1>");
    g_lastSp1Freq = freqHz;
  }

  CountyRefresh refresh;
  std::lock_guard<std::mutex> hold(g_lock);
  if (g_bandNames.empty()) g_bandNames.assign(kBandNames.begin(), kBandNames.end());
  g_enteredCall = call;
  ResetWorkedCells();
  if (!call.empty()) FillWorkedCells(call);
  const int band = WindowBandOfFrequency(freqHz);
  g_currentBand = band;
  const size_t counties = band >= 0 ? g_bandCounties[band].size() : 0;
  refresh.caption = " TARNO CNT on " + std::string(band >= 0 ? kBandNames[band] : "") + " " +
                    std::to_string(counties) + " of 20";
  refresh.infoTitle = "TARNO " + g_yearText + (call.empty() ? "" : " worked with " + call);
  SetFlags(band, &refresh);
  refresh.table.enteredCall = call;
  refresh.table.currentBand = band;
  for (int b = 0; b < kBandCount; ++b) refresh.table.workedRows[b] = g_workedRows[b];
  return refresh;
}

}  // namespace tarno
