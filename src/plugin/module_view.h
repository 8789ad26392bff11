#ifndef TARNO_PLUGIN_MODULE_VIEW_H_
#define TARNO_PLUGIN_MODULE_VIEW_H_

// The module's one view for its windows (ui/module_view.h), over the module-wide objects:
// g_hostLink, the settings file through g_settingsStore, and under g_lock the log, the
// per-band lists and what the last refresh found (g_enteredCall, g_currentBand,
// g_workedRows, g_bandNames). g_lastSp1Freq is the window thread's alone.

#include "ui/module_view.h"

tarno::ModuleView& ModuleWindowView();

#endif  // TARNO_PLUGIN_MODULE_VIEW_H_
