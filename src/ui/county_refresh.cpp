#include "ui/county_refresh.h"

#include <cmath>

#include "contest/county_rules.h"
#include "ui/module_view.h"

namespace tarno {

const std::array<const char*, 20> kCountyBoxOrder = {"ZA", "GY", "KO", "VE", "SO", "TO", "BA",
                                                     "HB", "FE", "BP", "NG", "HE", "PE", "SZ",
                                                     "BE", "CS", "BN", "BO", "SA", "VA"};

namespace {

// The radio moved far enough for the host to be told to re-read it.
constexpr double kSp1StepHz = 300.0;

BandTextLists EmptyWorkedRows(const BandTextLists& kept) {
  BandTextLists rows = kept;
  for (int band = 0; band < kBandCount; ++band) {
    std::vector<std::string>& row = rows[band];
    if (row.size() < 4) row = {kBandNames[band], "-", "-", "-"};
    row[1] = "   -";
    row[2] = "   -";
    row[3] = " -";
  }
  return rows;
}

// Each band's row ends up showing the last QSO with the call on that band.
void FillWorkedCells(const std::vector<CInfo>& callRecords, BandTextLists& rows) {
  for (const CInfo& record : callRecords) {
    const int band = BandIndex(record.m_band);
    if (band < 0) continue;
    std::vector<std::string>& row = rows[band];
    row[1] = FormatOleDate(record.m_time, "%H:%M");
    row[2] = record.m_mode;
    row[3] = IsHomePrefix(record.m_prefix) ? record.m_county : record.m_exchRcvd;
  }
}

std::array<int, 20> CountyFlags(const std::vector<std::string>& bandCounties) {
  std::array<int, 20> flags{};
  for (const std::string& county : bandCounties) {
    for (size_t box = 0; box < kCountyBoxOrder.size(); ++box) {
      if (county == kCountyBoxOrder[box]) flags[box] = 1;
    }
  }
  return flags;
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

CountyRefresh ComputeCountyRefresh(const std::string& call, int band,
                                   const RefreshSnapshot& snapshot) {
  CountyRefresh refresh;
  refresh.table.workedRows = EmptyWorkedRows(snapshot.workedRows);
  if (!call.empty()) FillWorkedCells(snapshot.callRecords, refresh.table.workedRows);
  const std::vector<std::string> none;
  const std::vector<std::string>& counties = band >= 0 ? snapshot.bandCounties : none;
  refresh.caption = " TARNO CNT on " + std::string(band >= 0 ? kBandNames[band] : "") + " " +
                    std::to_string(counties.size()) + " of 20";
  refresh.infoTitle = "TARNO " + snapshot.yearText + (call.empty() ? "" : " worked with " + call);
  refresh.countyFlags = CountyFlags(counties);
  refresh.table.enteredCall = call;
  refresh.table.currentBand = band;
  return refresh;
}

CountyRefresh RefreshCountyWindow(ModuleView& module) {
  // The host is asked before the lock is taken: its object answers on the host's own
  // thread, which may itself be waiting for the lock.
  HostLink& host = module.Host();
  host.SetUpFromRefresh();
  const std::string call = host.EnteredCall();
  const double freqHz = host.FrequencyHz();
  if (std::fabs(freqHz - module.LastSp1FreqHz()) > kSp1StepHz) {
    host.Command("<SP1>");
    module.SetLastSp1FreqHz(freqHz);
  }
  return module.Refresh(call, WindowBandOfFrequency(freqHz));
}

}  // namespace tarno
