#include "plugin/module_state.h"

#include "plugin/module_view.h"

// One translation unit, so that the objects are built in this order and destroyed
// in the reverse one.
std::vector<std::string> g_bandNames;
tarno::CCabrilloLog g_cabrilloLog;
std::mutex g_lock;
tarno::ContestLog g_log;
tarno::BandList g_bands;
std::string g_ownContinent;
std::string g_ownCall;
std::string g_startText;
std::string g_endText;
std::string g_yearText;
std::string g_iniSection = tarno::kSettingsSectionName;
std::string g_iniFile = tarno::kSettingsFileName;
tarno::BandTextLists g_workedRows;
tarno::BandTextLists g_bandCounties;
std::string g_resultText;
std::string g_enteredCall;
int g_currentBand = -1;
double g_lastSp1Freq = 0.0;
int g_cabrilloMode = 0;
int g_settingMaster = 0;
int g_settingMultiplier = 0;
int g_claimedScore = 0;
int g_hostLinkReady = 0;

tarno::Env* g_env = tarno::Env::Default();
tarno::SettingsStore* g_settingsStore = tarno::SettingsStore::Default();
tarno::Desktop* g_desktop = tarno::Desktop::Default();
tarno::HostLink* g_hostLink = tarno::HostLink::Default();
tarno::CountyWindowControl* g_countyWindowControl =
    tarno::CountyWindowControl::Default(ModuleWindowView());

tarno::Settings ModuleSettings() {
  return tarno::Settings(g_settingsStore, g_iniFile, g_iniSection);
}
