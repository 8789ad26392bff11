#include "crosscheck/entrant_files.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "crosscheck/entrant_page.h"
#include "crosscheck/entrant_score.h"

namespace tarno::score {
namespace {

namespace fs = std::filesystem;

bool WriteFile(const fs::path& path, const std::string& text, std::string* error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (out) return true;
  *error = "cannot write " + path.string();
  return false;
}

}  // namespace

int PlaceOf(const RankedLog& row) { return row.category.empty() ? row.rank : row.categoryRank; }

std::vector<uint32_t> RivalsOf(const ContestSet& set, const std::vector<RankedLog>& ranking) {
  std::vector<uint32_t> rivals(set.logs.size(), kNoRecord);
  std::map<std::string, std::vector<const RankedLog*>> byCategory;
  for (const RankedLog& row : ranking) {
    if (PlaceOf(row) > 0) byCategory[row.category].push_back(&row);
  }
  for (auto& [category, rows] : byCategory) {
    std::stable_sort(rows.begin(), rows.end(), [](const RankedLog* a, const RankedLog* b) {
      return PlaceOf(*a) < PlaceOf(*b);
    });
    for (size_t i = 0; i < rows.size(); ++i) {
      if (i > 0) {
        rivals[rows[i]->log] = rows[i - 1]->log;
      } else if (rows.size() > 1) {
        rivals[rows[i]->log] = rows[1]->log;
      }
    }
  }
  return rivals;
}

bool WriteEntrantFiles(const ContestSet& set, const std::vector<RankedLog>& ranking,
                       const CountryFile& countries, const ReportContext& context,
                       const std::string& folder, std::string* error) {
  const std::vector<std::vector<uint32_t>> copiedWrong = CopiedWrongByLog(set);
  const std::vector<uint32_t> rivals = RivalsOf(set, ranking);
  std::vector<const RankedLog*> rowOf(set.logs.size(), nullptr);
  for (const RankedLog& row : ranking) rowOf[row.log] = &row;
  QsoWorth worth(countries);
  for (uint32_t i = 0; i < set.logs.size(); ++i) {
    if (!set.logs[i].used) continue;
    const EntrantScore score = ScoreOf(set, i, context.dropUniques, &worth);
    const std::string report = ReportFileName(set.logs[i].call);
    if (!WriteFile(fs::path(folder) / report, EntrantReport(set, i, copiedWrong[i], score, context),
                   error)) {
      return false;
    }
    EntrantPageInput page;
    page.log = i;
    page.score = &score;
    if (rowOf[i]) page.row = *rowOf[i];
    page.rival = rivals[i];
    EntrantScore rivalScore;
    if (page.rival != kNoRecord) {
      rivalScore = ScoreOf(set, page.rival, context.dropUniques, &worth);
      page.rivalScore = &rivalScore;
      page.rivalAbove = PlaceOf(*rowOf[page.rival]) <= PlaceOf(page.row);
    }
    if (!WriteFile(fs::path(folder) / PageFileName(report), EntrantPage(set, page, context),
                   error)) {
      return false;
    }
  }
  return true;
}

}  // namespace tarno::score
