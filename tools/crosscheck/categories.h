#ifndef TARNO_TOOLS_CROSSCHECK_CATEGORIES_H_
#define TARNO_TOOLS_CROSSCHECK_CATEGORIES_H_

// What an entrant says it is: the category lines, NAME and CLUB of its Cabrillo header;
// and the sponsor's categories file, which names the published categories. Pure functions
// over text: any thread, nothing throws.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace tarno::score {

// The header's category lines, in the order the results name them.
enum CategoryField : int {
  kOperatorField,
  kPowerField,
  kModeField,
  kBandField,
  kTransmitterField,
  kAssistedField,
  kStationField,
  kOverlayField,
};
constexpr int kCategoryFieldCount = 8;

// "CATEGORY-OPERATOR", ...
const char* CategoryTag(int field);
// "operator", ... as the categories file names the field.
const char* CategoryKey(int field);
// The field a Cabrillo 3.0 category value belongs to (any case), or -1. No value belongs
// to two fields, so a value alone says which field it sets.
int FieldOfValue(std::string_view value);
// Where an upper-cased value stands in its field's list (the order results publish);
// past every value for "" and anything else.
int ValueOrder(int field, std::string_view value);

struct EntrantHeader {
  bool present = false;  // false: a log without a header (ADIF)
  // Upper-cased Cabrillo value; empty: not given (missing, empty or unknown).
  std::array<std::string, kCategoryFieldCount> values;
  // What the header held where it holds no Cabrillo value, as written; empty otherwise.
  std::array<std::string, kCategoryFieldCount> unknown;
  std::string name;  // NAME:, blanks collapsed, at most 80 bytes, cut between letters
  std::string club;  // CLUB:, likewise
};

// The header lines before the first QSO: line. A repeated line: the last one counts.
EntrantHeader ReadEntrantHeader(std::string_view cabrillo);

// A published category: the header values it takes, and whose stations.
struct CategoryRule {
  enum class Stations { kAll, kHome, kForeign };
  std::string name;
  Stations stations = Stations::kAll;
  int line = 0;  // where the categories file names it
  // Per field the values it takes, upper-cased; "" stands for "not given". Empty: any.
  std::array<std::vector<std::string>, kCategoryFieldCount> accepts;
};

// Whether a log with these values (and home or not) belongs to the category.
bool Fits(const CategoryRule& rule, const std::array<std::string, kCategoryFieldCount>& values,
          bool home);

// The categories file, in the order it publishes them:
//   # a comment
//   category: Single operator, high power, Hungary
//     stations: home
//     operator: SINGLE-OP
//     power: HIGH
// "category:" starts a category; the lines after it (any indent) say what it takes:
// "stations:" home, foreign or all (the default), and a field's key (operator, power, mode,
// band, transmitter, assisted, station, overlay) with the Cabrillo values it takes,
// parted by blanks or commas, NOT-GIVEN for a header without the line. A field not named
// takes any value. False with the line and the reason on anything else.
bool ParseCategories(std::string_view text, std::vector<CategoryRule>* rules, std::string* error);

// The sponsor's corrections, one entrant a line: call,category,name,club (CSV; quotes
// around a field that holds a comma; a first line "call,..." is a heading). The category
// is the name of a category the categories file gives, or Cabrillo values parted by
// blanks, which replace the header's for their fields; an empty field keeps what the header
// says.
struct EntrantCorrection {
  std::string call;  // upper-cased
  std::string category;
  std::string name;
  std::string club;
  int line = 0;
};
bool ParseEntrants(std::string_view text, std::vector<EntrantCorrection>* entrants,
                   std::string* error);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_CATEGORIES_H_
