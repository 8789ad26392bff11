#include "crosscheck/entrant_standing.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <unordered_map>

#include "crosscheck/entrant_score.h"
#include "crosscheck/html_text.h"
#include "replay/html_text.h"

namespace tarno::score {
namespace {

constexpr size_t kSharingShown = 5;
// How far from an entrant NearestWorkers looks each way: every page looks, so a county
// that few worked must not cost a walk through the whole ranking.
constexpr size_t kNearestReach = 150;

int Count(const EntrantLog& log, Verdict verdict) { return log.counts[static_cast<int>(verdict)]; }

// Places among the ranked rows in the order of `ranking`, which is by checked score.
class Placing {
 public:
  Place Next(long long checked) {
    ++m_seen;
    if (m_seen == 1 || checked != m_lastScore) m_place = m_seen;
    m_lastScore = checked;
    return {m_place, 0};
  }
  int seen() const { return m_seen; }

 private:
  int m_seen = 0;
  int m_place = 0;
  long long m_lastScore = 0;
};

void PlaceEveryone(const ContestSet& set, const std::vector<RankedLog>& ranking,
                   ContestStanding* standing) {
  Placing overall, home, foreign;
  std::vector<const RankedLog*> ranked;
  for (const RankedLog& row : ranking) {
    if (row.categoryRank <= 0) continue;
    const long long checked = set.logs[row.log].checked;
    Standing& one = standing->byLog[row.log];
    one.overall = overall.Next(checked);
    one.group = (row.home ? home : foreign).Next(checked);
    ranked.push_back(&row);
  }
  for (const RankedLog* row : ranked) {
    Standing& one = standing->byLog[row->log];
    one.overall.of = overall.seen();
    one.group.of = (row->home ? home : foreign).seen();
  }
}

// Within one category's rows, in the order of their places: who shares a place, and whom
// each is compared with.
void CompareWithinCategory(const std::vector<const RankedLog*>& rows, ContestStanding* standing) {
  size_t runStart = 0;
  while (runStart < rows.size()) {
    size_t runEnd = runStart;
    while (runEnd < rows.size() && rows[runEnd]->categoryRank == rows[runStart]->categoryRank)
      ++runEnd;
    for (size_t i = runStart; i < runEnd; ++i) {
      Standing& one = standing->byLog[rows[i]->log];
      one.category = {rows[i]->categoryRank, static_cast<int>(rows.size())};
      one.sharingCount = static_cast<int>(runEnd - runStart - 1);
      for (size_t j = runStart; j < runEnd && one.sharing.size() < kSharingShown; ++j) {
        if (j != i) one.sharing.push_back(rows[j]->log);
      }
      if (runStart > 0) {
        one.rival = rows[runStart - 1]->log;
        one.rivalPlace = -1;
      } else if (runEnd < rows.size()) {
        one.rival = rows[runEnd]->log;
        one.rivalPlace = 1;
      } else if (runEnd - runStart > 1) {
        one.rival = rows[i == runStart ? runStart + 1 : runStart]->log;
        one.rivalPlace = 0;
      }
    }
    runStart = runEnd;
  }
}

void MeanFigures(const ContestSet& set, bool dropUniques, ContestStanding* standing) {
  double errors = 0, reductions = 0;
  int logs = 0, claiming = 0;
  for (const EntrantLog& log : set.logs) {
    if (!log.used) continue;
    if (JudgedLines(log) > 0) {
      errors += ErrorPercent(log, dropUniques);
      ++logs;
    }
    if (log.claimed > 0) {
      reductions += ReductionPercent(log);
      ++claiming;
    }
  }
  standing->meanErrorPercent = logs ? errors / logs : 0;
  standing->meanReductionPercent = claiming ? reductions / claiming : 0;
}

void CreditedCounties(const ContestSet& set, const CountryFile& countries, bool dropUniques,
                      int threads, ContestStanding* standing) {
  standing->credited.assign(set.logs.size(), BandCounties());
  std::atomic<size_t> next{0};
  auto work = [&] {
    QsoWorth worth(countries);
    for (size_t l; (l = next++) < set.logs.size();) {
      const EntrantLog& log = set.logs[l];
      if (!log.used) continue;
      BandCounties& counties = standing->credited[l];
      for (size_t i = log.firstQso; i < log.firstQso + log.qsoCount; ++i) {
        const QsoRecord& qso = set.qsos[i];
        if (!qso.readable || !IsCredited(qso.verdict, dropUniques)) continue;
        const int band = BandIndex(set.texts.Text(qso.band));
        if (band < 0) continue;
        const int county = worth.County(set, qso);
        if (county >= 0) counties.set(static_cast<size_t>(band * kCountyCount + county));
      }
    }
  };
  std::vector<std::thread> helpers;
  for (int t = 1; t < threads; ++t) helpers.emplace_back(work);
  work();
  for (std::thread& helper : helpers) helper.join();
}

}  // namespace

std::vector<uint32_t> NearestWorkers(const ContestStanding& standing, uint32_t log, int band,
                                     int county, size_t most) {
  std::vector<uint32_t> found;
  const size_t bit = static_cast<size_t>(band * kCountyCount + county);
  const size_t at = standing.positionOf[log];
  if (bit < standing.workerPlaces.size()) {
    // The same walk outwards, over the places of those who worked it alone.
    const std::vector<uint32_t>& places = standing.workerPlaces[bit];
    const auto split = std::lower_bound(places.begin(), places.end(), at);
    auto below = split;
    if (below != places.end() && *below == at) ++below;  // the log itself
    for (auto above = split; above != places.begin() && found.size() < most;) {
      --above;
      if (at - *above > kNearestReach) break;
      found.push_back(standing.byScore[*above]);
    }
    for (; below != places.end() && found.size() < most; ++below) {
      if (*below - at > kNearestReach) break;
      found.push_back(standing.byScore[*below]);
    }
    return found;
  }
  const size_t size = standing.byScore.size();
  for (size_t step = 1; step <= kNearestReach && step <= at && found.size() < most; ++step) {
    const uint32_t other = standing.byScore[at - step];
    if (standing.credited[other].test(bit)) found.push_back(other);
  }
  for (size_t step = 1; step <= kNearestReach && at + step < size && found.size() < most; ++step) {
    const uint32_t other = standing.byScore[at + step];
    if (standing.credited[other].test(bit)) found.push_back(other);
  }
  return found;
}

long long JudgedLines(const EntrantLog& log) {
  return static_cast<long long>(log.qsoCount) - Count(log, Verdict::kDupe) -
         Count(log, Verdict::kOutside) - Count(log, Verdict::kInvalid);
}

double ErrorPercent(const EntrantLog& log, bool dropUniques) {
  const long long judged = JudgedLines(log);
  if (judged <= 0) return 0;
  long long lost = 0;
  for (int v = 0; v < kVerdictCount; ++v) {
    if (IsLost(static_cast<Verdict>(v), dropUniques)) lost += log.counts[v];
  }
  return 100.0 * static_cast<double>(lost) / static_cast<double>(judged);
}

double ReductionPercent(const EntrantLog& log) {
  if (log.claimed <= 0) return 0;
  return 100.0 * static_cast<double>(log.claimed - log.checked) / static_cast<double>(log.claimed);
}

std::string PageAnchor(const std::string& call) {
  return "<a href=\"" + EntrantPageLink(call) + "\">" + HtmlEscaped(call) + "</a>";
}

void AppendPageAnchor(std::string* out, const ContestStanding& standing, const ContestSet& set,
                      uint32_t log) {
  *out += log < standing.anchors.size() ? standing.anchors[log] : PageAnchor(set.logs[log].call);
}

ContestStanding StandingOf(const ContestSet& set, const std::vector<RankedLog>& ranking,
                           const CountryFile& countries, bool dropUniques, int threads) {
  ContestStanding standing;
  standing.byLog.assign(set.logs.size(), Standing());
  PlaceEveryone(set, ranking, &standing);
  // A category's rows come in the ranking's order, which is the order of their places.
  std::unordered_map<std::string, std::vector<const RankedLog*>> byCategory;
  for (const RankedLog& row : ranking) {
    if (row.categoryRank > 0) byCategory[row.category].push_back(&row);
  }
  for (const auto& [name, rows] : byCategory) CompareWithinCategory(rows, &standing);
  MeanFigures(set, dropUniques, &standing);
  CreditedCounties(set, countries, dropUniques, threads, &standing);
  standing.anchors.reserve(set.logs.size());
  for (const EntrantLog& log : set.logs) standing.anchors.push_back(PageAnchor(log.call));
  standing.positionOf.assign(set.logs.size(), 0);
  standing.workerPlaces.assign(kBandCount * kCountyCount, {});
  for (const RankedLog& row : ranking) {
    const uint32_t place = static_cast<uint32_t>(standing.byScore.size());
    standing.positionOf[row.log] = place;
    standing.byScore.push_back(row.log);
    const BandCounties& counties = standing.credited[row.log];
    for (size_t bit = 0; bit < counties.size(); ++bit) {
      if (!counties.test(bit)) continue;
      ++standing.workers[bit / kCountyCount][bit % kCountyCount];
      standing.workerPlaces[bit].push_back(place);
    }
  }
  return standing;
}

}  // namespace tarno::score
