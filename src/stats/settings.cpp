#include "stats/settings.h"

#include <climits>
#include <cstdint>

#include "contest/ascii_text.h"

namespace tarno {

const char kSettingsFileName[] = "Plugins\\TARNO-Contest.ini";
const char kSettingsSectionName[] = "Settings";

int ParseLeadingInt(std::string_view text) {
  size_t at = 0;
  while (at < text.size() && IsAsciiBlank(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  int64_t magnitude = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    magnitude = magnitude * 10 + (text[at] - '0');
    if (magnitude > int64_t{INT_MAX} + 1) magnitude = int64_t{INT_MAX} + 1;
  }
  const int64_t value = negative ? -magnitude : magnitude;
  if (value > INT_MAX) return INT_MAX;
  return static_cast<int>(value);
}

std::string Settings::ReadText(const std::string& key) const {
  return m_store->Read(m_file, m_section, key);
}

std::string Settings::ReadText(const std::string& key, const std::string& fallback) const {
  return m_store->ReadOr(m_file, m_section, key, fallback);
}

int Settings::ReadInt(const std::string& key) const { return ParseLeadingInt(ReadText(key)); }

Status Settings::WriteText(const std::string& key, const std::string& value) const {
  return m_store->Write(m_file, m_section, key, value);
}

Status Settings::WriteInt(const std::string& key, int value) const {
  return WriteText(key, std::to_string(value));
}

}  // namespace tarno
