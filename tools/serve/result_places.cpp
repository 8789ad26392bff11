#include "serve/result_places.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "contest/ascii_text.h"

namespace tarno::score {
namespace {

using Row = std::vector<std::string>;

// RFC 4180 rows: quoted cells may hold commas, doubled quotes and line breaks.
std::vector<Row> CsvRows(std::string_view csv) {
  std::vector<Row> rows;
  Row row;
  std::string cell;
  bool quoted = false;
  for (size_t i = 0; i < csv.size(); ++i) {
    const char c = csv[i];
    if (quoted) {
      if (c == '"' && i + 1 < csv.size() && csv[i + 1] == '"') {
        cell += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        cell += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      row.push_back(std::move(cell));
      cell.clear();
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < csv.size() && csv[i + 1] == '\n') ++i;
      row.push_back(std::move(cell));
      cell.clear();
      rows.push_back(std::move(row));
      row.clear();
    } else {
      cell += c;
    }
  }
  if (!cell.empty() || !row.empty()) {
    row.push_back(std::move(cell));
    rows.push_back(std::move(row));
  }
  return rows;
}

bool Count(const std::string& text, int* value) {
  if (text.empty()) {
    *value = 0;
    return true;
  }
  char* end = nullptr;
  const long number = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || number < 0 || number > 10000000) return false;
  *value = static_cast<int>(number);
  return true;
}

}  // namespace

std::map<std::string, EntrantPlace> PlacesOfResults(std::string_view csv) {
  std::map<std::string, EntrantPlace> places;
  const std::vector<Row> rows = CsvRows(csv);
  if (rows.empty()) return places;
  // The columns by their names: later columns are added at the end, never moved.
  int call = -1, checked = -1, rank = -1, category = -1, categoryRank = -1;
  for (size_t i = 0; i < rows[0].size(); ++i) {
    const std::string& name = rows[0][i];
    int* column = name == "call"            ? &call
                  : name == "checked"       ? &checked
                  : name == "rank"          ? &rank
                  : name == "category"      ? &category
                  : name == "category_rank" ? &categoryRank
                                            : nullptr;
    if (column) *column = static_cast<int>(i);
  }
  if (call < 0 || checked < 0 || rank < 0 || category < 0 || categoryRank < 0) return places;
  const size_t width =
      static_cast<size_t>(std::max({call, checked, rank, category, categoryRank}) + 1);
  std::map<std::string, int> inCategory;
  int ranked = 0;
  for (size_t r = 1; r < rows.size(); ++r) {
    const Row& row = rows[r];
    EntrantPlace place;
    if (row.size() < width || row[call].empty() || !Count(row[rank], &place.rank) ||
        !Count(row[categoryRank], &place.categoryRank)) {
      continue;
    }
    place.category = row[category];
    place.checked = row[checked];
    if (place.rank > 0) ++ranked;
    if (place.categoryRank > 0) ++inCategory[place.category];
    places[UpperAscii(row[call])] = place;
  }
  for (auto& [entrant, place] : places) {
    place.ranked = place.rank > 0 ? ranked : 0;
    place.inCategory = place.categoryRank > 0 ? inCategory[place.category] : 0;
  }
  return places;
}

}  // namespace tarno::score
