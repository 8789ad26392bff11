#include "crosscheck/partial_log.h"

#include <algorithm>
#include <set>
#include <tuple>
#include <vector>

#include "crosscheck/contest_period.h"

namespace tarno::score {
namespace {

constexpr long long kShortest = 15 * 60;
constexpr int kFewestLines = 4;
constexpr int kFewestLogs = 4;

struct Claim {
  uint32_t workedLog;
  long long seconds;  // at the claiming log's corrected clock
  uint32_t record;
};

// The worked log's own times, in order.
std::vector<long long> TimesOf(const ContestSet& set, const EntrantLog& log) {
  std::vector<long long> times;
  times.reserve(log.qsoCount);
  for (size_t i = log.firstQso; i < log.firstQso + log.qsoCount; ++i) {
    if (set.qsos[i].readable) times.push_back(CorrectedSeconds(set, set.qsos[i]));
  }
  return times;
}

void Credit(const std::vector<Claim>& claims, size_t from, size_t to, uint32_t workedLog,
            const MissingStretch& stretch, ContestSet* set) {
  const std::string note = "not in " + set->logs[workedLog].call +
                           "'s log, which holds no QSO from " + FormatSeconds(stretch.fromSeconds) +
                           " to " + FormatSeconds(stretch.toSeconds) + " while " +
                           std::to_string(stretch.lines) + " lines of " +
                           std::to_string(stretch.logs) + " other logs do: a partial log";
  const uint32_t id = set->texts.Intern(note);
  for (size_t i = from; i < to; ++i) {
    QsoRecord& qso = set->qsos[claims[i].record];
    qso.verdict = Verdict::kNotInPartialLog;
    qso.note = id;
  }
  set->logs[workedLog].missing.push_back(stretch);
}

// The claims [from, to) on one worked log, in time order.
void JudgeLog(const std::vector<Claim>& claims, size_t from, size_t to, ContestSet* set) {
  const uint32_t workedLog = claims[from].workedLog;
  const std::vector<long long> times = TimesOf(*set, set->logs[workedLog]);
  const long long span = times.empty() ? 0 : times.back() - times.front();
  for (size_t first = from, last; first < to; first = last) {
    // The claims between the same two of its own lines.
    const auto next = std::upper_bound(times.begin(), times.end(), claims[first].seconds);
    last = first + 1;
    while (last < to && std::upper_bound(times.begin(), times.end(), claims[last].seconds) == next)
      ++last;
    const bool before = next == times.begin(), after = next == times.end();
    MissingStretch stretch;
    stretch.fromSeconds = before ? claims[first].seconds : *(next - 1);
    stretch.toSeconds = after ? claims[last - 1].seconds : *next;
    stretch.lines = static_cast<int>(last - first);
    std::set<uint32_t> logs;
    for (size_t i = first; i < last; ++i) logs.insert(set->qsos[claims[i].record].log);
    stretch.logs = static_cast<int>(logs.size());
    const long long length = stretch.toSeconds - stretch.fromSeconds;
    if (stretch.lines < kFewestLines || stretch.logs < kFewestLogs || length < kShortest) continue;
    // Its own rate elsewhere, in lines per second, against the claims' rate in the stretch.
    const long long elsewhere = std::max<long long>(span - (before || after ? 0 : length), 3600);
    const double ownRate = static_cast<double>(times.size()) / static_cast<double>(elsewhere);
    const double claimRate = stretch.lines / static_cast<double>(std::max(length, kShortest));
    if (claimRate * 2 < ownRate) continue;
    Credit(claims, first, last, workedLog, stretch, set);
  }
}

}  // namespace

void FindMissingStretches(ContestSet* set) {
  std::vector<Claim> claims;
  for (uint32_t i = 0; i < set->qsos.size(); ++i) {
    const QsoRecord& qso = set->qsos[i];
    if (!qso.readable || qso.verdict != Verdict::kPending || qso.partner != kNoRecord ||
        !set->logs[qso.log].used) {
      continue;
    }
    const int32_t worked = set->logOfCall[qso.worked];
    if (worked >= 0 && static_cast<uint32_t>(worked) != qso.log)
      claims.push_back({static_cast<uint32_t>(worked), CorrectedSeconds(*set, qso), i});
  }
  std::sort(claims.begin(), claims.end(), [](const Claim& a, const Claim& b) {
    return std::tie(a.workedLog, a.seconds, a.record) < std::tie(b.workedLog, b.seconds, b.record);
  });
  for (size_t first = 0, last; first < claims.size(); first = last) {
    last = first;
    while (last < claims.size() && claims[last].workedLog == claims[first].workedLog) ++last;
    if (last - first >= static_cast<size_t>(kFewestLines)) JudgeLog(claims, first, last, set);
  }
}

}  // namespace tarno::score
