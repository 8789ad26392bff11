#include <mutex>
#include <string>

#include "platform/settings_store.h"
#include "platform/windows_api.h"
#include "stats/ini_text.h"

namespace tarno {
namespace {

bool HasFolder(const std::string& file) { return file.find_first_of("\\/") != std::string::npos; }

Status ApiError(const std::string& what, const std::string& file) {
  return Status::Error(what + " " + file + " (error " + std::to_string(GetLastError()) + ")");
}

// The profile API itself, called exactly as the host's other modules call it, so that they
// and we read the same values. A file name without a folder means the Windows folder to it.
//
// The API rewrites a file in place: a disk that fills up meanwhile leaves it cut short, the
// operator's settings lost. So a write goes to a copy beside the file, through the API, and
// the copy replaces the file in one step once it reads back whole: every other key as it
// was and the new value as written. Writes of one file from this process take turns; a
// value equal to the stored one leaves the file alone.
class ProfileApiSettings : public SettingsStore {
 public:
  explicit ProfileApiSettings(Env* env) : m_env(env) {}

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
    // The Windows folder's files are the system's to keep; ours always has a folder.
    if (!HasFolder(file)) return WriteInPlace(file, section, key, value);
    std::lock_guard<std::mutex> turn(m_writeLock);
    std::string before;
    const DWORD attributes = GetFileAttributesA(file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return ApiError("cannot write", file);
      }
      Status read = m_env->ReadFile(file, &before);
      if (!read.ok()) return read;  // replacing it would lose what could not be read
    }
    // A file saved as UTF-16 ("Unicode" to Notepad) cannot be checked here, but the API reads
    // and writes it: left to the API, where it stands.
    if (!IniIsEditable(before)) return WriteInPlace(file, section, key, value);
    std::string edited;
    Status status = IniWithValue(before, section, key, value, &edited);
    if (!status.ok() || edited == before) return status;

    const std::string copy = file + ".new~";
    status = m_env->WriteFile(copy, before);
    if (status.ok() && !WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                                   copy.c_str())) {
      status = ApiError("cannot write", copy);
    }
    // Out of any cache of the API's, onto the disk, and not kept for a file that goes away.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, copy.c_str());
    std::string rewritten;
    if (status.ok()) status = m_env->ReadFile(copy, &rewritten);
    if (status.ok() && !IniRewriteReadsAsWithValue(before, rewritten, section, key, value)) {
      status = Status::Error("the settings did not reach " + copy + " whole");
    }
    if (status.ok() && !MoveFileExA(copy.c_str(), file.c_str(),
                                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      status = ApiError("cannot replace", file);
    }
    if (!status.ok()) DeleteFileA(copy.c_str());
    return status;
  }

 private:
  static Status WriteInPlace(const std::string& file, const std::string& section,
                             const std::string& key, const std::string& value) {
    if (WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str())) {
      return Status::Ok();
    }
    return ApiError("cannot write " + key + " to", file);
  }

  Env* const m_env;
  std::mutex m_writeLock;
};

}  // namespace

SettingsStore* SettingsStore::Default() {
  // Used until the very end.
  static ProfileApiSettings* store = new ProfileApiSettings(Env::Default());
  return store;
}

}  // namespace tarno
