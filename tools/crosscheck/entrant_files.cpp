#include "crosscheck/entrant_files.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
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

namespace {

// Each category's ranked logs in place order, each a chain: a log's page compares it with
// the one before it, the first's with the one after. Every log ranked in no category, or
// alone in it, is a chain of its own.
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
      chains.back().push_back(row->log);
      chained[row->log] = true;
    }
  }
  for (uint32_t i = 0; i < set.logs.size(); ++i) {
    if (set.logs[i].used && !chained[i]) chains.push_back({i});
  }
  return chains;
}

}  // namespace

std::vector<uint32_t> RivalsOf(const ContestSet& set, const std::vector<RankedLog>& ranking) {
  std::vector<uint32_t> rivals(set.logs.size(), kNoRecord);
  for (const std::vector<uint32_t>& chain : ChainsOf(set, ranking)) {
    for (size_t k = 0; k < chain.size(); ++k) {
      if (k > 0) {
        rivals[chain[k]] = chain[k - 1];
      } else if (chain.size() > 1) {
        rivals[chain[k]] = chain[1];
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
  std::vector<const RankedLog*> rowOf;
};

bool WriteOne(const Shared& shared, uint32_t i, const EntrantScore& score, uint32_t rival,
              const EntrantScore* rivalScore, std::string* error) {
  const ContestSet& set = shared.set;
  const std::string report = ReportFileName(set.logs[i].call);
  if (!WriteFile(fs::path(shared.folder) / report,
                 EntrantReport(set, i, shared.copiedWrong[i], score, shared.context), error)) {
    return false;
  }
  EntrantPageInput page;
  page.log = i;
  page.score = &score;
  if (shared.rowOf[i]) page.row = *shared.rowOf[i];
  page.rival = rival;
  if (rival != kNoRecord) {
    page.rivalScore = rivalScore;
    page.rivalAbove = PlaceOf(*shared.rowOf[rival]) <= PlaceOf(page.row);
  }
  return WriteFile(fs::path(shared.folder) / PageFileName(report),
                   EntrantPage(set, page, shared.context), error);
}

// A stretch [from, to) of a chain, written by one thread.
struct Stretch {
  const std::vector<uint32_t>* chain;
  size_t from;
  size_t to;
};

// Each log's score is worked out once, and kept while its neighbour's page needs it.
bool WriteStretch(const Shared& shared, const Stretch& stretch, QsoWorth* worth,
                  const std::function<void()>& written, std::string* error) {
  const std::vector<uint32_t>& chain = *stretch.chain;
  const auto scoreOf = [&](size_t k) {
    return ScoreOf(shared.set, chain[k], shared.context.dropUniques, worth,
                   &shared.context.penalty);
  };
  if (chain.size() == 1) {
    written();
    return WriteOne(shared, chain[0], scoreOf(0), kNoRecord, nullptr, error);
  }
  size_t k = stretch.from;
  EntrantScore before;  // the score of chain[k - 1]
  if (k == 0) {
    EntrantScore first = scoreOf(0);
    before = scoreOf(1);
    written();
    if (!WriteOne(shared, chain[0], first, chain[1], &before, error)) return false;
    if (stretch.to == 1) return true;
    written();
    if (!WriteOne(shared, chain[1], before, chain[0], &first, error)) return false;
    k = 2;
  } else {
    before = scoreOf(k - 1);
  }
  for (; k < stretch.to; ++k) {
    EntrantScore current = scoreOf(k);
    written();
    if (!WriteOne(shared, chain[k], current, chain[k - 1], &before, error)) return false;
    before = std::move(current);
  }
  return true;
}

}  // namespace

bool WriteEntrantFiles(const ContestSet& set, const std::vector<RankedLog>& ranking,
                       const CountryFile& countries, const ReportContext& context,
                       const std::string& folder, Progress* progress, std::string* error) {
  Shared shared{set, context, folder, CopiedWrongByLog(set),
                std::vector<const RankedLog*>(set.logs.size(), nullptr)};
  for (const RankedLog& row : ranking) shared.rowOf[row.log] = &row;
  // Long chains in stretches, so that the threads share the work; a stretch past the
  // first works out one score more, its first log's neighbour's.
  constexpr size_t kStretch = 64;
  const std::vector<std::vector<uint32_t>> chains = ChainsOf(set, ranking);
  std::vector<Stretch> stretches;
  size_t logs = 0;
  for (const std::vector<uint32_t>& chain : chains) {
    logs += chain.size();
    for (size_t from = 0; from < chain.size(); from += kStretch) {
      // A stretch of one log alone at the end goes with the one before, which holds its
      // neighbour's score anyway.
      size_t to = std::min(chain.size(), from + kStretch);
      if (chain.size() - to == 1) to = chain.size();
      stretches.push_back({&chain, from, to});
      from = to - kStretch;
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
