#include "crosscheck/rankings.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <tuple>
#include <unordered_map>

#include "contest/ascii_text.h"
#include "contest/county_rules.h"
#include "crosscheck/sponsor_text.h"

namespace tarno::score {
namespace {

constexpr int kDeciding[] = {kOperatorField, kModeField, kBandField, kPowerField};

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

CategoryTable DefaultTable(const Placement& placed, const std::string& homeCountry) {
  CategoryTable table;
  table.name = DefaultName(placed, homeCountry);
  for (int field : kDeciding) table.values.emplace_back(field, placed.values[field]);
  table.home = placed.home ? 1 : 0;
  return table;
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

// Places one ranked row after another in its table, then numbers the places.
class Placer {
 public:
  Placer(const ContestSet& set, const SponsorFiles& files, const CountryFile& countries,
         std::vector<FileProblem>* notes)
      : m_set(set), m_files(files), m_countries(countries), m_notes(notes) {
    for (const char* call : {"HA1A", "HG1A"}) {
      const CountryInfo home = countries.Lookup(call);
      if (home.found) m_homeCountries.insert(home.entity);
    }
    m_homeName = m_homeCountries.empty() ? "home" : *m_homeCountries.begin();
    for (const EntrantCorrection& entrant : files.entrants) m_corrections[entrant.call] = &entrant;
    m_deciding = DecidingFields(files.rules);
    for (const CategoryRule& rule : files.rules) {
      CategoryTable table;
      table.name = rule.name;
      m_standings.tables.push_back(std::move(table));
    }
  }

  void Place(size_t r, RankedLog* row) {
    const EntrantLog& log = m_set.logs[row->log];
    const Placement placed = Describe(log, row);
    if (!placed.named && placed.values[kOperatorField] == "CHECKLOG") {
      row->category = "CHECKLOG";
      m_standings.unranked.push_back(r);
    } else if (m_files.rules.empty()) {
      auto [table, fresh] = m_defaultTables.emplace(KeyOf(placed), m_standings.tables.size());
      if (fresh) m_standings.tables.push_back(DefaultTable(placed, m_homeName));
      m_standings.tables[table->second].rows.push_back(r);
    } else if (const CategoryRule* rule = RuleFor(placed)) {
      m_standings.tables[static_cast<size_t>(rule - m_files.rules.data())].rows.push_back(r);
    } else {
      m_notes->push_back({log.file, "fits no published category; not ranked", false});
      m_standings.unranked.push_back(r);
    }
  }

  // The tables in the order published, none empty, their places numbered; the unranked by
  // call; every correction that named no log told.
  Standings Finish(std::vector<RankedLog>* ranking) {
    for (const EntrantCorrection& entrant : m_files.entrants) {
      if (m_corrections.count(entrant.call)) {
        m_notes->push_back({"entrants file line " + std::to_string(entrant.line),
                            "no log of " + entrant.call + " was checked", false});
      }
    }
    std::vector<CategoryTable>& tables = m_standings.tables;
    if (m_files.rules.empty()) {
      std::vector<CategoryTable> ordered;
      for (const auto& [key, index] : m_defaultTables) ordered.push_back(tables[index]);
      tables = std::move(ordered);
    }
    tables.erase(std::remove_if(tables.begin(), tables.end(),
                                [](const CategoryTable& table) { return table.rows.empty(); }),
                 tables.end());
    for (CategoryTable& table : tables) NumberPlaces(m_set, ranking, &table);
    std::sort(m_standings.unranked.begin(), m_standings.unranked.end(), [&](size_t a, size_t b) {
      return m_set.logs[(*ranking)[a].log].call < m_set.logs[(*ranking)[b].log].call;
    });
    return std::move(m_standings);
  }

 private:
  // Who the entrant is (into `row`) and the values it is placed by: the header's, as the
  // sponsor corrects them; told where they cannot be told as given.
  Placement Describe(const EntrantLog& log, RankedLog* row) {
    const CountryInfo info = m_countries.Lookup(log.call);
    row->country = info.entity;
    row->continent = info.continent;
    row->name = log.header.name;
    row->club = log.header.club;
    Placement placed;
    placed.values = log.header.values;
    placed.home = info.found && m_homeCountries.count(info.entity) > 0;
    row->home = placed.home;
    std::array<bool, kCategoryFieldCount> corrected{};
    auto correction = m_corrections.find(log.call);
    if (correction != m_corrections.end()) {
      const EntrantCorrection& entrant = *correction->second;
      if (!entrant.name.empty()) row->name = entrant.name;
      if (!entrant.club.empty()) row->club = entrant.club;
      placed.named = RuleNamed(m_files.rules, entrant.category);
      std::array<std::string, kCategoryFieldCount> values;
      if (!placed.named && CorrectedValues(entrant.category, &values)) {
        for (int field = 0; field < kCategoryFieldCount; ++field) {
          corrected[field] = !values[field].empty();
          if (corrected[field]) placed.values[field] = values[field];
        }
      }
      m_corrections.erase(correction);
    }
    NoteValues(log, placed, m_deciding, corrected, m_notes);
    return placed;
  }

  // The category a correction names, else the first that takes the log; null for none.
  const CategoryRule* RuleFor(const Placement& placed) const {
    if (placed.named) return placed.named;
    for (const CategoryRule& rule : m_files.rules) {
      if (Fits(rule, placed.values, placed.home)) return &rule;
    }
    return nullptr;
  }

  const ContestSet& m_set;
  const SponsorFiles& m_files;
  const CountryFile& m_countries;
  std::vector<FileProblem>* m_notes;
  std::set<std::string> m_homeCountries;
  std::string m_homeName;
  std::unordered_map<std::string, const EntrantCorrection*> m_corrections;  // not yet used
  std::vector<int> m_deciding;
  std::map<DefaultKey, size_t> m_defaultTables;
  Standings m_standings;
};

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
  Placer placer(set, files, countries, notes);
  for (size_t r = 0; r < ranking->size(); ++r) placer.Place(r, &(*ranking)[r]);
  return placer.Finish(ranking);
}

}  // namespace tarno::score
