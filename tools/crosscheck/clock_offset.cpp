#include "crosscheck/clock_offset.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace tarno::score {
namespace {

constexpr long long kFarthest = 12 * 3600;  // no clock is off by more than half a day

struct Difference {
  uint32_t partnerLog;
  int32_t seconds;  // own time minus the partner's
};

// The nearest partner entry in time for each entry of the group; both ranges are sorted.
void CollectPairs(const PairIndex& index, size_t first, size_t last, size_t partnerFirst,
                  size_t partnerLast, uint32_t log, uint32_t partnerLog,
                  std::vector<std::vector<Difference>>* differences) {
  const auto& entries = index.entries();
  size_t j = partnerFirst;
  for (size_t i = first; i < last; ++i) {
    const long long t = entries[i].seconds;
    while (j + 1 < partnerLast &&
           std::llabs(entries[j + 1].seconds - t) <= std::llabs(entries[j].seconds - t)) {
      ++j;
    }
    const long long d = t - entries[j].seconds;
    if (std::llabs(d) > kFarthest) continue;
    (*differences)[log].push_back({partnerLog, static_cast<int32_t>(d)});
    (*differences)[partnerLog].push_back({log, static_cast<int32_t>(-d)});
  }
}

// The offset in minutes that the differences show, or 0.
int OffsetOf(const std::vector<Difference>& differences, const ContestSet& set,
             bool againstPartners, int windowMinutes) {
  if (differences.size() < 3) return 0;
  std::vector<long long> seconds;
  seconds.reserve(differences.size());
  for (const Difference& d : differences) {
    const int partner = againstPartners ? set.logs[d.partnerLog].clockOffsetMinutes : 0;
    seconds.push_back(d.seconds + 60LL * partner);
  }
  std::nth_element(seconds.begin(), seconds.begin() + seconds.size() / 2, seconds.end());
  const long long median = seconds[seconds.size() / 2];
  const int minutes = static_cast<int>(std::llround(median / 60.0));
  if (std::abs(minutes) < 3) return 0;
  size_t near = 0;
  for (long long s : seconds) near += std::llabs(s - 60LL * minutes) <= 60LL * windowMinutes;
  return near * 3 >= seconds.size() * 2 ? minutes : 0;
}

}  // namespace

void DetectClockOffsets(const PairIndex& index, int windowMinutes, ContestSet* set) {
  std::vector<std::vector<Difference>> differences(set->logs.size());
  for (size_t first = 0; first < index.entries().size();) {
    const PairIndex::Group group = index.GroupAt(first);
    if (group.first < group.split && group.split < group.last) {
      const uint32_t low = set->qsos[index.entries()[group.first].record].log;
      const uint32_t high = set->qsos[index.entries()[group.split].record].log;
      if (low != high) {
        CollectPairs(index, group.first, group.split, group.split, group.last, low, high,
                     &differences);
      }
    }
    first = group.last;
  }
  std::vector<int> firstRound(set->logs.size());
  for (size_t i = 0; i < set->logs.size(); ++i)
    firstRound[i] = OffsetOf(differences[i], *set, false, windowMinutes);
  for (size_t i = 0; i < set->logs.size(); ++i) set->logs[i].clockOffsetMinutes = firstRound[i];
  std::vector<int> secondRound(set->logs.size());
  for (size_t i = 0; i < set->logs.size(); ++i)
    secondRound[i] = OffsetOf(differences[i], *set, true, windowMinutes);
  for (size_t i = 0; i < set->logs.size(); ++i) {
    set->logs[i].clockOffsetMinutes = secondRound[i];
    set->logs[i].clockPairs = static_cast<int>(differences[i].size());
  }
}

}  // namespace tarno::score
