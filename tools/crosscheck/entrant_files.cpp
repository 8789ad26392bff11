#include "crosscheck/entrant_files.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>

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

namespace {

// What every writer thread shares; read only.
struct Shared {
  const ContestSet& set;
  const ReportContext& context;
  const std::string& folder;
  std::vector<std::vector<uint32_t>> copiedWrong;
  std::vector<uint32_t> rivals;
  std::vector<const RankedLog*> rowOf;
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
  EntrantPageInput page;
  page.log = i;
  page.score = &score;
  if (shared.rowOf[i]) page.row = *shared.rowOf[i];
  page.rival = shared.rivals[i];
  EntrantScore rivalScore;
  if (page.rival != kNoRecord) {
    rivalScore =
        ScoreOf(set, page.rival, shared.context.dropUniques, worth, &shared.context.penalty);
    page.rivalScore = &rivalScore;
    page.rivalAbove = PlaceOf(*shared.rowOf[page.rival]) <= PlaceOf(page.row);
  }
  return WriteFile(fs::path(shared.folder) / PageFileName(report),
                   EntrantPage(set, page, shared.context), error);
}

}  // namespace

bool WriteEntrantFiles(const ContestSet& set, const std::vector<RankedLog>& ranking,
                       const CountryFile& countries, const ReportContext& context,
                       const std::string& folder, Progress* progress, std::string* error) {
  Shared shared{set,
                context,
                folder,
                CopiedWrongByLog(set),
                RivalsOf(set, ranking),
                std::vector<const RankedLog*>(set.logs.size(), nullptr)};
  for (const RankedLog& row : ranking) shared.rowOf[row.log] = &row;
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
