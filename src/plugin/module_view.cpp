#include "plugin/module_view.h"

#include "plugin/module_state.h"

namespace {

class ModuleWideView : public tarno::ModuleView {
 public:
  tarno::HostLink& Host() override { return *g_hostLink; }
  tarno::Settings WindowSettings() override { return ModuleSettings(); }
  double LastSp1FreqHz() override { return g_lastSp1Freq; }
  void SetLastSp1FreqHz(double freqHz) override { g_lastSp1Freq = freqHz; }

  tarno::CountyRefresh Refresh(const std::string& call, int band) override {
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_bandNames.empty()) g_bandNames.assign(tarno::kBandNames.begin(), tarno::kBandNames.end());
    tarno::RefreshSnapshot snapshot;
    snapshot.yearText = g_yearText;
    snapshot.workedRows = g_workedRows;
    if (band >= 0) snapshot.bandCounties = g_bandCounties[band];
    for (size_t i = 0; !call.empty() && i < g_log.Size(); ++i) {
      if (g_log[i].m_call == call) snapshot.callRecords.push_back(g_log[i]);
    }
    tarno::CountyRefresh refresh = tarno::ComputeCountyRefresh(call, band, snapshot);
    g_enteredCall = call;
    g_currentBand = band;
    g_workedRows = refresh.table.workedRows;
    return refresh;
  }
};

}  // namespace

tarno::ModuleView& ModuleWindowView() {
  static ModuleWideView view;
  return view;
}
