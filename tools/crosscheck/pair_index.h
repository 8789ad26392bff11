#ifndef TARNO_TOOLS_CROSSCHECK_PAIR_INDEX_H_
#define TARNO_TOOLS_CROSSCHECK_PAIR_INDEX_H_

// The QSO lines of all used logs sorted by (own call, worked call, band, mode, time), so
// that a station's QSOs with one partner on one band and mode sit side by side and the
// partner's side of them is one binary search away. Sorting instead of comparing every
// pair keeps the cross-check at n log n for millions of lines.

#include <cstdint>
#include <utility>
#include <vector>

#include "crosscheck/contest_set.h"

namespace tarno::score {

class PairIndex {
 public:
  struct Entry {
    uint32_t owner;   // call id of the log's station
    uint32_t worked;  // call id of the worked station, upper-cased
    uint32_t band;
    uint32_t mode;
    long long seconds;  // as logged
    uint32_t record;    // index in ContestSet::qsos
  };

  // Indexes every readable record of a used log; sorts on `threads` threads.
  PairIndex(const ContestSet& set, int threads);

  const std::vector<Entry>& entries() const { return m_entries; }
  // [first, last) of the entries of one group; empty when there are none.
  std::pair<size_t, size_t> Range(uint32_t owner, uint32_t worked, uint32_t band,
                                  uint32_t mode) const;
  // The end of the group that starts at `first`.
  size_t GroupEnd(size_t first) const;

 private:
  std::vector<Entry> m_entries;
};

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_PAIR_INDEX_H_
