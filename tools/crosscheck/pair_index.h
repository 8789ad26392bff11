#ifndef TARNO_TOOLS_CROSSCHECK_PAIR_INDEX_H_
#define TARNO_TOOLS_CROSSCHECK_PAIR_INDEX_H_

// The QSO lines of all used logs sorted so that both stations' lines of one station pair
// on one band and mode sit side by side: by (lower call id, higher call id, band, mode),
// then the lower call's lines before the higher's, each in time order. One pass over it
// meets every pair with both its sides; sorting instead of comparing lines with lines
// keeps the cross-check at n log n for millions of them.

#include <cstdint>
#include <vector>

#include "crosscheck/contest_set.h"

namespace tarno::score {

class PairIndex {
 public:
  struct Entry {
    uint32_t low;   // the lower of the two call ids
    uint32_t high;  // the higher; equal to low for a line with the station's own call
    uint32_t band;
    uint32_t mode;
    long long seconds;  // as logged
    uint32_t record;    // index in ContestSet::qsos
    bool fromHigh;      // the line is in the log of `high`; last, where it takes no more room
  };

  // The lines of one pair on one band and mode: [first, split) from the lower call's log,
  // [split, last) from the higher's.
  struct Group {
    size_t first;
    size_t split;
    size_t last;
  };

  // Indexes every readable record of a used log; sorts on `threads` threads.
  PairIndex(const ContestSet& set, int threads);

  const std::vector<Entry>& entries() const { return m_entries; }
  // The group that starts at `first`.
  Group GroupAt(size_t first) const;

 private:
  std::vector<Entry> m_entries;
};

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_PAIR_INDEX_H_
