#ifndef TARNO_PLATFORM_SETTINGS_STORE_H_
#define TARNO_PLATFORM_SETTINGS_STORE_H_

// Initialisation ("profile") files: one value of one key of one section, as the
// Windows profile API keeps them. On Windows the API itself; elsewhere our own
// reader and writer of the same files (IniFileSettings), which keeps every byte of
// the file that a write does not touch and replaces the file in one step.
//
// File names are relative to the current directory; "\" and "/" both separate.
// Section and key names match without regard to letter case. Every method may be
// called from any thread.

#include <cstddef>
#include <string>

#include "platform/env.h"

namespace tarno {

// Values come back cut to this many characters, as from a 100-character buffer.
constexpr size_t kSettingsValueMax = 99;

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;

  // The platform's store; lives as long as the process.
  static SettingsStore* Default();

  // The value, cut to kSettingsValueMax characters; "" when the file, the section
  // or the key is missing or cannot be read.
  virtual std::string Read(const std::string& file, const std::string& section,
                           const std::string& key) = 0;

  // Like Read, but `fallback`, returned as a stored value would be, where the key is
  // missing or its line has no "=".
  virtual std::string ReadOr(const std::string& file, const std::string& section,
                             const std::string& key, const std::string& fallback) = 0;

  // Replaces the key's value or adds the key (and the section, and the file when
  // its folder exists). Never creates a folder.
  virtual Status Write(const std::string& file, const std::string& section,
                       const std::string& key, const std::string& value) = 0;
};

}  // namespace tarno

#endif  // TARNO_PLATFORM_SETTINGS_STORE_H_
