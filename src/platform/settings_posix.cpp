#include "platform/settings_store.h"
#include "stats/ini_file_settings.h"

namespace tarno {

SettingsStore* SettingsStore::Default() {
  static IniFileSettings* store = new IniFileSettings(Env::Default());  // used until the end
  return store;
}

}  // namespace tarno
