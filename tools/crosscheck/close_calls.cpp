#include "crosscheck/close_calls.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
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

bool ActiveHeard(const std::vector<Heard>& heard, uint32_t call, uint32_t band, uint32_t mode,
                 long long t) {
  const auto at =
      std::lower_bound(heard.begin(), heard.end(), Heard{call, band, mode, t - kActiveSeconds},
                       [](const Heard& a, const Heard& b) { return KeyOf(a) < KeyOf(b); });
  return at != heard.end() && at->call == call && at->band == band && at->mode == mode &&
         at->seconds <= t + kActiveSeconds;
}

// The line of `log` that holds `qso` under its own call, band and mode within the window,
// though the plug-in took it for a repeat or refused it; the nearest in time, or kNoRecord.
uint32_t RepeatHolding(const ContestSet& set, const QsoRecord& qso, const EntrantLog& log,
                       long long window) {
  const uint32_t self = set.logs[qso.log].callId;
  const long long t = CorrectedSeconds(set, qso);
  const size_t end = log.firstQso + log.qsoCount;
  uint32_t best = kNoRecord;
  long long bestGap = 0;
  size_t looked = 0;
  for (size_t i = FirstRecordFrom(set, log, t - window); i < end && looked < kMostLooked;
       ++i, ++looked) {
    const QsoRecord& line = set.qsos[i];
    if (!line.readable) continue;
    const long long at = CorrectedSeconds(set, line);
    if (at > t + window) break;
    if (line.partner != kNoRecord || line.worked != self || line.band != qso.band ||
        line.mode != qso.mode ||
        (line.verdict != Verdict::kDupe && line.verdict != Verdict::kInvalid)) {
      continue;
    }
    if (best == kNoRecord || std::llabs(at - t) < bestGap) {
      best = static_cast<uint32_t>(i);
      bestGap = std::llabs(at - t);
    }
  }
  return best;
}

void MatchBustedRepeats(long long window, const std::vector<uint32_t>& lines,
                        const CallNeighbours& stations, ContestSet* set) {
  for (uint32_t q : lines) {
    QsoRecord& qso = set->qsos[q];
    if (qso.verdict != Verdict::kPending || qso.partner != kNoRecord) continue;
    const uint32_t self = set->logs[qso.log].callId;
    uint32_t best = kNoRecord;
    std::pair<int, int> bestRank{2, 3};
    for (uint32_t station : stations.Within2(set->texts.Text(qso.worked))) {
      const int32_t o = set->logOfCall[station];
      if (station == self || o < 0) continue;
      const uint32_t holding = RepeatHolding(*set, qso, set->logs[o], window);
      if (holding == kNoRecord) continue;
      const std::pair<int, int> rank{
          ReceivedAsSent(*set, set->texts.Text(qso.exchRcvd), set->qsos[holding]) ? 0 : 1,
          CallDistance(set->texts.Text(station), set->texts.Text(qso.worked), 2)};
      if (rank < bestRank) {
        best = holding;
        bestRank = rank;
      }
    }
    if (best == kNoRecord) continue;
    Pair(set, q, best, MatchKind::kBustedCall);
    qso.verdict = Verdict::kBustedCall;
  }
}

void MatchMutualBusts(long long window, const std::vector<uint32_t>& lines,
                      const std::function<bool(uint32_t)>& inOneLog, const CallNeighbours& stations,
                      ContestSet* set) {
  for (uint32_t q : lines) {
    QsoRecord& qso = set->qsos[q];
    if (qso.verdict != Verdict::kPending || qso.partner != kNoRecord) continue;
    const uint32_t self = set->logs[qso.log].callId;
    const long long t = CorrectedSeconds(*set, qso);
    uint32_t best = kNoRecord;
    std::tuple<int, int, long long> bestRank{3, 5, 0};
    for (uint32_t station : stations.Within2(set->texts.Text(qso.worked))) {
      const int32_t o = set->logOfCall[station];
      if (station == self || o < 0) continue;
      const EntrantLog& log = set->logs[o];
      const int toStation = CallDistance(set->texts.Text(station), set->texts.Text(qso.worked), 2);
      const size_t end = log.firstQso + log.qsoCount;
      size_t looked = 0;
      for (size_t i = FirstRecordFrom(*set, log, t - window); i < end && looked < kMostLooked;
           ++i, ++looked) {
        const QsoRecord& other = set->qsos[i];
        if (!other.readable) continue;
        const long long at = CorrectedSeconds(*set, other);
        if (at > t + window) break;
        if (other.verdict != Verdict::kPending || other.partner != kNoRecord ||
            other.band != qso.band || other.mode != qso.mode || !inOneLog(other.worked)) {
          continue;
        }
        const int toSelf = CallDistance(set->texts.Text(other.worked), set->texts.Text(self), 2);
        if (toSelf > 2) continue;
        const int disagree = !ReceivedAsSent(*set, set->texts.Text(qso.exchRcvd), other) +
                             !ReceivedAsSent(*set, set->texts.Text(other.exchRcvd), qso);
        const std::tuple<int, int, long long> rank{disagree, toStation + toSelf,
                                                   std::llabs(at - t)};
        if (rank < bestRank) {
          best = static_cast<uint32_t>(i);
          bestRank = rank;
        }
      }
    }
    if (best == kNoRecord) continue;
    Pair(set, q, best, MatchKind::kBustedCall);
    qso.verdict = Verdict::kBustedCall;
    set->qsos[best].verdict = Verdict::kBustedCall;
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
  const std::function<bool(uint32_t)> inOneLog = [&](uint32_t call) {
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
  const CallNeighbours stations(set->texts, UsedLogCalls(*set));
  MatchMutualBusts(window, lines, inOneLog, stations, set);
  MatchBustedRepeats(window, lines, stations, set);
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
  std::vector<Heard> heard;
  for (const QsoRecord& qso : set->qsos) {
    if (qso.verdict == Verdict::kNoLog && set->logs[qso.log].used)
      heard.push_back({qso.worked, qso.band, qso.mode, CorrectedSeconds(*set, qso)});
  }
  std::sort(heard.begin(), heard.end(),
            [](const Heard& a, const Heard& b) { return KeyOf(a) < KeyOf(b); });
  for (uint32_t u : uniques) {
    QsoRecord& qso = set->qsos[u];
    const uint32_t self = set->logs[qso.log].callId;
    const long long t = CorrectedSeconds(*set, qso);
    std::vector<std::string> active;
    for (uint32_t call : neighbours.Within2(set->texts.Text(qso.worked))) {
      if (call == qso.worked || call == self) continue;
      const int32_t log = set->logOfCall[call];
      if (log >= 0 ? ActiveInLog(*set, set->logs[log], qso.band, qso.mode, t)
                   : ActiveHeard(heard, call, qso.band, qso.mode, t)) {
        active.push_back(set->texts.Text(call));
      }
    }
    if (active.empty()) continue;
    std::sort(active.begin(), active.end());
    std::string named;
    for (size_t i = 0; i < active.size() && i < kMostNamed; ++i)
      named += (i ? ", " : "") + active[i];
    qso.note = set->texts.Intern(set->texts.Text(qso.note) + "; active then on " +
                                 set->texts.Text(qso.band) + " " + set->texts.Text(qso.mode) +
                                 " within two characters: " + named);
  }
}

}  // namespace tarno::score
