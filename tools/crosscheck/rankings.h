#ifndef TARNO_TOOLS_CROSSCHECK_RANKINGS_H_
#define TARNO_TOOLS_CROSSCHECK_RANKINGS_H_

// The published categories and each entrant's place in its own: from the logs' headers,
// the sponsor's categories file and corrections, and the country file (home stations
// and foreign stations are ranked apart).

#include <string>
#include <vector>

#include "crosscheck/categories.h"
#include "crosscheck/contest_set.h"
#include "crosscheck/result_table.h"
#include "logs/country_file.h"

namespace tarno::score {

struct SponsorFiles {
  std::vector<CategoryRule> rules;  // empty: one category per operator, mode, band, power
  std::vector<EntrantCorrection> entrants;
};

// Reads --categories and --entrants (either path may be empty); false with the file, the
// line and the reason. A correction's category must be a category the file names or
// Cabrillo values, at most one per field.
bool LoadSponsorFiles(const std::string& categoriesPath, const std::string& entrantsPath,
                      SponsorFiles* files, std::string* error);

struct CategoryTable {
  std::string name;
  std::vector<size_t> rows;  // indexes in the ranking, by place in the category
  // A category of its values alone (no --categories): the fields that name it, each with
  // the value it takes ("" where not given), and whether it ranks home stations (1) or
  // foreign ones (0); -1 for a category the sponsor named.
  std::vector<std::pair<int, std::string>> values;
  int home = -1;
};

struct Standings {
  std::vector<CategoryTable> tables;  // in the order they are published, none empty
  std::vector<size_t> unranked;       // CHECKLOGs and logs in no category, by call
};

// Fills each row's category, categoryRank, country, continent, name and club, and returns
// the category tables. Equal checked scores share a place; within it, by call. Every log
// whose category cannot be told as given (a missing or unknown value, no header, no fitting
// category), and every correction naming no log, is told in `notes`.
Standings PlaceInCategories(const ContestSet& set, const SponsorFiles& files,
                            const CountryFile& countries, std::vector<RankedLog>* ranking,
                            std::vector<FileProblem>* notes);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_RANKINGS_H_
