#include "helpers/fakes.h"

#include "plugin/module_state.h"

namespace tarno {

std::string MapSettings::Read(const std::string& file, const std::string& section,
                              const std::string& key) {
  return ReadOr(file, section, key, "");
}

std::string MapSettings::ReadOr(const std::string&, const std::string&, const std::string& key,
                                const std::string& fallback) {
  auto found = values.find(key);
  if (!available || found == values.end()) return fallback.substr(0, kSettingsValueMax);
  return found->second.substr(0, kSettingsValueMax);
}

Status MapSettings::Write(const std::string&, const std::string&, const std::string& key,
                          const std::string& value) {
  if (!available) return Status::Error("no settings folder");
  writes.push_back(key + "=" + value);
  values[key] = value;
  return Status::Ok();
}

ScopedFakeServices::ScopedFakeServices()
    : m_previousSettings(g_settingsStore),
      m_previousWindow(g_countyWindowControl),
      m_previousHost(g_hostLink),
      m_previousDesktop(g_desktop) {
  g_settingsStore = &settings;
  g_countyWindowControl = &window;
  g_hostLink = &host;
  g_desktop = &desktop;
}

ScopedFakeServices::~ScopedFakeServices() {
  g_settingsStore = m_previousSettings;
  g_countyWindowControl = m_previousWindow;
  g_hostLink = m_previousHost;
  g_desktop = m_previousDesktop;
}

}  // namespace tarno
