#ifndef TARNO_STATS_SETTINGS_H_
#define TARNO_STATS_SETTINGS_H_

// The module's settings: one section of one profile file, read and written one key
// at a time. A failed read gives the empty text (0 as an integer); a failed write
// is reported to the caller, which in this module ignores it.

#include <string>
#include <string_view>

#include "platform/settings_store.h"

namespace tarno {

// Relative to the host's current directory; the folder is the host's own.
extern const char kSettingsFileName[];     // "Plugins\TARNO-Contest.ini"
extern const char kSettingsSectionName[];  // "Settings"

// Decimal text to int as the settings store it: leading white space skipped, an
// optional sign, the digits up to the first other character; no digits give 0.
// Values beyond the int range stop at its nearest end.
int ParseLeadingInt(std::string_view text);

class Settings {
 public:
  // `store` must outlive this object.
  Settings(SettingsStore* store, std::string file, std::string section)
      : m_store(store), m_file(std::move(file)), m_section(std::move(section)) {}

  std::string ReadText(const std::string& key) const;
  // `fallback` when the key is missing.
  std::string ReadText(const std::string& key, const std::string& fallback) const;
  int ReadInt(const std::string& key) const;
  Status WriteText(const std::string& key, const std::string& value) const;
  Status WriteInt(const std::string& key, int value) const;

 private:
  SettingsStore* m_store;
  std::string m_file;
  std::string m_section;
};

}  // namespace tarno

#endif  // TARNO_STATS_SETTINGS_H_
