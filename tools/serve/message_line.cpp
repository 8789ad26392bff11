#include "serve/message_line.h"

#include <utility>

namespace tarno::score {
namespace {

// A message is kMark and its key, then per value kPlain or kNested, its name, kIs, the
// length of its text in decimal, ':' and the text as it is. The lengths, not a byte the
// text might hold, say where each value ends, so that no text, a log's included, can pass
// for structure, and a nested message is kept at its own size.
constexpr char kIs = '\x1C';
constexpr char kNested = '\x1D';
constexpr char kMark = '\x1E';
constexpr char kPlain = '\x1F';
constexpr int kDeepest = 4;  // the robot nests three deep; a damaged line goes no further

void AppendValue(char kind, std::string_view name, std::string_view text, std::string* line) {
  std::string value(text);
  for (char& c : value) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  *line += kind;
  line->append(name);
  *line += kIs;
  *line += std::to_string(value.size());
  *line += ':';
  *line += value;
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
    size_t length = 0;
    for (at = is + 1; at < line.size() && line[at] >= '0' && line[at] <= '9'; ++at)
      length = length < line.size() ? length * 10 + static_cast<size_t>(line[at] - '0') : length;
    if (at >= line.size() || line[at] != ':') break;
    const std::string_view text = line.substr(at + 1, length);
    at += 1 + text.size();
    values.emplace_back(name, !nested            ? std::string(text)
                              : depth < kDeepest ? Shown(words, text, depth + 1)
                                                 : std::string());
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
