#include "replay/csv_cell.h"

#include "logs/log_text.h"

namespace tarno::score {

std::string CsvCell(std::string_view text) {
  std::string cell;
  if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos)
    cell = "'";
  if (IsValidUtf8(text)) {
    cell += text;
  } else {
    cell += ValidUtf8(text);
  }
  if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
  std::string quoted = "\"";
  for (char c : cell) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

void AppendCsvCell(std::string_view text, std::string* out) {
  const bool plain = (text.empty() || std::string_view("=+-@\t\r").find(text.front()) ==
                                          std::string_view::npos) &&
                     text.find_first_of(",\"\r\n") == std::string_view::npos && IsValidUtf8(text);
  if (plain) {
    out->append(text);
  } else {
    out->append(CsvCell(text));
  }
}

}  // namespace tarno::score
