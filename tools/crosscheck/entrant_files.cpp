#include "crosscheck/entrant_files.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "crosscheck/entrant_charts.h"
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

int PlaceOf(const RankedLog& row) { return row.category.empty() ? row.rank : row.categoryRank; }

// Each category's ranked logs in place order, each a chain, so that a page's rival (mostly
// the log just above it) is the neighbour whose score its thread has just worked out. Every
// log ranked in no category, or alone in it, is a chain of its own.
std::vector<std::vector<uint32_t>> ChainsOf(const ContestSet& set,
                                            const std::vector<RankedLog>& ranking) {
  std::map<std::string, std::vector<const RankedLog*>> byCategory;
  std::vector<std::vector<uint32_t>> chains;
  std::vector<bool> chained(set.logs.size(), false);
  for (const RankedLog& row : ranking) {
    if (PlaceOf(row) > 0) byCategory[row.category].push_back(&row);
  }
  for (auto& [category, rows] : byCategory) {
    std::stable_sort(rows.begin(), rows.end(), [](const RankedLog* a, const RankedLog* b) {
      return PlaceOf(*a) < PlaceOf(*b);
    });
    chains.emplace_back();
    for (const RankedLog* row : rows) {
      if (chained[row->log]) continue;
      chains.back().push_back(row->log);
      chained[row->log] = true;
    }
  }
  for (uint32_t i = 0; i < set.logs.size(); ++i) {
    if (set.logs[i].used && !chained[i]) chains.push_back({i});
  }
  return chains;
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

EntrantScore ScoreOfLog(const Shared& shared, uint32_t log, QsoWorth* worth) {
  return ScoreOf(shared.set, log, shared.context.dropUniques, worth, &shared.context.penalty);
}

// `known` holds scores already worked out (the neighbours'); the rival's is taken from
// there when it is one of them.
bool WriteOne(const Shared& shared, uint32_t i, const EntrantScore& score,
              const std::vector<std::pair<uint32_t, const EntrantScore*>>& known, QsoWorth* worth,
              std::string* error) {
  const ContestSet& set = shared.set;
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
    for (const auto& [log, neighbour] : known) {
      if (log == rival) input.rivalScore = neighbour;
    }
    if (!input.rivalScore) {
      rivalScore = ScoreOfLog(shared, rival, worth);
      input.rivalScore = &rivalScore;
    }
  }
  const EntrantFigures figures = FiguresOf(set, input, shared.context.period);
  input.figures = &figures;
  for (const PageLanguage& page : shared.pages) {
    if (!WriteFile(fs::path(shared.folder) / page.Folder() / PageFileName(report),
                   EntrantPage(page, set, input, shared.context), error)) {
      return false;
    }
  }
  return true;
}

// A stretch [from, to) of a chain, written by one thread.
struct Stretch {
  const std::vector<uint32_t>* chain;
  size_t from;
  size_t to;
};

// Each log's score is worked out once, and kept while the next log's page may need it;
// the first of a chain, compared with the second, works the second's out first.
bool WriteStretch(const Shared& shared, const Stretch& stretch, QsoWorth* worth,
                  const std::function<void()>& written, std::string* error) {
  const std::vector<uint32_t>& chain = *stretch.chain;
  size_t k = stretch.from;
  EntrantScore before;  // the score of chain[k - 1]
  if (k > 0) before = ScoreOfLog(shared, chain[k - 1], worth);
  EntrantScore current = ScoreOfLog(shared, chain[k], worth);
  for (; k < stretch.to; ++k) {
    EntrantScore after;
    std::vector<std::pair<uint32_t, const EntrantScore*>> known;
    if (k > 0) known.emplace_back(chain[k - 1], &before);
    if (k + 1 < chain.size()) {
      after = ScoreOfLog(shared, chain[k + 1], worth);
      known.emplace_back(chain[k + 1], &after);
    }
    written();
    if (!WriteOne(shared, chain[k], current, known, worth, error)) return false;
    before = std::move(current);
    current = std::move(after);
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
  // Long chains in stretches, so that the threads share the work; a stretch past the
  // first works out one score more, its first log's neighbour's.
  constexpr size_t kStretch = 64;
  const std::vector<std::vector<uint32_t>> chains = ChainsOf(set, ranking);
  std::vector<Stretch> stretches;
  size_t logs = 0;
  for (const std::vector<uint32_t>& chain : chains) {
    logs += chain.size();
    for (size_t from = 0; from < chain.size(); from += kStretch) {
      stretches.push_back({&chain, from, std::min(chain.size(), from + kStretch)});
    }
  }
  std::atomic<size_t> next{0}, done{0};
  std::atomic<bool> failed{false};
  std::mutex firstError;
  auto work = [&] {
    QsoWorth worth(countries);
    std::string reason;
    const std::function<void()> written = [&] { progress->Show("writing reports", ++done, logs); };
    for (size_t i; !failed && (i = next++) < stretches.size();) {
      if (WriteStretch(shared, stretches[i], &worth, written, &reason)) continue;
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
