#ifndef TARNO_TOOLS_REPLAY_CSV_CELL_H_
#define TARNO_TOOLS_REPLAY_CSV_CELL_H_

// The one way every CSV file the tools write makes a cell of a text. Texts come from the
// logs of strangers, and a sponsor opens the file in a spreadsheet, which runs a cell that
// begins with = + - @, a tab or a carriage return as a formula: such a cell gets a leading
// apostrophe, which spreadsheets take for "this is text" and do not show. Numbers the
// tools count themselves are written as numbers, not through here.

#include <string>
#include <string_view>

namespace tarno::score {

// `text` as one CSV cell: neutralised as above, bytes that are not UTF-8 made U+FFFD, then
// quoted when it holds a comma, a quote or a line break (quotes doubled).
std::string CsvCell(std::string_view text);
// The same cell added to `out`; a text that needs nothing done, nearly every one, is
// copied straight in, without a string of its own.
void AppendCsvCell(std::string_view text, std::string* out);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_REPLAY_CSV_CELL_H_
