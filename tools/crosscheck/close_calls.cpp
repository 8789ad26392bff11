#include "crosscheck/close_calls.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "crosscheck/call_neighbours.h"
#include "crosscheck/contest_period.h"
#include "crosscheck/matching.h"
#include "crosscheck/sent_exchange.h"

namespace tarno::score {
namespace {

constexpr long long kActiveSeconds = 600;
constexpr size_t kMostLooked = 256;  // lines looked at around one time in one log
constexpr size_t kMostNamed = 5;

std::vector<uint32_t> UsedLogCalls(const ContestSet& set) {
  std::vector<uint32_t> calls;
  for (const EntrantLog& log : set.logs) {
    if (log.used) calls.push_back(log.callId);
  }
  return calls;
}

// Whether the log has a line on the band and mode within kActiveSeconds of `t`.
bool ActiveInLog(const ContestSet& set, const EntrantLog& log, uint32_t band, uint32_t mode,
                 long long t) {
  const size_t end = log.firstQso + log.qsoCount;
  size_t looked = 0;
  for (size_t i = FirstRecordFrom(set, log, t - kActiveSeconds); i < end && looked < kMostLooked;
       ++i, ++looked) {
    const QsoRecord& line = set.qsos[i];
    if (!line.readable) continue;
    if (CorrectedSeconds(set, line) > t + kActiveSeconds) return false;
    if (line.band == band && line.mode == mode) return true;
  }
  return false;
}

// A line of another log naming a station without a log.
struct Heard {
  uint32_t call;
  uint32_t band;
  uint32_t mode;
  long long seconds;
};
auto KeyOf(const Heard& h) { return std::tie(h.call, h.band, h.mode, h.seconds); }

// The lines of the logs naming stations without a log, to ask whether a station was heard
// on a band and mode around a time. There are millions of them and a look-up for every
// neighbour of every unique line: a short table of the calls, which stays in the cache,
// gives each call's stretch, and only that stretch is searched.
class HeardLines {
 public:
  explicit HeardLines(const ContestSet& set) {
    // Counted first: a few per cent of millions of lines, moved again at every growth.
    size_t heard = 0;
    for (const QsoRecord& qso : set.qsos) heard += qso.verdict == Verdict::kNoLog;
    m_lines.reserve(heard);
    for (const QsoRecord& qso : set.qsos) {
      if (qso.verdict == Verdict::kNoLog && set.logs[qso.log].used)
        m_lines.push_back({qso.worked, qso.band, qso.mode, CorrectedSeconds(set, qso)});
    }
    std::sort(m_lines.begin(), m_lines.end(),
              [](const Heard& a, const Heard& b) { return KeyOf(a) < KeyOf(b); });
    for (uint32_t i = 0; i < m_lines.size(); ++i) {
      if (i == 0 || m_lines[i].call != m_lines[i - 1].call) {
        m_calls.push_back(m_lines[i].call);
        m_starts.push_back(i);
      }
    }
    m_starts.push_back(static_cast<uint32_t>(m_lines.size()));
  }

  // Whether a line names `call` on the band and mode within kActiveSeconds of `t`.
  bool Active(uint32_t call, uint32_t band, uint32_t mode, long long t) const {
    const auto found = std::lower_bound(m_calls.begin(), m_calls.end(), call);
    if (found == m_calls.end() || *found != call) return false;
    const size_t index = found - m_calls.begin();
    const auto first = m_lines.begin() + m_starts[index];
    const auto last = m_lines.begin() + m_starts[index + 1];
    const auto at =
        std::lower_bound(first, last, Heard{call, band, mode, t - kActiveSeconds},
                         [](const Heard& a, const Heard& b) { return KeyOf(a) < KeyOf(b); });
    return at != last && at->band == band && at->mode == mode &&
           at->seconds <= t + kActiveSeconds;
  }

