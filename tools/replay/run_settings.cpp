#include "replay/run_settings.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "contest/ascii_text.h"
#include "logs/log_text.h"
#include "stats/ini_text.h"

namespace tarno::score {
namespace {

const char kSettingsFile[] = "Plugins/TARNO-Contest.ini";
const char kSection[] = "Settings";
const size_t kSettingsBufferChars = 100;  // the plug-in reads each value into 100 chars

struct Personal {
  const char* tag;
  const char* key;
};
const Personal kPersonal[] = {
    {"OPERATORS", "Operators"},
    {"NAME", "Name"},
    {"ADDRESS", "Address"},
    {"ADDRESS-CITY", "Address-City"},
    {"ADDRESS-POSTALCODE", "Address-PostalCode"},
    {"ADDRESS-COUNTRY", "Address-Country"},
    {"LOCATION", "Loc"},
    {"E-MAIL", "Email"},
    {"CLUB", "Club"},
    {"SOAPBOX", "SoapBox"},
};
const char* const kCategories[] = {"CATEGORY-OPERATOR", "CATEGORY-BAND", "CATEGORY-MODE",
                                   "CATEGORY-POWER", "CATEGORY-TRANSMITTER"};

const char* SettingsKey(const std::string& tag) {
  for (const Personal& personal : kPersonal) {
    if (tag == personal.tag) return personal.key;
  }
  return nullptr;
}

bool IsCategory(const std::string& tag) {
  for (const char* category : kCategories) {
    if (tag == category) return true;
  }
  return false;
}

// The settings file keeps a value on one line, its line breaks as markers.
std::string StoredForm(const std::string& value) {
  std::string stored;
  for (char c : value) {
    if (c == '\r') {
      stored += "<CR>";
    } else if (c == '\n') {
      stored += "<LF>";
    } else {
      stored += c;
    }
  }
  return stored;
}

bool Slurp(const char* path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

bool IsHeaderTag(const std::string& tag) { return SettingsKey(tag) || IsCategory(tag); }

bool ReadHeaderFile(const std::string& path, HeaderFields* fields, std::string* error) {
  std::string text;
  if (!Slurp(path.c_str(), &text)) {
    *error = "cannot read the header file " + path;
    return false;
  }
  // Typed on a desktop whose code page may not be UTF-8: read as a log is.
  const TextDecoding decoding = DecodeLogText(&text);
  if (!decoding.note.empty()) std::fprintf(stderr, "%s: %s\n", path.c_str(), decoding.note.c_str());
  int number = 0;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string_view line = TrimAscii(std::string_view(text).substr(at, end - at));
    at = end + 1;
    ++number;
    if (line.empty()) continue;
    const size_t colon = line.find(':');
    std::string tag = UpperAscii(TrimAscii(line.substr(0, colon)));
    if (tag == "EMAIL") tag = "E-MAIL";
    if (colon == std::string_view::npos || !IsHeaderTag(tag)) {
      *error = path + ": line " + std::to_string(number) + ": \"" + std::string(line) +
               "\" is no header field this tool can set";
      return false;
    }
    const std::string value(TrimAscii(line.substr(colon + 1)));
    auto same = [&](const auto& field) { return field.first == tag; };
    auto found = std::find_if(fields->begin(), fields->end(), same);
    if (found != fields->end() && (tag == "OPERATORS" || tag == "SOAPBOX")) {
      found->second += "\r\n" + value;
    } else if (found != fields->end()) {
      found->second = value;
    } else {
      fields->emplace_back(tag, value);
    }
  }
  return true;
}

HeaderFields MergedHeader(const HeaderFields& file, const HeaderFields& options) {
  HeaderFields merged = file;
  for (const auto& option : options) {
    auto same = [&](const auto& field) { return field.first == option.first; };
    auto found = std::find_if(merged.begin(), merged.end(), same);
    if (found != merged.end()) {
      found->second = option.second;
    } else {
      merged.push_back(option);
    }
  }
  return merged;
}

bool WriteRunSettings(const HeaderFields& header, bool keep, std::vector<std::string>* warnings,
                      std::string* error) {
  std::string content;
  if (!keep || !Slurp(kSettingsFile, &content)) content = "[Settings]\r\n";
  std::vector<std::pair<std::string, std::string>> keys = {{"Master", "1"}};
  for (const auto& [tag, value] : header) {
    if (const char* key = SettingsKey(tag)) keys.emplace_back(key, StoredForm(value));
  }
  for (const auto& [key, value] : keys) {
    std::string updated;
    if (!IniWithValue(content, kSection, key, value, &updated).ok()) {
      *error = "the setting " + key + " cannot be stored in " + kSettingsFile;
      return false;
    }
    content = std::move(updated);
    if (IniValue(content, kSection, key, kSettingsBufferChars) != TrimAscii(value)) {
      warnings->push_back("the plug-in keeps only the first " +
                          std::to_string(kSettingsBufferChars - 1) + " characters of " + key);
    }
  }
  {
    std::ofstream out(kSettingsFile, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    std::string back;
    if (!out || !Slurp(kSettingsFile, &back) || back != content) {
      *error = std::string("cannot write ") + kSettingsFile;
      return false;
    }
  }
  return true;
}

DialogAnswers CategoryAnswers(const HeaderFields& header) {
  DialogAnswers answers;
  for (const auto& [tag, value] : header) {
    if (IsCategory(tag)) answers.emplace_back(tag, UpperAscii(TrimAscii(value)));
  }
  return answers;
}

}  // namespace tarno::score
