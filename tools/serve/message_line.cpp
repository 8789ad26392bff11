#include "serve/message_line.h"

#include <utility>

namespace tarno::score {
namespace {

// A message is kMark, its key, then per value kPlain or kNested, the name, kIs and the
// value's text, in which any of these bytes is written after kEscape. No text the robot
// keeps holds them otherwise, but a log may, and it must never pass for structure.
constexpr char kEscape = '\x1B';
constexpr char kIs = '\x1C';
constexpr char kNested = '\x1D';
constexpr char kMark = '\x1E';
constexpr char kPlain = '\x1F';
constexpr int kDeepest = 4;  // the robot nests three deep; a damaged line goes no further

bool Structural(char c) { return c >= kEscape && c <= kPlain; }

void AppendValue(char kind, std::string_view name, std::string_view text, std::string* line) {
  *line += kind;
  line->append(name);
  *line += kIs;
  for (char c : text) {
    if (c == '\n' || c == '\r') {
      *line += ' ';
      continue;
    }
    if (Structural(c)) *line += kEscape;
    *line += c;
  }
}

std::string Shown(const Catalogue& words, std::string_view line, int depth) {
  if (line.empty() || line.front() != kMark) return std::string(line);
  size_t at = line.find_first_of("\x1D\x1F", 1);
  if (at == std::string_view::npos) at = line.size();
  const std::string_view key = line.substr(1, at - 1);
  Values values;
  while (at < line.size()) {
    const bool nested = line[at++] == kNested;
    const size_t is = line.find(kIs, at);
    if (is == std::string_view::npos) break;
    const std::string_view name = line.substr(at, is - at);
    std::string text;
    for (at = is + 1; at < line.size() && line[at] != kPlain && line[at] != kNested; ++at) {
      if (line[at] == kEscape && at + 1 < line.size()) ++at;
      text += line[at];
    }
    if (nested) text = depth < kDeepest ? Shown(words, text, depth + 1) : std::string();
    values.emplace_back(name, std::move(text));
  }
  return words.Format(key, values);
}

}  // namespace

std::string MessageLine(std::string_view key, const Values& values, const Values& nested) {
  std::string line(1, kMark);
  line.append(key);
  for (const auto& [name, text] : values) AppendValue(kPlain, name, text, &line);
  for (const auto& [name, text] : nested) AppendValue(kNested, name, text, &line);
  return line;
}

std::string ShownLine(const Catalogue& words, std::string_view line) {
  return Shown(words, line, 0);
}

}  // namespace tarno::score
