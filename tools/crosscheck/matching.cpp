#include "crosscheck/matching.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "contest/ascii_text.h"
#include "contest/county_rules.h"
#include "contest/ole_date_time.h"
#include "crosscheck/contest_period.h"

namespace tarno::score {
namespace {

bool IsSerial(std::string_view text) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// Whether a line may still be matched. A line outside the period keeps its OUTSIDE, but
// is matched all the same (after the lines inside), so that its partner inside the period
// does not lose the QSO for the other side's timing.
bool Matchable(const QsoRecord& qso, bool withOutside) {
  return qso.partner == kNoRecord &&
         (qso.verdict == Verdict::kPending || (withOutside && qso.verdict == Verdict::kOutside));
}

void Judge(QsoRecord* qso, Verdict verdict) {
  if (qso->verdict != Verdict::kOutside) qso->verdict = verdict;
}

// OK, or BUSTED-EXCHANGE when `self` received something other than `other` sent.
Verdict ExchangeVerdict(const ContestSet& set, const QsoRecord& self, const QsoRecord& other) {
  return SameExchange(set.texts.Text(self.exchRcvd), set.texts.Text(other.exchSent))
             ? Verdict::kOk
             : Verdict::kBustedExchange;
}

void SetMatched(ContestSet* set, uint32_t a, uint32_t b) {
  QsoRecord& qa = set->qsos[a];
  QsoRecord& qb = set->qsos[b];
  qa.partner = b;
  qb.partner = a;
  Judge(&qa, ExchangeVerdict(*set, qa, qb));
  Judge(&qb, ExchangeVerdict(*set, qb, qa));
}

bool BothOutside(const QsoRecord& a, const QsoRecord& b) {
  return a.verdict == Verdict::kOutside && b.verdict == Verdict::kOutside;
}

using TimedLines = std::vector<std::pair<long long, uint32_t>>;

// Which lines of each side pass 1 takes: those inside the period of both, then each side's
// lines outside it against the other's still unmatched inside it.
struct Stage {
  bool mineOutside;
  bool theirsOutside;
};
constexpr Stage kStages[] = {{false, false}, {false, true}, {true, false}};

// Pass 1 for one station pair on one band and mode: both sides' unmatched lines of the
// stage in time order, matched greedily where they lie within the window. `mine` and
// `theirs` are scratch space, kept from group to group since there is a group for nearly
// every QSO.
void MatchGroup(const PairIndex& index, const PairIndex::Group& group, long long window,
                Stage stage, ContestSet* set, TimedLines* scratchMine, TimedLines* scratchTheirs) {
  TimedLines& mine = *scratchMine;
  TimedLines& theirs = *scratchTheirs;
  mine.clear();
  theirs.clear();
  const auto collect = [&](size_t from, size_t to, bool outside, TimedLines* out) {
    const Verdict wanted = outside ? Verdict::kOutside : Verdict::kPending;
    for (size_t i = from; i < to; ++i) {
      const QsoRecord& qso = set->qsos[index.entries()[i].record];
      if (qso.verdict == wanted && qso.partner == kNoRecord)
        out->emplace_back(CorrectedSeconds(*set, qso), index.entries()[i].record);
    }
  };
  collect(group.first, group.split, stage.mineOutside, &mine);
  collect(group.split, group.last, stage.theirsOutside, &theirs);
  size_t i = 0, j = 0;
  while (i < mine.size() && j < theirs.size()) {
    const long long d = mine[i].first - theirs[j].first;
    if (std::llabs(d) <= window) {
      SetMatched(set, mine[i++].second, theirs[j++].second);
    } else if (d < 0) {
      ++i;
    } else {
      ++j;
    }
  }
}

void MatchExact(const PairIndex& index, long long window, Stage stage, ContestSet* set) {
  TimedLines mine, theirs;
  for (size_t first = 0; first < index.entries().size();) {
    const PairIndex::Group group = index.GroupAt(first);
    if (group.first < group.split && group.split < group.last)
      MatchGroup(index, group, window, stage, set, &mine, &theirs);
    first = group.last;
  }
}

struct Unmatched {
  uint32_t worked;
  uint32_t band;
  uint32_t mode;
  long long seconds;  // corrected
  uint32_t record;
};

void MatchBustedCalls(long long window, bool withOutside, ContestSet* set) {
  std::vector<Unmatched> byWorked;
  for (size_t i = 0; i < set->qsos.size(); ++i) {
    const QsoRecord& qso = set->qsos[i];
    if (Matchable(qso, withOutside) && set->logs[qso.log].used)
      byWorked.push_back(
          {qso.worked, qso.band, qso.mode, CorrectedSeconds(*set, qso), static_cast<uint32_t>(i)});
  }
  const auto key = [](const Unmatched& u) { return std::tie(u.worked, u.band, u.mode, u.seconds); };
  std::sort(byWorked.begin(), byWorked.end(),
            [&](const Unmatched& a, const Unmatched& b) { return key(a) < key(b); });
  // In the order of the records (each log's in time order), so that a rare tie goes the
  // same way in every run.
  std::vector<uint32_t> order;
  order.reserve(byWorked.size());
  for (const Unmatched& u : byWorked) order.push_back(u.record);
  std::sort(order.begin(), order.end());
  for (uint32_t q : order) {
    QsoRecord& qso = set->qsos[q];
    if (!Matchable(qso, withOutside)) continue;
    const uint32_t self = set->logs[qso.log].callId;
    const std::string& logged = set->texts.Text(qso.worked);
    const long long t = CorrectedSeconds(*set, qso);
    const Unmatched probe{self, qso.band, qso.mode, t - window, 0};
    auto at =
        std::lower_bound(byWorked.begin(), byWorked.end(), probe,
                         [&](const Unmatched& a, const Unmatched& b) { return key(a) < key(b); });
    uint32_t best = kNoRecord;
    std::pair<int, long long> bestRank{3, 0};
    for (; at != byWorked.end() && at->worked == self && at->band == qso.band &&
           at->mode == qso.mode && at->seconds <= t + window;
         ++at) {
      const QsoRecord& other = set->qsos[at->record];
      const uint32_t station = set->logs[other.log].callId;
      if (!Matchable(other, withOutside) || BothOutside(qso, other) || station == qso.worked ||
          station == self) {
        continue;
      }
      const int distance = CallDistance(set->texts.Text(station), logged, 2);
      const std::pair<int, long long> rank{distance, std::llabs(at->seconds - t)};
      if (distance <= 2 && rank < bestRank) {
        best = at->record;
        bestRank = rank;
      }
    }
    if (best == kNoRecord) continue;
    QsoRecord& other = set->qsos[best];
    Judge(&qso, Verdict::kBustedCall);
    qso.partner = best;
    other.partner = q;
    Judge(&other, ExchangeVerdict(*set, other, qso));
  }
}

// What the worked station's log holds instead of this line, where it holds a line with this
// station that matched nothing (another band or mode, a time far off): the nearest in time.
std::string WhatTheyLogged(const PairIndex& index, const ContestSet& set, const QsoRecord& qso) {
  const uint32_t self = set.logs[qso.log].callId;
  const uint32_t low = std::min(self, qso.worked), high = std::max(self, qso.worked);
  const auto& entries = index.entries();
  auto at =
      std::lower_bound(entries.begin(), entries.end(), std::make_pair(low, high),
                       [](const PairIndex::Entry& e, const std::pair<uint32_t, uint32_t>& key) {
                         return std::make_pair(e.low, e.high) < key;
                       });
  const long long t = CorrectedSeconds(set, qso);
  const QsoRecord* nearest = nullptr;
  for (; at != entries.end() && at->low == low && at->high == high; ++at) {
    const QsoRecord& other = set.qsos[at->record];
    if (other.log == qso.log || other.partner != kNoRecord) continue;
    if (!nearest || std::llabs(CorrectedSeconds(set, other) - t) <
                        std::llabs(CorrectedSeconds(set, *nearest) - t)) {
      nearest = &other;
    }
  }
  if (!nearest) return "";
  COleDateTime when;
  when.m_dt = nearest->oleDays;
  return "; it logged you on " + set.texts.Text(nearest->band) + " " +
         set.texts.Text(nearest->mode) + " at " + FormatOleDate(when, "%Y-%m-%d %H%M") +
         ", its line " + std::to_string(nearest->line);
}

void JudgeTheRest(const PairIndex& index, ContestSet* set) {
  struct Seen {
    uint32_t lastLog;
    int logs;
  };
  std::unordered_map<uint32_t, Seen> noLogCalls;
  for (const QsoRecord& qso : set->qsos) {
    if (qso.verdict != Verdict::kPending || !set->logs[qso.log].used ||
        set->logOfCall[qso.worked] >= 0) {
      continue;
    }
    auto [seen, isNew] = noLogCalls.emplace(qso.worked, Seen{qso.log, 1});
    if (!isNew && seen->second.lastLog != qso.log) {
      seen->second.lastLog = qso.log;
      ++seen->second.logs;
    }
  }
  for (QsoRecord& qso : set->qsos) {
    if (qso.verdict != Verdict::kPending || !set->logs[qso.log].used) continue;
    const std::string& worked = set->texts.Text(qso.worked);
    if (set->logOfCall[qso.worked] >= 0) {
      qso.verdict = Verdict::kNil;
      qso.note =
          set->texts.Intern("not in " + worked + "'s log" + WhatTheyLogged(index, *set, qso));
      continue;
    }
    const int logs = noLogCalls[qso.worked].logs;
    qso.verdict = logs > 1 ? Verdict::kNoLog : Verdict::kUnique;
    qso.note = set->texts.Intern(logs > 1 ? "sent no log; in " + std::to_string(logs) + " logs"
                                          : "in no other log");
  }
}

}  // namespace

bool SameExchange(std::string_view received, std::string_view sent) {
  const std::string_view a = TrimAscii(received);
  const std::string_view b = TrimAscii(sent);
  if (IsSerial(a) && IsSerial(b)) return std::stoll(std::string(a)) == std::stoll(std::string(b));
  return NormaliseCounty(a) == NormaliseCounty(b);
}

int CallDistance(std::string_view a, std::string_view b, int limit) {
  const int n = static_cast<int>(a.size());
  const int m = static_cast<int>(b.size());
  if (std::abs(n - m) > limit) return limit + 1;
  std::vector<int> row(m + 1), next(m + 1);
  for (int j = 0; j <= m; ++j) row[j] = j;
  for (int i = 1; i <= n; ++i) {
    next[0] = i;
    int smallest = next[0];
    for (int j = 1; j <= m; ++j) {
      next[j] = std::min({row[j] + 1, next[j - 1] + 1, row[j - 1] + (a[i - 1] != b[j - 1])});
      smallest = std::min(smallest, next[j]);
    }
    if (smallest > limit) return limit + 1;
    row.swap(next);
  }
  return std::min(row[m], limit + 1);
}

void MatchQsos(const PairIndex& index, int windowMinutes, ContestSet* set) {
  const long long window = 60LL * windowMinutes;
  for (Stage stage : kStages) MatchExact(index, window, stage, set);
  for (bool withOutside : {false, true}) MatchBustedCalls(window, withOutside, set);
  JudgeTheRest(index, set);
}

}  // namespace tarno::score
