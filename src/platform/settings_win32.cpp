#include <string>

#include "platform/settings_store.h"
#include "platform/windows_api.h"

namespace tarno {
namespace {

// The profile API itself, called exactly as the host's other modules call it, so that they
// and we read the same values. A file name without a folder means the Windows folder to it.
class ProfileApiSettings : public SettingsStore {
 public:
  std::string Read(const std::string& file, const std::string& section,
                   const std::string& key) override {
    return ReadOr(file, section, key, "");
  }

  std::string ReadOr(const std::string& file, const std::string& section, const std::string& key,
                     const std::string& fallback) override {
    char buffer[kSettingsValueMax + 1];
    DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buffer,
                                            sizeof buffer, file.c_str());
    return std::string(buffer, length);
  }

  Status Write(const std::string& file, const std::string& section, const std::string& key,
               const std::string& value) override {
    if (WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str())) {
      return Status::Ok();
    }
    return Status::Error("cannot write " + key + " to " + file + " (error " +
                         std::to_string(GetLastError()) + ")");
  }
};

}  // namespace

SettingsStore* SettingsStore::Default() {
  static ProfileApiSettings* store = new ProfileApiSettings;  // used until the very end
  return store;
}

}  // namespace tarno
