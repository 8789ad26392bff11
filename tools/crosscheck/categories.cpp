#include "crosscheck/categories.h"

#include "contest/ascii_text.h"
#include "crosscheck/sponsor_text.h"
#include "logs/cabrillo_vocabulary.h"
#include "logs/log_text.h"

namespace tarno::score {
namespace {

struct FieldInfo {
  const char* tag;
  const char* key;
};

const FieldInfo kFields[kCategoryFieldCount] = {
    {"CATEGORY-OPERATOR", "operator"},
    {"CATEGORY-POWER", "power"},
    {"CATEGORY-MODE", "mode"},
    {"CATEGORY-BAND", "band"},
    {"CATEGORY-TRANSMITTER", "transmitter"},
    {"CATEGORY-ASSISTED", "assisted"},
    {"CATEGORY-STATION", "station"},
    {"CATEGORY-OVERLAY", "overlay"},
};

// Cabrillo 3.0's values of a field, in the format's order; the plug-in's dialog writes a
// few of them.
ValueList ValuesOf(int field) { return FindTagRule(kFields[field].tag)->choices; }

constexpr size_t kPersonalMax = 80;
constexpr size_t kRulesMax = 1000;
constexpr size_t kNameMax = 120;

bool IsValueOf(int field, std::string_view upper) {
  return Contains(ValuesOf(field), upper, false);
}

// Blanks collapsed and control characters blanked: a header field is one short line.
std::string PersonalField(std::string_view text) {
  std::string out;
  for (char c : PrintableField(text)) {
    if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
    out += c;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  out.resize(Utf8PrefixLength(out, kPersonalMax));  // never half a letter
  return out;
}

std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text) {
    if (c == ',' || IsAsciiBlank(c)) {
      if (!word.empty()) words.push_back(UpperAscii(word));
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(UpperAscii(word));
  return words;
}

bool ApplyRuleLine(std::string_view key, std::string_view value, int number, CategoryRule* rule,
                   std::string* error) {
  if (key == "stations") {
    const std::string upper = UpperAscii(TrimAscii(value));
    if (upper == "HOME") {
      rule->stations = CategoryRule::Stations::kHome;
    } else if (upper == "FOREIGN") {
      rule->stations = CategoryRule::Stations::kForeign;
    } else if (upper == "ALL") {
      rule->stations = CategoryRule::Stations::kAll;
    } else {
      *error = At(number, "stations: takes home, foreign or all, not \"" + OneLine(value) + "\"");
      return false;
    }
    return true;
  }
  for (int field = 0; field < kCategoryFieldCount; ++field) {
    if (key != kFields[field].key) continue;
    std::vector<std::string>& accepts = rule->accepts[field];
    for (const std::string& word : Words(value)) {
      if (word == "NOT-GIVEN") {
        accepts.push_back("");
      } else if (IsValueOf(field, word)) {
        accepts.push_back(word);
      } else {
        *error = At(number, "\"" + OneLine(word) + "\" is no " + kFields[field].tag + " value");
        return false;
      }
    }
    if (accepts.empty()) {
      *error = At(number, std::string(kFields[field].key) + ": names no value");
      return false;
    }
    return true;
  }
  *error = At(number, "\"" + OneLine(key) + ":\" is not category:, stations: or a field");
  return false;
}

}  // namespace

const char* CategoryTag(int field) { return kFields[field].tag; }
const char* CategoryKey(int field) { return kFields[field].key; }

int FieldOfValue(std::string_view value) {
  const std::string upper = UpperAscii(TrimAscii(value));
  for (int field = 0; field < kCategoryFieldCount; ++field) {
    if (IsValueOf(field, upper)) return field;
  }
  return -1;
}

int ValueOrder(int field, std::string_view value) {
  const ValueList values = ValuesOf(field);
  size_t order = 0;
  while (order < values.count && values.values[order] != value) ++order;
  return static_cast<int>(order);
}

EntrantHeader ReadEntrantHeader(std::string_view cabrillo) {
  EntrantHeader header;
  header.present = true;
  ForEachLine(cabrillo, [&](std::string_view line, int) {
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) return true;
    const std::string tag = UpperAscii(TrimAscii(line.substr(0, colon)));
    const std::string_view value = TrimAscii(line.substr(colon + 1));
    if (tag == "QSO" || tag == "END-OF-LOG") return false;
    if (tag == "NAME") header.name = PersonalField(value);
    if (tag == "CLUB") header.club = PersonalField(value);
    for (int field = 0; field < kCategoryFieldCount; ++field) {
      if (tag != kFields[field].tag) continue;
      const std::string upper = UpperAscii(value);
      const bool known = IsValueOf(field, upper);
      header.values[field] = known ? upper : std::string();
      header.unknown[field] = known ? std::string() : PersonalField(value);
    }
    return true;
  });
  return header;
}

bool Fits(const CategoryRule& rule, const std::array<std::string, kCategoryFieldCount>& values,
          bool home) {
  if (rule.stations == CategoryRule::Stations::kHome && !home) return false;
  if (rule.stations == CategoryRule::Stations::kForeign && home) return false;
  for (int field = 0; field < kCategoryFieldCount; ++field) {
    const std::vector<std::string>& accepts = rule.accepts[field];
    if (accepts.empty()) continue;
    bool found = false;
    for (const std::string& value : accepts) found = found || value == values[field];
    if (!found) return false;
  }
  return true;
}

bool ParseCategories(std::string_view text, std::vector<CategoryRule>* rules, std::string* error) {
  rules->clear();
  const bool parsed = ForEachLine(text, [&](std::string_view raw, int number) {
    const std::string_view line = TrimAscii(raw);
    if (line.empty() || line[0] == '#') return true;
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
      *error = At(number, "\"" + OneLine(line) + "\" is not \"key: value\"");
      return false;
    }
    const std::string key = LowerAscii(TrimAscii(line.substr(0, colon)));
    const std::string_view value = TrimAscii(line.substr(colon + 1));
    if (key == "category") {
      const std::string name = PersonalField(value);
      if (name.empty() || name.size() > kNameMax) {
        *error = At(number, "a category needs a name of 1 to 120 characters");
        return false;
      }
      for (const CategoryRule& rule : *rules) {
        if (EqualsIgnoringCase(rule.name, name)) {
          *error = At(number, "category \"" + name + "\" is named twice");
          return false;
        }
      }
      if (rules->size() >= kRulesMax) {
        *error = At(number, "more than 1000 categories");
        return false;
      }
      rules->emplace_back();
      rules->back().name = name;
      rules->back().line = number;
      return true;
    }
    if (rules->empty()) {
      *error = At(number, "\"" + OneLine(key) + ":\" before the first category:");
      return false;
    }
    return ApplyRuleLine(key, value, number, &rules->back(), error);
  });
  if (parsed && rules->empty()) *error = "names no category";
  return parsed && !rules->empty();
}

bool ParseEntrants(std::string_view text, std::vector<EntrantCorrection>* entrants,
                   std::string* error) {
  entrants->clear();
  std::vector<std::string> fields;
  return ForEachLine(text, [&](std::string_view line, int number) {
    if (TrimAscii(line).empty() || TrimAscii(line)[0] == '#') return true;
    if (!CsvFields(line, &fields) || fields.size() != 4) {
      *error = At(number, "is not call,category,name,club");
      return false;
    }
    EntrantCorrection entrant;
    entrant.call = UpperAscii(TrimAscii(fields[0]));
    if (number == 1 && entrant.call == "CALL") return true;
    entrant.category = PersonalField(fields[1]);
    entrant.name = PersonalField(fields[2]);
    entrant.club = PersonalField(fields[3]);
    entrant.line = number;
    if (entrant.call.empty() || entrant.call.size() > 20) {
      *error = At(number, "names no call");
      return false;
    }
    entrants->push_back(std::move(entrant));
    return true;
  });
}

}  // namespace tarno::score
