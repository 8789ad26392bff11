#include "crosscheck/pair_index.h"

#include <algorithm>
#include <thread>
#include <tuple>

namespace tarno::score {
namespace {

using Entry = PairIndex::Entry;

auto GroupOf(const Entry& e) { return std::tie(e.owner, e.worked, e.band, e.mode); }

bool Before(const Entry& a, const Entry& b) {
  return std::tie(a.owner, a.worked, a.band, a.mode, a.seconds, a.record) <
         std::tie(b.owner, b.worked, b.band, b.mode, b.seconds, b.record);
}

}  // namespace

PairIndex::PairIndex(const ContestSet& set, int threads) {
  m_entries.reserve(set.qsos.size());
  for (size_t i = 0; i < set.qsos.size(); ++i) {
    const QsoRecord& qso = set.qsos[i];
    const EntrantLog& log = set.logs[qso.log];
    if (!qso.readable || !log.used) continue;
    m_entries.push_back({log.callId, qso.worked, qso.band, qso.mode, SecondsOf(qso.oleDays),
                         static_cast<uint32_t>(i)});
  }
  if (threads < 2 || m_entries.size() < 100000) {
    std::sort(m_entries.begin(), m_entries.end(), Before);
    return;
  }
  const auto middle = m_entries.begin() + static_cast<std::ptrdiff_t>(m_entries.size() / 2);
  std::thread firstHalf([&] { std::sort(m_entries.begin(), middle, Before); });
  std::sort(middle, m_entries.end(), Before);
  firstHalf.join();
  std::inplace_merge(m_entries.begin(), middle, m_entries.end(), Before);
}

std::pair<size_t, size_t> PairIndex::Range(uint32_t owner, uint32_t worked, uint32_t band,
                                           uint32_t mode) const {
  const Entry probe{owner, worked, band, mode, 0, 0};
  const auto key = GroupOf(probe);
  const auto first = std::lower_bound(m_entries.begin(), m_entries.end(), probe,
                                       [&](const Entry& e, const Entry&) { return GroupOf(e) < key; });
  auto last = first;
  while (last != m_entries.end() && GroupOf(*last) == key) ++last;
  return {static_cast<size_t>(first - m_entries.begin()),
          static_cast<size_t>(last - m_entries.begin())};
}

size_t PairIndex::GroupEnd(size_t first) const {
  size_t last = first;
  while (last < m_entries.size() && GroupOf(m_entries[last]) == GroupOf(m_entries[first])) ++last;
  return last;
}

}  // namespace tarno::score
