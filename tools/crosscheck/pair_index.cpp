#include "crosscheck/pair_index.h"

#include <algorithm>
#include <thread>
#include <tuple>

namespace tarno::score {
namespace {

using Entry = PairIndex::Entry;

auto PairOf(const Entry& e) { return std::tie(e.low, e.high, e.band, e.mode); }

// A type of its own rather than a function pointer, so that the sorts inline it: they
// compare millions of entries.
struct Before {
  bool operator()(const Entry& a, const Entry& b) const {
    return std::tie(a.low, a.high, a.band, a.mode, a.fromHigh, a.seconds, a.record) <
           std::tie(b.low, b.high, b.band, b.mode, b.fromHigh, b.seconds, b.record);
  }
};

}  // namespace

PairIndex::PairIndex(const ContestSet& set, int threads) {
  m_entries.reserve(set.qsos.size());
  for (size_t i = 0; i < set.qsos.size(); ++i) {
    const QsoRecord& qso = set.qsos[i];
    const EntrantLog& log = set.logs[qso.log];
    if (!qso.readable || !log.used) continue;
    const bool fromHigh = log.callId > qso.worked;
    m_entries.push_back({fromHigh ? qso.worked : log.callId, fromHigh ? log.callId : qso.worked,
                         qso.band, qso.mode, SecondsOf(qso.oleDays), static_cast<uint32_t>(i),
                         fromHigh});
  }
  if (threads < 2 || m_entries.size() < 100000) {
    std::sort(m_entries.begin(), m_entries.end(), Before());
    return;
  }
  const auto middle = m_entries.begin() + static_cast<std::ptrdiff_t>(m_entries.size() / 2);
  std::thread firstHalf([&] { std::sort(m_entries.begin(), middle, Before()); });
  std::sort(middle, m_entries.end(), Before());
  firstHalf.join();
  std::inplace_merge(m_entries.begin(), middle, m_entries.end(), Before());
}

PairIndex::Group PairIndex::GroupAt(size_t first) const {
  Group group{first, first, first};
  const auto pair = PairOf(m_entries[first]);
  while (group.split < m_entries.size() && PairOf(m_entries[group.split]) == pair &&
         !m_entries[group.split].fromHigh) {
    ++group.split;
  }
  group.last = group.split;
  while (group.last < m_entries.size() && PairOf(m_entries[group.last]) == pair) ++group.last;
  return group;
}

}  // namespace tarno::score
