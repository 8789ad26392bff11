#include "catalogue/catalogue.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tarno::score {
namespace {

const CatalogueTable* TableOf(const char* code) {
  for (size_t i = 0; i < kCatalogueTableCount; ++i) {
    if (std::strcmp(kCatalogueTables[i].code, code) == 0) return &kCatalogueTables[i];
  }
  return nullptr;
}

// Digits in groups of three, parted by `separator`.
std::string Grouped(const std::string& digits, const char* separator) {
  std::string out;
  const size_t lead = digits.size() % 3;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (i + 3 - lead) % 3 == 0) out += separator;
    out += digits[i];
  }
  return out;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

const Catalogue& Catalogue::Of(Language language) {
  static const Catalogue kEnglish(Language::kEnglish, TableOf("en"));
  static const Catalogue kHungarian(Language::kHungarian, TableOf("hu"));
  return language == Language::kHungarian ? kHungarian : kEnglish;
}

Catalogue::Catalogue(Language language, const CatalogueTable* table)
    : m_language(language), m_table(table) {
  if (!m_table) return;
  m_texts.reserve(m_table->count);
  for (size_t i = 0; i < m_table->count; ++i)
    m_texts.emplace(m_table->entries[i].key, m_table->entries[i].text);
}

const std::string& Catalogue::Text(std::string_view key) const {
  const auto found = m_texts.find(key);
  if (found != m_texts.end()) return found->second;
  std::lock_guard<std::mutex> hold(m_missingLock);
  std::string& missing = m_missing[std::string(key)];
  if (missing.empty()) missing = "[" + std::string(key) + "]";
  return missing;
}

namespace {

// `text` with each {name} of `values`, or `extra`, filled in.
std::string Filled(const std::string& text, const Values& values,
                   const std::pair<std::string_view, std::string_view>& extra = {}) {
  std::string out;
  out.reserve(text.size() + 16);
  for (size_t at = 0; at < text.size();) {
    const size_t open = text.find('{', at);
    const size_t close = open == std::string::npos ? open : text.find('}', open);
    if (close == std::string::npos) {
      out.append(text, at, std::string::npos);
      break;
    }
    out.append(text, at, open - at);
    const std::string_view name(text.data() + open + 1, close - open - 1);
    const auto value = std::find_if(values.begin(), values.end(),
                                    [&name](const auto& pair) { return pair.first == name; });
    if (value != values.end()) {
      out += value->second;
    } else if (!extra.first.empty() && extra.first == name) {
      out += extra.second;
    } else {
      out.append(text, open, close - open + 1);
    }
    at = close + 1;
  }
  return out;
}

}  // namespace

std::string Catalogue::Format(std::string_view key, const Values& values) const {
  return Filled(Text(key), values);
}

std::string Catalogue::Plural(std::string_view key, long long count, const Values& values) const {
  // "key.one" or "key.other" without a string made for it, where the key is of a usual size.
  char name[96];
  const char* suffix = count == 1 ? ".one" : ".other";
  const size_t suffixSize = std::strlen(suffix);
  std::string longName;
  std::string_view full;
  if (key.size() + suffixSize <= sizeof name) {
    std::memcpy(name, key.data(), key.size());
    std::memcpy(name + key.size(), suffix, suffixSize);
    full = std::string_view(name, key.size() + suffixSize);
  } else {
    longName = std::string(key) + suffix;
    full = longName;
  }
  // The count after the values given, as it was appended to them.
  return Filled(Text(full), values, {"n", Number(count)});
}

std::string Catalogue::Number(long long number) const {
  const std::string digits = std::to_string(number < 0 ? -number : number);
  // Hungarian parts thousands with a no-break space, so that a number never breaks a line.
  const char* separator = m_language == Language::kHungarian ? "\xC2\xA0" : ",";
  return (number < 0 ? "-" : "") + (digits.size() > 4 || m_language == Language::kEnglish
                                        ? Grouped(digits, separator)
                                        : digits);
}

std::string Catalogue::Decimal(double number, int places) const {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", std::max(places, 0), number);
  std::string out(text);
  if (m_language == Language::kHungarian) std::replace(out.begin(), out.end(), '.', ',');
  return out;
}

Language LanguageOfAccept(std::string_view header) {
  double best = 0;
  Language chosen = Language::kEnglish;
  for (size_t from = 0; from < header.size();) {
    size_t to = header.find(',', from);
    if (to == std::string_view::npos) to = header.size();
    std::string_view item = header.substr(from, to - from);
    from = to + 1;
    double quality = 1;
    const size_t semicolon = item.find(';');
    if (semicolon != std::string_view::npos) {
      const size_t q = item.find("q=", semicolon);
      if (q != std::string_view::npos)
        quality = std::atof(std::string(item.substr(q + 2)).c_str());
      item = item.substr(0, semicolon);
    }
    while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
    while (!item.empty() && item.back() == ' ') item.remove_suffix(1);
    const std::string_view primary = item.substr(0, item.find('-'));
    Language language;
    if (!LanguageOfCode(primary, &language) || !(quality > best)) continue;
    best = quality;
    chosen = language;
  }
  return chosen;
}

bool LanguageOfCode(std::string_view code, Language* language) {
  if (code.size() != 2) return false;
  const std::string lower{Lower(code[0]), Lower(code[1])};
  if (lower == "en") {
    *language = Language::kEnglish;
  } else if (lower == "hu") {
    *language = Language::kHungarian;
  } else {
    return false;
  }
  return true;
}

}  // namespace tarno::score
