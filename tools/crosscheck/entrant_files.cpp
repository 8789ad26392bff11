#include "crosscheck/entrant_files.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "crosscheck/entrant_page.h"
#include "crosscheck/entrant_score.h"
#include "crosscheck/entrant_standing.h"

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

// What every writer thread shares; read only.
struct Shared {
  const ContestSet& set;
  const ReportContext& context;
  const std::string& folder;
  std::vector<std::vector<uint32_t>> copiedWrong;
  ContestStanding standing;
  std::vector<const RankedLog*> rowOf;
  std::vector<const CategoryTable*> tableOf;
  std::vector<PageLanguage> pages;
};

bool WriteOne(const Shared& shared, uint32_t i, QsoWorth* worth, std::string* error) {
  const ContestSet& set = shared.set;
  const EntrantScore score =
      ScoreOf(set, i, shared.context.dropUniques, worth, &shared.context.penalty);
  const std::string report = ReportFileName(set.logs[i].call);
  if (!WriteFile(fs::path(shared.folder) / report,
                 EntrantReport(set, i, shared.copiedWrong[i], score, shared.context), error)) {
    return false;
  }
  EntrantPageInput input;
  input.log = i;
  input.score = &score;
  if (shared.rowOf[i]) input.row = *shared.rowOf[i];
  input.table = shared.tableOf[i];
  input.contest = &shared.standing;
  input.copiedWrong = &shared.copiedWrong[i];
  const uint32_t rival = shared.standing.byLog[i].rival;
  EntrantScore rivalScore;
  if (rival != kNoRecord) {
    rivalScore = ScoreOf(set, rival, shared.context.dropUniques, worth, &shared.context.penalty);
    input.rivalScore = &rivalScore;
  }
  for (const PageLanguage& page : shared.pages) {
    if (!WriteFile(fs::path(shared.folder) / page.Folder() / PageFileName(report),
                   EntrantPage(page, set, input, shared.context), error)) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool WriteEntrantFiles(const ContestSet& set, const std::vector<RankedLog>& ranking,
                       const Standings& standings, const CountryFile& countries,
                       const ReportContext& context, const std::string& folder, Progress* progress,
                       std::string* error) {
  Shared shared{set,
                context,
                folder,
                CopiedWrongByLog(set),
                StandingOf(set, ranking, countries, context.dropUniques, context.threads),
                std::vector<const RankedLog*>(set.logs.size(), nullptr),
                std::vector<const CategoryTable*>(set.logs.size(), nullptr),
                {}};
  for (const RankedLog& row : ranking) shared.rowOf[row.log] = &row;
  for (const CategoryTable& table : standings.tables) {
    for (size_t row : table.rows) shared.tableOf[ranking[row].log] = &table;
  }
  for (Language language : kLanguages) {
    shared.pages.push_back(PagesIn(language, context.title));
    std::error_code made;
    fs::create_directories(fs::path(folder) / shared.pages.back().Folder(), made);
  }
  std::atomic<size_t> next{0}, done{0};
  std::atomic<bool> failed{false};
  std::mutex firstError;
  auto work = [&] {
    QsoWorth worth(countries);
    std::string reason;
    for (size_t i; !failed && (i = next++) < set.logs.size();) {
      const bool written =
          !set.logs[i].used || WriteOne(shared, static_cast<uint32_t>(i), &worth, &reason);
      progress->Show("writing reports", ++done, set.logs.size());
      if (written) continue;
      std::lock_guard<std::mutex> hold(firstError);
      if (!failed.exchange(true)) *error = reason;
    }
  };
  std::vector<std::thread> threads;
  for (int t = 1; t < context.threads; ++t) threads.emplace_back(work);
  work();
  for (std::thread& thread : threads) thread.join();
  progress->Finish();
  return !failed;
}

}  // namespace tarno::score
