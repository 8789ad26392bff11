#include "plugin/statistics_run.h"

#include "contest/county_rules.h"
#include "contest/error_file.h"
#include "plugin/cabrillo_steps.h"
#include "plugin/module_state.h"
#include "stats/score.h"
#include "stats/summary.h"

namespace tarno {
namespace {

void ResetLists() {
  // The rows are built from the six bands before the band list starts empty again:
  // the band list's only job here is to name them.
  g_bands.Clear();
  for (const char* band : kBandNames) g_bands.AppendIfNew(band);
  for (int band = 0; band < kBandCount; ++band) {
    g_workedRows[band] = {g_bands[band], "-", "-", "-"};
  }
  g_log.Clear();
  g_bands.Clear();
}

// "Start" alternates from one run to the next while no county window is open, so
// that a run which opened the window is followed by one that leaves it alone.
void DecideCountyWindow(const Settings& settings) {
  if (settings.ReadInt("Start") != 0) {
    settings.WriteInt("Start", 0);
    return;
  }
  if (g_countyWindowControl->IsOpen()) return;
  if (g_settingMultiplier != 0) g_countyWindowControl->Start();
  settings.WriteInt("Start", 1);
}

void RebuildBandCounties(const ScoreTally& tally) {
  for (const BandTally& band : tally.bands) {
    const int index = BandIndex(band.band);
    if (index >= 0) g_bandCounties[index] = band.countyList;
  }
}

}  // namespace

void ResetStatisticsRun(const RunStart& run) {
  const Settings settings = ModuleSettings();
  const int master = settings.ReadInt("Master");
  const int multiplier = settings.ReadInt("Multiplier");
  {
    std::lock_guard<std::mutex> hold(g_lock);
    g_startText = FormatOleDate(run.contestStart, "%d.%m");
    g_endText = FormatOleDate(run.contestEnd, "%d.%m.%Y");
    g_yearText = FormatOleDate(run.contestEnd, "%Y");
    g_settingMaster = master;
    g_settingMultiplier = multiplier;
    g_ownCall = run.ownCall;
    g_cabrilloMode = run.cabrilloMode;
    g_ownContinent = run.ownContinent;
    ResetLists();
  }
  // A missing or unwritable error file must not stop the statistics run.
  g_env->WriteFile(kErrorFileName, kErrorFileHeading);
  if (run.cabrilloMode != 0) {
    EditCabrilloHeader(run.ownCall);
    settings.WriteInt("Start", 1);
  }
  DecideCountyWindow(settings);
}

const char* ComputeResult(int* flag) {
  ScoreTally tally;
  {
    std::lock_guard<std::mutex> hold(g_lock);
    g_bands.Assign(SortBandsForScore(g_bands.Texts()));
    tally = TallyScore(g_log, g_bands.Texts(), g_ownContinent);
    RebuildBandCounties(tally);
    g_resultText = FormatSummary(g_startText, g_endText, g_ownCall, tally);
  }
  g_claimedScore = tally.score;
  ModuleSettings().WriteInt("Claimed", tally.score);
  if (g_cabrilloMode != 0) ExportCabrillo(flag);
  if (g_hostLinkReady == 0 && g_settingMaster == 0 && g_settingMultiplier == 0 &&
      g_hostLink->SetUpFromScore()) {
    g_hostLinkReady = 1;
  }
  return g_resultText.c_str();
}

}  // namespace tarno
