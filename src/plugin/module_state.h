#ifndef TARNO_PLUGIN_MODULE_STATE_H_
#define TARNO_PLUGIN_MODULE_STATE_H_

// The module-wide objects, created before the host can call an entry point and
// destroyed, in reverse order, after the last one.
//
// Threads (docs/windows.md): the host's thread runs every entry point; the county
// window's thread, through the module's view (plugin/module_view.h), reads the log and
// the per-band lists and writes g_workedRows. Whoever touches
// g_log, g_bands, g_workedRows or g_bandCounties holds g_lock, and holds it for no
// longer than the change or the read takes (never across a dialog or a file).

#include <mutex>
#include <string>
#include <vector>

#include "cabrillo/cabrillo_log.h"
#include "contest/contest_log.h"
#include "contest/removal.h"
#include "host/host_link.h"
#include "platform/desktop.h"
#include "platform/env.h"
#include "platform/settings_store.h"
#include "stats/settings.h"
#include "ui/county_window_control.h"

extern std::mutex g_lock;

extern tarno::ContestLog g_log;
extern tarno::BandList g_bands;
extern tarno::BandTextLists g_workedRows;    // per band: name, time, mode, county or serial
extern tarno::BandTextLists g_bandCounties;  // per band: distinct counties, first seen first

// The values of the statistics run, set by ResetStats0 under g_lock (the window
// thread shows the year).
extern std::string g_ownContinent;
extern std::string g_ownCall;
extern std::string g_startText;  // contest start, "%d.%m"
extern std::string g_endText;    // contest end, "%d.%m.%Y"
extern std::string g_yearText;   // contest end, "%Y"
extern int g_cabrilloMode;

// The "Master" and "Multiplier" settings as last read (statistics reset) or chosen
// (setup dialog); host thread.
extern int g_settingMaster;
extern int g_settingMultiplier;

// What the last GetResult0 computed and returned; host thread.
extern int g_claimedScore;
extern std::string g_resultText;

// Set once the start-up commands were sent, or the refresh set the link up; never reset.
extern int g_hostLinkReady;

// What the county window's last refresh found, written on the window thread under
// g_lock: the call typed in the host, the radio's band index (-1 for none), the
// frequency "<SP1>" was last sent for, and the band names the rows are matched by.
extern std::string g_enteredCall;
extern int g_currentBand;
extern double g_lastSp1Freq;
extern std::vector<std::string> g_bandNames;

// The Cabrillo header and QSO lines; host thread only.
extern tarno::CCabrilloLog g_cabrilloLog;

// The settings file and its section, relative to the host's current directory.
extern std::string g_iniSection;
extern std::string g_iniFile;

// The services the module works through. Tests put fakes in their place; the
// Windows start-up puts the real windows and host link in place.
extern tarno::Env* g_env;
extern tarno::SettingsStore* g_settingsStore;
extern tarno::Desktop* g_desktop;
extern tarno::CountyWindowControl* g_countyWindowControl;
extern tarno::HostLink* g_hostLink;

// The module's settings file, through g_settingsStore.
tarno::Settings ModuleSettings();

#endif  // TARNO_PLUGIN_MODULE_STATE_H_
