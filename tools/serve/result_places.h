#ifndef TARNO_TOOLS_SERVE_RESULT_PLACES_H_
#define TARNO_TOOLS_SERVE_RESULT_PLACES_H_

// Each entrant's place as a published check's results.csv gives it, for the mail that
// tells the entrant the results are out. Pure; any thread.

#include <map>
#include <string>
#include <string_view>

namespace tarno::score {

struct EntrantPlace {
  int rank = 0;          // overall; 0: not ranked
  int ranked = 0;        // logs ranked overall
  std::string category;  // the published category, "CHECKLOG", or empty for none
  int categoryRank = 0;  // 0: not ranked in a category
  int inCategory = 0;    // logs ranked in that category
  std::string checked;   // the checked score as the file writes it
};

// By call, upper case. Rows that are not whole (a short row, a rank that is no number) are
// left out: a mail then says the log has no place rather than a wrong one.
std::map<std::string, EntrantPlace> PlacesOfResults(std::string_view csv);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_RESULT_PLACES_H_
