#include "crosscheck/rankings.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>
#include <unordered_map>

#include "contest/ascii_text.h"
#include "contest/county_rules.h"
#include "logs/log_file.h"

namespace tarno::score {
namespace {

constexpr size_t kSponsorFileMax = 16 << 20;
constexpr int kDeciding[] = {kOperatorField, kModeField, kBandField, kPowerField};

bool ReadSponsorFile(const std::string& path, std::string* text, std::string* error) {
  if (!ReadRegularFile(path, text, error)) return false;
  if (text->size() <= kSponsorFileMax) return true;
  *error = path + " is larger than 16 MB";
  return false;
}

const CategoryRule* RuleNamed(const std::vector<CategoryRule>& rules, const std::string& name) {
  for (const CategoryRule& rule : rules) {
    if (EqualsIgnoringCase(rule.name, name)) return &rule;
  }
  return nullptr;
}

// The fields a correction's Cabrillo values set; false when a word is none or a field
// is set twice.
bool CorrectedValues(const std::string& category,
                     std::array<std::string, kCategoryFieldCount>* values) {
  std::array<bool, kCategoryFieldCount> set{};
  std::string word;
  for (size_t at = 0; at <= category.size(); ++at) {
    if (at < category.size() && !IsAsciiBlank(category[at])) {
      word += category[at];
      continue;
    }
    if (word.empty()) continue;
    const int field = FieldOfValue(word);
    if (field < 0 || set[field]) return false;
    set[field] = true;
    (*values)[field] = UpperAscii(word);
    word.clear();
  }
  return true;
}

bool CheckCorrections(const SponsorFiles& files, const std::string& path, std::string* error) {
  std::unordered_map<std::string, int> lineOf;
  for (const EntrantCorrection& entrant : files.entrants) {
    auto [seen, fresh] = lineOf.emplace(entrant.call, entrant.line);
    std::array<std::string, kCategoryFieldCount> values;
    std::string message;
    if (!fresh) {
      message = entrant.call + " is corrected on line " + std::to_string(seen->second) + " too";
    } else if (!entrant.category.empty() && !RuleNamed(files.rules, entrant.category) &&
               !CorrectedValues(entrant.category, &values)) {
      message = "\"" + entrant.category +
                "\" is neither a published category nor Cabrillo category values, one a field";
    }
    if (message.empty()) continue;
    *error = path + ": line " + std::to_string(entrant.line) + ": " + message;
    return false;
  }
  return true;
}

struct Placement {
  std::array<std::string, kCategoryFieldCount> values;
  const CategoryRule* named = nullptr;  // the correction names the category itself
  bool home = false;
};

std::string ValueText(int field, const std::string& value) {
  return value.empty() ? std::string(CategoryKey(field)) + " not given" : value;
}

// What the sponsor should know about the values a log is placed by.
void NoteValues(const EntrantLog& log, const Placement& placed, const std::vector<int>& deciding,
                const std::array<bool, kCategoryFieldCount>& corrected,
                std::vector<FileProblem>* notes) {
  if (placed.named) return;
  if (!log.header.present) {
    bool any = false;
    for (int field : deciding) any = any || corrected[field];
    if (!any) notes->push_back({log.file, "has no header: its categories are not given", false});
    return;
  }
  for (int field = 0; field < kCategoryFieldCount; ++field) {
    if (corrected[field]) continue;
    const std::string& unknown = log.header.unknown[field];
    const bool decides = std::find(deciding.begin(), deciding.end(), field) != deciding.end();
    if (!unknown.empty()) {
      notes->push_back({log.file,
                        std::string(CategoryTag(field)) + ": \"" + unknown +
                            "\" is no Cabrillo value; shown as not given",
                        false});
    } else if (decides && placed.values[field].empty()) {
      notes->push_back(
          {log.file, std::string("no ") + CategoryTag(field) + ": shown as not given", false});
    }
  }
}

std::vector<int> DecidingFields(const std::vector<CategoryRule>& rules) {
  if (rules.empty()) return {std::begin(kDeciding), std::end(kDeciding)};
  std::vector<int> fields = {kOperatorField};
  for (int field = 1; field < kCategoryFieldCount; ++field) {
    for (const CategoryRule& rule : rules) {
      if (!rule.accepts[field].empty()) {
        fields.push_back(field);
        break;
      }
    }
  }
  return fields;
}

using DefaultKey = std::tuple<bool, int, int, int, int>;  // foreign, operator, mode, band, power

DefaultKey KeyOf(const Placement& placed) {
  auto order = [&](int field) { return ValueOrder(field, placed.values[field]); };
  return {!placed.home, order(kOperatorField), order(kModeField), order(kBandField),
          order(kPowerField)};
}

std::string DefaultName(const Placement& placed, const std::string& homeCountry) {
  std::string name;
  for (int field : kDeciding) {
    name += (name.empty() ? "" : " ") + ValueText(field, placed.values[field]);
  }
  return name + (placed.home ? ", " + homeCountry : ", outside " + homeCountry);
}

void NumberPlaces(const ContestSet& set, std::vector<RankedLog>* ranking, CategoryTable* table) {
  for (size_t i = 0; i < table->rows.size(); ++i) {
    RankedLog& row = (*ranking)[table->rows[i]];
    const bool tie =
        i > 0 && set.logs[row.log].checked == set.logs[(*ranking)[table->rows[i - 1]].log].checked;
    row.categoryRank = tie ? (*ranking)[table->rows[i - 1]].categoryRank : static_cast<int>(i + 1);
    row.category = table->name;
  }
}

}  // namespace

bool LoadSponsorFiles(const std::string& categoriesPath, const std::string& entrantsPath,
                      SponsorFiles* files, std::string* error) {
  std::string text, reason;
  if (!categoriesPath.empty()) {
    if (!ReadSponsorFile(categoriesPath, &text, error)) return false;
    if (!ParseCategories(text, &files->rules, &reason)) {
      *error = categoriesPath + ": " + reason;
      return false;
    }
  }
  if (!entrantsPath.empty()) {
    if (!ReadSponsorFile(entrantsPath, &text, error)) return false;
    if (!ParseEntrants(text, &files->entrants, &reason)) {
      *error = entrantsPath + ": " + reason;
      return false;
    }
  }
  return CheckCorrections(*files, entrantsPath, error);
}

Standings PlaceInCategories(const ContestSet& set, const SponsorFiles& files,
                            const CountryFile& countries, std::vector<RankedLog>* ranking,
                            std::vector<FileProblem>* notes) {
  std::set<std::string> homeCountries;
  for (const char* prefix : {"HA1A", "HG1A"}) {
    const CountryInfo home = countries.Lookup(prefix);
    if (home.found) homeCountries.insert(home.entity);
  }
  const std::string homeName = homeCountries.empty() ? "home" : *homeCountries.begin();
  std::unordered_map<std::string, const EntrantCorrection*> corrections;
  for (const EntrantCorrection& entrant : files.entrants) corrections[entrant.call] = &entrant;
  const std::vector<int> deciding = DecidingFields(files.rules);

  Standings standings;
  standings.tables.resize(files.rules.size());
  for (size_t i = 0; i < files.rules.size(); ++i) standings.tables[i].name = files.rules[i].name;
  std::map<DefaultKey, size_t> defaultTables;
  for (size_t r = 0; r < ranking->size(); ++r) {
    RankedLog& row = (*ranking)[r];
    const EntrantLog& log = set.logs[row.log];
    const CountryInfo info = countries.Lookup(log.call);
    row.country = info.entity;
    row.continent = info.continent;
    row.name = log.header.name;
    row.club = log.header.club;
    Placement placed;
    placed.values = log.header.values;
    placed.home = info.found && homeCountries.count(info.entity) > 0;
    std::array<bool, kCategoryFieldCount> corrected{};
    auto correction = corrections.find(log.call);
    if (correction != corrections.end()) {
      const EntrantCorrection& entrant = *correction->second;
      if (!entrant.name.empty()) row.name = entrant.name;
      if (!entrant.club.empty()) row.club = entrant.club;
      placed.named = RuleNamed(files.rules, entrant.category);
      std::array<std::string, kCategoryFieldCount> values;
      if (!placed.named && CorrectedValues(entrant.category, &values)) {
        for (int field = 0; field < kCategoryFieldCount; ++field) {
          corrected[field] = !values[field].empty();
          if (corrected[field]) placed.values[field] = values[field];
        }
      }
      corrections.erase(correction);
    }
    NoteValues(log, placed, deciding, corrected, notes);
    if (!placed.named && placed.values[kOperatorField] == "CHECKLOG") {
      row.category = "CHECKLOG";
      standings.unranked.push_back(r);
      continue;
    }
    if (files.rules.empty()) {
      auto [table, fresh] = defaultTables.emplace(KeyOf(placed), standings.tables.size());
      if (fresh) standings.tables.push_back({DefaultName(placed, homeName), {}});
      standings.tables[table->second].rows.push_back(r);
      continue;
    }
    const CategoryRule* rule = placed.named;
    for (size_t i = 0; !rule && i < files.rules.size(); ++i) {
      if (Fits(files.rules[i], placed.values, placed.home)) rule = &files.rules[i];
    }
    if (!rule) {
      notes->push_back({log.file, "fits no published category; not ranked", false});
      standings.unranked.push_back(r);
      continue;
    }
    standings.tables[static_cast<size_t>(rule - files.rules.data())].rows.push_back(r);
  }
  for (const EntrantCorrection& entrant : files.entrants) {
    if (corrections.count(entrant.call)) {
      notes->push_back({"entrants file line " + std::to_string(entrant.line),
                        "no log of " + entrant.call + " was checked", false});
    }
  }
  if (files.rules.empty()) {
    std::vector<CategoryTable> ordered;
    for (const auto& [key, index] : defaultTables) ordered.push_back(standings.tables[index]);
    standings.tables = std::move(ordered);
  }
  standings.tables.erase(
      std::remove_if(standings.tables.begin(), standings.tables.end(),
                     [](const CategoryTable& table) { return table.rows.empty(); }),
      standings.tables.end());
  for (CategoryTable& table : standings.tables) NumberPlaces(set, ranking, &table);
  std::sort(standings.unranked.begin(), standings.unranked.end(), [&](size_t a, size_t b) {
    return set.logs[(*ranking)[a].log].call < set.logs[(*ranking)[b].log].call;
  });
  return standings;
}

}  // namespace tarno::score
