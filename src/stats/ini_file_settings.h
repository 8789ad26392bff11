#ifndef TARNO_STATS_INI_FILE_SETTINGS_H_
#define TARNO_STATS_INI_FILE_SETTINGS_H_

// Profile files kept by our own reader and writer (ini_text.h) over an Env: the settings
// store wherever the Windows profile API is missing. Reads give what the API would give; a
// write changes only the bytes of the value it sets (or adds the key, the section, the file)
// and replaces the file in one step, so no failure can lose the other settings.

#include <mutex>
#include <string>

#include "platform/env.h"
#include "platform/settings_store.h"

namespace tarno {

class IniFileSettings : public SettingsStore {
 public:
  // `env` is not owned and must outlive the store.
  explicit IniFileSettings(Env* env) : m_env(env) {}

  std::string Read(const std::string& file, const std::string& section,
                   const std::string& key) override;
  std::string ReadOr(const std::string& file, const std::string& section, const std::string& key,
                     const std::string& fallback) override;

  // An error, changing nothing, when the folder is missing, the file cannot be read or
  // replaced, or the name cannot be stored (see IniWithValue). A value equal to the stored one
  // leaves the file untouched.
  Status Write(const std::string& file, const std::string& section, const std::string& key,
               const std::string& value) override;

 private:
  Env* m_env;
  // Two writes of one file from this process would each keep only their own change.
  std::mutex m_writeLock;
};

}  // namespace tarno

#endif  // TARNO_STATS_INI_FILE_SETTINGS_H_
