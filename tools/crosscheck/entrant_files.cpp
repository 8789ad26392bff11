#include "crosscheck/entrant_files.h"

#include <filesystem>
#include <fstream>

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

std::vector<uint32_t> RivalsOf(const ContestSet& set, const std::vector<RankedLog>& ranking) {
  std::vector<uint32_t> rivals(set.logs.size(), kNoRecord);
  for (size_t i = 0; i < ranking.size(); ++i) {
    if (i > 0) {
      rivals[ranking[i].log] = ranking[i - 1].log;
    } else if (ranking.size() > 1) {
      rivals[ranking[i].log] = ranking[1].log;
    }
  }
  return rivals;
}

bool WriteEntrantFiles(const ContestSet& set, const std::vector<RankedLog>& ranking,
                       const CountryFile& countries, const ReportContext& context,
                       const std::string& folder, std::string* error) {
  const std::vector<std::vector<uint32_t>> copiedWrong = CopiedWrongByLog(set);
  const std::vector<uint32_t> rivals = RivalsOf(set, ranking);
  std::vector<int> rankOf(set.logs.size(), 0);
  for (const RankedLog& ranked : ranking) rankOf[ranked.log] = ranked.rank;
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
    page.rank = rankOf[i];
    page.rival = rivals[i];
    EntrantScore rivalScore;
    if (page.rival != kNoRecord) {
      rivalScore = ScoreOf(set, page.rival, context.dropUniques, &worth);
      page.rivalScore = &rivalScore;
      page.rivalAbove = rankOf[page.rival] <= rankOf[i];
    }
    if (!WriteFile(fs::path(folder) / PageFileName(report), EntrantPage(set, page, context),
                   error)) {
      return false;
    }
  }
  return true;
}

}  // namespace tarno::score
