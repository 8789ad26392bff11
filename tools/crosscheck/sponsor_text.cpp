#include "crosscheck/sponsor_text.h"

#include <cstdio>

#include "contest/ascii_text.h"
#include "logs/log_file.h"
#include "logs/log_text.h"

namespace tarno::score {
namespace {

constexpr size_t kSponsorFileMax = 16 << 20;

}  // namespace

std::string At(int line, const std::string& message) {
  return "line " + std::to_string(line) + ": " + message;
}

bool CsvFields(std::string_view line, std::vector<std::string>* fields) {
  fields->assign(1, std::string());
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        fields->back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        fields->back() += c;
      }
    } else if (c == '"' && TrimAscii(fields->back()).empty()) {
      fields->back().clear();
      quoted = true;
    } else if (c == ',') {
      fields->emplace_back();
    } else {
      fields->back() += c;
    }
  }
  return !quoted;
}

// A sponsor's spreadsheet may save its CSV in the desktop's code page: names and clubs
// reach the results as UTF-8 all the same, and the run says what it converted.
bool ReadSponsorFile(const std::string& path, std::string* text, std::string* error) {
  if (!ReadRegularFile(path, text, error)) return false;
  if (text->size() > kSponsorFileMax) {
    *error = path + " is larger than 16 MB";
    return false;
  }
  const TextDecoding decoding = DecodeLogText(text);
  if (!decoding.note.empty()) std::fprintf(stderr, "%s: %s\n", path.c_str(), decoding.note.c_str());
  return true;
}

}  // namespace tarno::score
