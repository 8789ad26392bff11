#ifndef TARNO_PLUGIN_MODULE_STATE_H_
#define TARNO_PLUGIN_MODULE_STATE_H_

// The module-wide objects, created before the host can call an entry point and
// destroyed, in reverse order, after the last one.
//
// Threads: the host's thread runs every entry point; the county window's thread
// reads the log and the per-band lists and writes g_workedRows. Whoever touches
// g_log, g_bands, g_workedRows or g_bandCounties holds g_lock, and holds it for no
// longer than the change or the read takes (never across a dialog or a file).

#include <mutex>
#include <string>

#include "contest/contest_log.h"
#include "contest/removal.h"
#include "platform/env.h"

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

// Where the module's files go; tests put an in-memory one in its place.
extern tarno::Env* g_env;

#endif  // TARNO_PLUGIN_MODULE_STATE_H_
