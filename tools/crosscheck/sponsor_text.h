#ifndef TARNO_TOOLS_CROSSCHECK_SPONSOR_TEXT_H_
#define TARNO_TOOLS_CROSSCHECK_SPONSOR_TEXT_H_

// What the sponsor's files (categories, entrants, rules, decisions) share: lines with their
// numbers for the messages, CSV fields, and a bound on their size. Pure functions; any
// thread.

#include <string>
#include <string_view>
#include <vector>

namespace tarno::score {

// Calls `each(line, number)` with every line; a line ends at LF, a CR before it dropped.
// Stops, returning false, when `each` does.
template <typename Each>
bool ForEachLine(std::string_view text, Each each) {
  int number = 0;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    at = end + 1;
    if (!each(line, ++number)) return false;
  }
  return true;
}

// "line 7: message".
std::string At(int line, const std::string& message);

// The fields of one CSV line (a field with a comma in quotes, "" for a quote in it); false
// on a quote left open.
bool CsvFields(std::string_view line, std::vector<std::string>* fields);

// A sponsor's file read whole; false with the reason when it cannot be read or is larger
// than 16 MB.
bool ReadSponsorFile(const std::string& path, std::string* text, std::string* error);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_SPONSOR_TEXT_H_