 private:
  std::vector<Heard> m_lines;      // by KeyOf
  std::vector<uint32_t> m_calls;   // the distinct calls of m_lines, in their order
  std::vector<uint32_t> m_starts;  // where each call's lines start in m_lines; then the end
};

// A line by what the steps below look it up by: band and mode, or the worked call too, then
// the time at its log's corrected clock.
struct Keyed {
  uint32_t worked;
  uint32_t band;
  uint32_t mode;
  long long seconds;
  uint32_t record;
  uint32_t station = 0;  // the call of the line's log, where a step asks it; not a key
};
auto KeyOf(const Keyed& k) { return std::tie(k.worked, k.band, k.mode, k.seconds, k.record); }
bool Before(const Keyed& a, const Keyed& b) { return KeyOf(a) < KeyOf(b); }

// The entries of `sorted` with this worked call (0 for lines keyed without it), band and
// mode, from `from` on.
std::vector<Keyed>::const_iterator FirstOf(const std::vector<Keyed>& sorted, uint32_t worked,
                                           const QsoRecord& qso, long long from) {
  return std::lower_bound(sorted.begin(), sorted.end(), Keyed{worked, qso.band, qso.mode, from, 0},
                          Before);
}

// Two lines of `lines` (each of whose worked call is in no other log) at one time, band
// and mode, each within two characters of the other's station: one QSO busted by both.
void MatchMutualBusts(long long window, const std::vector<uint32_t>& lines, ContestSet* set) {
  std::vector<Keyed> byTime;
  for (uint32_t q : lines) {
    const QsoRecord& qso = set->qsos[q];
    byTime.push_back(
        {0, qso.band, qso.mode, CorrectedSeconds(*set, qso), q, set->logs[qso.log].callId});
  }
  std::sort(byTime.begin(), byTime.end(), Before);
  // All of `lines` are pending without a partner until this step pairs them: which are
  // paired is kept here, so that the candidates around a line, hundreds in a busy hour, are
  // sorted out without reading their records, far apart in memory.
  std::vector<bool> paired(set->qsos.size());
  for (uint32_t q : lines) {
    QsoRecord& qso = set->qsos[q];
    if (qso.verdict != Verdict::kPending || qso.partner != kNoRecord) continue;
    const uint32_t self = set->logs[qso.log].callId;
    const long long t = CorrectedSeconds(*set, qso);
    uint32_t best = kNoRecord;
    std::tuple<int, int, long long> bestRank{3, 5, 0};
    size_t looked = 0;
    for (auto at = FirstOf(byTime, 0, qso, t - window);
         at != byTime.end() && at->band == qso.band && at->mode == qso.mode &&
         at->seconds <= t + window && looked < kMostLooked;
         ++at, ++looked) {
      const uint32_t station = at->station;
      if (station == self || paired[at->record]) continue;
      const int toStation = CallDistance(set->texts.Text(station), set->texts.Text(qso.worked), 2);
      if (toStation > 2) continue;
      const QsoRecord& other = set->qsos[at->record];
      const int toSelf = CallDistance(set->texts.Text(other.worked), set->texts.Text(self), 2);
      if (toSelf > 2) continue;
      const int disagree = !ReceivedAsSent(*set, qso, other) + !ReceivedAsSent(*set, other, qso);
      // In a dense field of calls two strangers' uniques can be close to each other's calls
      // by chance; an exchange copied right shows they are one QSO.
      if (disagree == 2) continue;
      const std::tuple<int, int, long long> rank{disagree, toStation + toSelf,
                                                 std::llabs(at->seconds - t)};
      if (rank < bestRank) {
        best = at->record;
        bestRank = rank;
      }
    }
    if (best == kNoRecord) continue;
    Pair(set, q, best, MatchKind::kBustedCall);
    qso.verdict = Verdict::kBustedCall;
    set->qsos[best].verdict = Verdict::kBustedCall;
    paired[q] = paired[best] = true;
  }
}

// A line of `lines` whose worked call a station within two characters of it holds, with
// this station's call, band and mode within the window, in a line the plug-in took for a
// repeat or refused: BUSTED-CALL, that line its partner.
void MatchBustedRepeats(long long window, const std::vector<uint32_t>& lines, ContestSet* set) {
  std::vector<Keyed> holders;
  for (uint32_t i = 0; i < set->qsos.size(); ++i) {
    const QsoRecord& line = set->qsos[i];
    if (line.readable && line.partner == kNoRecord && set->logs[line.log].used &&
        (line.verdict == Verdict::kDupe || line.verdict == Verdict::kInvalid)) {
      holders.push_back({line.worked, line.band, line.mode, CorrectedSeconds(*set, line), i});
    }
  }
  std::sort(holders.begin(), holders.end(), Before);
  for (uint32_t q : lines) {
    QsoRecord& qso = set->qsos[q];
    if (qso.verdict != Verdict::kPending || qso.partner != kNoRecord) continue;
    const uint32_t self = set->logs[qso.log].callId;
    const long long t = CorrectedSeconds(*set, qso);
    uint32_t best = kNoRecord;
    std::tuple<int, int, long long> bestRank{2, 3, 0};
    size_t looked = 0;
    for (auto at = FirstOf(holders, self, qso, t - window);
         at != holders.end() && at->worked == self && at->band == qso.band &&
         at->mode == qso.mode && at->seconds <= t + window && looked < kMostLooked;
         ++at, ++looked) {
      const QsoRecord& holding = set->qsos[at->record];
      const uint32_t station = set->logs[holding.log].callId;
      if (station == self || holding.partner != kNoRecord) continue;
      const int distance = CallDistance(set->texts.Text(station), set->texts.Text(qso.worked), 2);
      if (distance > 2) continue;
      const std::tuple<int, int, long long> rank{ReceivedAsSent(*set, qso, holding) ? 0 : 1,
                                                 distance, std::llabs(at->seconds - t)};
      if (rank < bestRank) {
        best = at->record;
        bestRank = rank;
      }
    }
    if (best == kNoRecord) continue;
    Pair(set, q, best, MatchKind::kBustedCall);
    qso.verdict = Verdict::kBustedCall;
  }
}

}  // namespace

NoLogCalls CountNoLogCalls(const ContestSet& set) {
  NoLogCalls calls;
  for (const QsoRecord& qso : set.qsos) {
    if (qso.verdict != Verdict::kPending || qso.partner != kNoRecord || !set.logs[qso.log].used ||
        set.logOfCall[qso.worked] >= 0) {
      continue;
    }
    auto [seen, isNew] = calls.emplace(qso.worked, NoLogCall{qso.log, 1});
    if (!isNew && seen->second.lastLog != qso.log) {
      seen->second.lastLog = qso.log;
      ++seen->second.logs;
    }
  }
  return calls;
}

void MatchCloseCalls(long long window, const NoLogCalls& noLog, ContestSet* set) {
  const auto inOneLog = [&](uint32_t call) {
    const auto found = noLog.find(call);
    return set->logOfCall[call] < 0 && found != noLog.end() && found->second.logs == 1;
  };
  std::vector<uint32_t> lines;
  for (uint32_t i = 0; i < set->qsos.size(); ++i) {
    const QsoRecord& qso = set->qsos[i];
    if (qso.readable && qso.verdict == Verdict::kPending && qso.partner == kNoRecord &&
        set->logs[qso.log].used && inOneLog(qso.worked)) {
      lines.push_back(i);
    }
  }
  if (lines.empty()) return;
  MatchMutualBusts(window, lines, set);
  MatchBustedRepeats(window, lines, set);
}

void NameLikelyCalls(const NoLogCalls& noLog, ContestSet* set) {
  std::vector<uint32_t> uniques;
  for (uint32_t i = 0; i < set->qsos.size(); ++i) {
    const QsoRecord& qso = set->qsos[i];
    if (qso.verdict == Verdict::kUnique && qso.readable && set->logs[qso.log].used)
      uniques.push_back(i);
  }
  if (uniques.empty()) return;
  std::vector<uint32_t> calls = UsedLogCalls(*set);
  for (const auto& [call, seen] : noLog) {
    if (seen.logs > 1) calls.push_back(call);
  }
  std::sort(calls.begin(), calls.end());
  const CallNeighbours neighbours(set->texts, calls);
  const HeardLines heard(*set);
  for (uint32_t u : uniques) {
    QsoRecord& qso = set->qsos[u];
    const uint32_t self = set->logs[qso.log].callId;
    const long long t = CorrectedSeconds(*set, qso);
    // The closest first: a sponsor reads the likeliest calls, and a dense field of home
    // calls can hold a hundred within two characters.
    std::string named;
    size_t count = 0;
    for (const auto& [distance, call] : neighbours.Within2ByDistance(set->texts.Text(qso.worked))) {
      if (call == qso.worked || call == self) continue;
      const int32_t log = set->logOfCall[call];
      if (log >= 0 ? ActiveInLog(*set, set->logs[log], qso.band, qso.mode, t)
                   : heard.Active(call, qso.band, qso.mode, t)) {
        named += (count ? ", " : "") + set->texts.Text(call);
        if (++count == kMostNamed) break;
      }
    }
    if (named.empty()) continue;
    qso.note = set->texts.Intern(set->texts.Text(qso.note) + "; active then on " +
                                 set->texts.Text(qso.band) + " " + set->texts.Text(qso.mode) +
                                 " within two characters: " + named);
  }
}

}  // namespace tarno::score
