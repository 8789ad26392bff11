#ifndef TARNO_TOOLS_REPLAY_CSV_CELL_H_
#define TARNO_TOOLS_REPLAY_CSV_CELL_H_

// The one way every CSV file the tools write makes a cell of a text.

#include <string>
#include <string_view>

namespace tarno::score {

// `text` as one CSV cell, quoted when it holds a comma, a quote or a line break (quotes
// doubled).
std::string CsvCell(std::string_view text);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_REPLAY_CSV_CELL_H_
