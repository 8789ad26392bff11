#include "stats/ini_file_settings.h"

#include "stats/ini_text.h"

namespace tarno {

std::string IniFileSettings::Read(const std::string& file, const std::string& section,
                                  const std::string& key) {
  std::string content;
  if (!m_env->ReadFile(file, &content).ok()) return "";
  return IniValue(content, section, key, kSettingsValueMax + 1);
}

std::string IniFileSettings::ReadOr(const std::string& file, const std::string& section,
                                    const std::string& key, const std::string& fallback) {
  std::string content;
  std::optional<std::string> value;
  if (m_env->ReadFile(file, &content).ok()) {
    value = IniValueIfPresent(content, section, key, kSettingsValueMax + 1);
  }
  return value ? *value : IniDefaultValue(fallback, kSettingsValueMax + 1);
}

Status IniFileSettings::Write(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& value) {
  std::lock_guard<std::mutex> hold(m_writeLock);
  std::string content;
  Status read = m_env->ReadFile(file, &content);
  if (!read.ok()) content.clear();
  std::string updated;
  Status changed = IniWithValue(content, section, key, value, &updated);
  if (!changed.ok()) {
    return Status::Error("cannot set " + key + " in " + file + ": " + changed.reason());
  }
  if (read.ok() && updated == content) return Status::Ok();
  // A read failure may hide a file that is there but unreadable: create one only where none
  // is, or the settings in it would be lost.
  Status replaced = m_env->ReplaceFileAtomically(
      file, updated, read.ok() ? IfPresent::kReplace : IfPresent::kFail);
  if (!replaced.ok() && !read.ok()) {
    return Status::Error(replaced.reason() + " (reading it: " + read.reason() + ")");
  }
  return replaced;
}

}  // namespace tarno
