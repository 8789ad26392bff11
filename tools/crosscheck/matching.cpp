#include "crosscheck/matching.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "contest/ascii_text.h"
#include "contest/county_rules.h"
#include "contest/ole_date_time.h"
#include "crosscheck/close_calls.h"
#include "crosscheck/contest_period.h"
#include "crosscheck/mismatch.h"
#include "crosscheck/partial_log.h"
#include "crosscheck/sent_exchange.h"
#include "crosscheck/verdict_text.h"

namespace tarno::score {
namespace {

bool BothOutside(const QsoRecord& a, const QsoRecord& b) {
  return a.verdict == Verdict::kOutside && b.verdict == Verdict::kOutside;
}

// Which lines of each side pass 1 takes: those inside the period of both, then each side's
// lines outside it against the other's still unmatched inside it.
struct Stage {
  bool mineOutside;
  bool theirsOutside;
};
constexpr Stage kStages[] = {{false, false}, {false, true}, {true, false}};

// A line of pass 1: its corrected time, record, and whether it is OUTSIDE.
struct Timed {
  long long seconds;
  uint32_t record;
  bool outside;
};

// Pass 1 for one station pair on one band and mode, in the stages: both sides' unmatched
// lines of a stage in time order, matched greedily where they lie within the window.
// `mine` and `theirs` are scratch space, kept from group to group since there is a group
// for nearly every QSO.
void MatchGroup(const PairIndex& index, const PairIndex::Group& group, long long window,
                ContestSet* set, std::vector<Timed>* scratchMine,
                std::vector<Timed>* scratchTheirs) {
  std::vector<Timed>& mine = *scratchMine;
  std::vector<Timed>& theirs = *scratchTheirs;
  mine.clear();
  theirs.clear();
  const auto collect = [&](size_t from, size_t to, std::vector<Timed>* out) {
    for (size_t i = from; i < to; ++i) {
      const uint32_t record = index.entries()[i].record;
      const QsoRecord& qso = set->qsos[record];
      if (qso.partner == kNoRecord &&
          (qso.verdict == Verdict::kPending || qso.verdict == Verdict::kOutside)) {
        out->push_back({CorrectedSeconds(*set, qso), record, qso.verdict == Verdict::kOutside});
      }
    }
  };
  collect(group.first, group.split, &mine);
  if (mine.empty()) return;
  collect(group.split, group.last, &theirs);
  for (const Stage stage : kStages) {
    const auto eligible = [&](const Timed& line, bool outside) {
      return line.outside == outside && set->qsos[line.record].partner == kNoRecord;
    };
    size_t i = 0, j = 0;
    while (true) {
      while (i < mine.size() && !eligible(mine[i], stage.mineOutside)) ++i;
      while (j < theirs.size() && !eligible(theirs[j], stage.theirsOutside)) ++j;
      if (i == mine.size() || j == theirs.size()) break;
      const long long d = mine[i].seconds - theirs[j].seconds;
      if (std::llabs(d) <= window) {
        Pair(set, mine[i++].record, theirs[j++].record, MatchKind::kExact);
      } else if (d < 0) {
        ++i;
      } else {
        ++j;
      }
    }
  }
}

void MatchExact(const PairIndex& index, long long window, ContestSet* set) {
  std::vector<Timed> mine, theirs;
  const std::vector<PairIndex::Entry>& entries = index.entries();
  // The index meets the records in no order of their own, each read a miss of the cache:
  // the records of the groups ahead are asked for while this one is matched.
  constexpr size_t kAhead = 24;
  size_t ahead = 0;
  for (size_t first = 0; first < entries.size();) {
    const PairIndex::Group group = index.GroupAt(first);
    for (; ahead < std::min(entries.size(), group.last + kAhead); ++ahead)
      __builtin_prefetch(&set->qsos[entries[ahead].record]);
    if (group.first < group.split && group.split < group.last)
      MatchGroup(index, group, window, set, &mine, &theirs);
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
  // Lines are looked up by a log's own call as the worked one: a line that worked a station
  // without a log can be asked about, but never found.
  std::vector<uint32_t> order;
  std::vector<Unmatched> byWorked;
  for (size_t i = 0; i < set->qsos.size(); ++i) {
    const QsoRecord& qso = set->qsos[i];
    if (!qso.readable || !Matchable(qso, withOutside) || !set->logs[qso.log].used) continue;
    order.push_back(static_cast<uint32_t>(i));
    if (qso.worked < set->logOfCall.size() && set->logOfCall[qso.worked] >= 0) {
      byWorked.push_back(
          {qso.worked, qso.band, qso.mode, CorrectedSeconds(*set, qso), static_cast<uint32_t>(i)});
    }
  }
  // The record last, so that a rare tie goes the same way in every run.
  const auto key = [](const Unmatched& u) {
    return std::tie(u.worked, u.band, u.mode, u.seconds, u.record);
  };
  std::sort(byWorked.begin(), byWorked.end(),
            [&](const Unmatched& a, const Unmatched& b) { return key(a) < key(b); });
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
    std::tuple<int, int, long long> bestRank{2, 3, 0};
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
      // Among several close calls, the one whose exchange this line copied is the station
      // worked.
      const int disagrees = ReceivedAsSent(*set, qso, other) ? 0 : 1;
      const std::tuple<int, int, long long> rank{disagrees, distance, std::llabs(at->seconds - t)};
      if (distance <= 2 && rank < bestRank) {
        best = at->record;
        bestRank = rank;
      }
    }
    if (best == kNoRecord) continue;
    Pair(set, q, best, MatchKind::kBustedCall);
    Judge(&qso, Verdict::kBustedCall);
    Judge(&set->qsos[best], Verdict::kOk);
  }
}

// The line of `log` that holds the QSO of `qso` though the plug-in took it for a repeat
// or refused it: within the window, with this station's call on the same band and mode,
// else on another band or in another mode, else a call within two characters of it on the
// same band and mode; the nearest in time. kNoRecord for none.
uint32_t HoldingLine(const ContestSet& set, const QsoRecord& qso, const EntrantLog& log,
                     long long window) {
  constexpr size_t kMostLooked = 256;  // a log of one contact thousands of times stays linear
  const uint32_t self = set.logs[qso.log].callId;
  const long long t = CorrectedSeconds(set, qso);
  const size_t end = log.firstQso + log.qsoCount;
  uint32_t best = kNoRecord;
  std::pair<int, long long> bestRank{3, 0};
  size_t looked = 0;
  for (size_t i = FirstRecordFrom(set, log, t - window); i < end && looked < kMostLooked; ++i) {
    const QsoRecord& line = set.qsos[i];
    if (!line.readable) continue;
    const long long at = CorrectedSeconds(set, line);
    if (at > t + window) break;
    if (line.partner != kNoRecord ||
        (line.verdict != Verdict::kDupe && line.verdict != Verdict::kInvalid)) {
      continue;
    }
    ++looked;
    const bool sameBand = line.band == qso.band, sameMode = line.mode == qso.mode;
    int rank = 3;
    if (line.worked == self) {
      rank = sameBand && sameMode ? 0 : sameBand != sameMode ? 1 : 3;
    } else if (sameBand && sameMode &&
               CallDistance(set.texts.Text(line.worked), set.texts.Text(self), 2) <= 2) {
      rank = 2;
    }
    const std::pair<int, long long> ranked{rank, std::llabs(at - t)};
    if (rank < 3 && ranked < bestRank) {
      best = static_cast<uint32_t>(i);
      bestRank = ranked;
    }
  }
  return best;
}

void ConfirmByRepeats(long long window, ContestSet* set) {
  for (size_t i = 0; i < set->qsos.size(); ++i) {
    QsoRecord& qso = set->qsos[i];
    if (!qso.readable || qso.verdict != Verdict::kPending || qso.partner != kNoRecord ||
        !set->logs[qso.log].used) {
      continue;
    }
    const int32_t other = set->logOfCall[qso.worked];
    if (other < 0 || set->logs[other].callId == set->logs[qso.log].callId) continue;
    const uint32_t holding = HoldingLine(*set, qso, set->logs[other], window);
    if (holding == kNoRecord) continue;
    Pair(set, static_cast<uint32_t>(i), holding, MatchKind::kConfirmation);
    const QsoRecord& line = set->qsos[holding];
    qso.verdict = Verdict::kOk;
    // The other side's DUPE or refusal is its own; the QSO is in its log all the same.
    qso.note = set->texts.Intern("in " + OwnerOf(*set, line) + "'s log as " +
                                 VerdictName(line.verdict) + ", " + ItsLine(*set, line));
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

void JudgeTheRest(const PairIndex& index, const NoLogCalls& noLog, ContestSet* set) {
  for (QsoRecord& qso : set->qsos) {
    if (qso.verdict != Verdict::kPending || !set->logs[qso.log].used) continue;
    const std::string& worked = set->texts.Text(qso.worked);
    if (set->logOfCall[qso.worked] >= 0) {
      qso.verdict = Verdict::kNil;
      qso.note =
          set->texts.Intern("not in " + worked + "'s log" + WhatTheyLogged(index, *set, qso));
      continue;
    }
    const auto seen = noLog.find(qso.worked);
    const int logs = seen == noLog.end() ? 1 : seen->second.logs;
    qso.verdict = logs > 1 ? Verdict::kNoLog : Verdict::kUnique;
    qso.note = set->texts.Intern(logs > 1 ? "sent no log; in " + std::to_string(logs) + " logs"
                                          : "in no other log");
  }
}

// Every side of a matched QSO still OK is judged on what it received.
void JudgeExchanges(ContestSet* set) {
  for (QsoRecord& qso : set->qsos) {
    if (qso.verdict != Verdict::kOk || qso.partner == kNoRecord) continue;
    if (!ReceivedAsSent(*set, qso, set->qsos[qso.partner])) qso.verdict = Verdict::kBustedExchange;
  }
}

bool IsSerial(std::string_view text) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

bool Matchable(const QsoRecord& qso, bool withOutside) {
  return qso.partner == kNoRecord &&
         (qso.verdict == Verdict::kPending || (withOutside && qso.verdict == Verdict::kOutside));
}

void Judge(QsoRecord* qso, Verdict verdict) {
  if (qso->verdict != Verdict::kOutside) qso->verdict = verdict;
}

void Pair(ContestSet* set, uint32_t a, uint32_t b, MatchKind how) {
  QsoRecord& qa = set->qsos[a];
  QsoRecord& qb = set->qsos[b];
  qa.partner = b;
  qb.partner = a;
  qa.match = qb.match = how;
  if (how == MatchKind::kExact) {
    Judge(&qa, Verdict::kOk);
    Judge(&qb, Verdict::kOk);
  }
}

std::string ItsLine(const ContestSet& set, const QsoRecord& qso) {
  return std::string(set.logs[qso.log].adif ? "its record " : "its line ") +
         std::to_string(qso.line);
}

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
  // Two rows on the stack for calls of the usual length: the cross-check compares calls by
  // the hundred thousand.
  constexpr int kShort = 32;
  int shortRows[2][kShort + 1];
  std::vector<int> longRows;
  int* row = shortRows[0];
  int* next = shortRows[1];
  if (m > kShort) {
    longRows.resize(2 * static_cast<size_t>(m + 1));
    row = longRows.data();
    next = row + m + 1;
  }
  // Only the cells within `limit` of the diagonal can hold a distance within the limit; the
  // others count as past it, and the band's edges are kept so.
  const int past = limit + 1;
  for (int j = 0; j <= m; ++j) row[j] = std::min(j, past);
  for (int i = 1; i <= n; ++i) {
    const int first = std::max(1, i - limit);
    const int last = std::min(m, i + limit);
    next[first - 1] = first == 1 ? std::min(i, past) : past;
    int smallest = next[first - 1];
    for (int j = first; j <= last; ++j) {
      next[j] = std::min({row[j] + 1, next[j - 1] + 1, row[j - 1] + (a[i - 1] != b[j - 1])});
      smallest = std::min(smallest, next[j]);
    }
    if (last < m) next[last + 1] = past;
    if (smallest > limit) return past;
    std::swap(row, next);
  }
  return std::min(row[m], past);
}

void MatchQsos(const PairIndex& index, const ContestRules& rules, ContestSet* set) {
  const long long window = 60LL * rules.windowMinutes;
  MatchExact(index, window, set);
  PairMismatches(index, window, set);
  FindSentFixes(set);
  for (bool withOutside : {false, true}) MatchBustedCalls(window, withOutside, set);
  const NoLogCalls noLog = CountNoLogCalls(*set);
  MatchCloseCalls(window, noLog, set);
  ConfirmByRepeats(window, set);
  JudgeMismatches(rules, set);
  FindMissingStretches(set);
  JudgeTheRest(index, noLog, set);
  NameLikelyCalls(noLog, set);
  JudgeExchanges(set);
}

}  // namespace tarno::score
