#ifndef TARNO_TOOLS_SERVE_UNCOUNTED_QSOS_H_
#define TARNO_TOOLS_SERVE_UNCOUNTED_QSOS_H_

// The QSOs of an upload that will not count, as its scoring found them: how many for each
// reason, exactly, and the first of them by line, for the receipt.

#include <cstdint>
#include <string>

namespace tarno::score {

// The QSOs a receipt lists by line at most; the counts go on past them.
constexpr int64_t kUncountedListed = 200;

struct UncountedQsos {
  int64_t inLog = 0;    // QSO lines (ADIF records) in the file; 0: not known
  int64_t notRead = 0;  // lines the reader could not read
  int64_t outside = 0;  // outside the contest period
  int64_t refused = 0;  // refused by the plug-in (band, mode, exchange)
  int64_t dupes = 0;    // taken by the plug-in as dupes, which score nothing
  // "line 12: DL1ABC on 2m CW: refused by the plug-in: NO CONTEST BAND (2m)", one a line,
  // in line order; the first kUncountedListed.
  std::string listed;
  // The contest period the scoring used, "2026-01-17 00:00 to 2026-01-18 23:59 UTC".
  std::string period;

  int64_t Total() const { return notRead + outside + refused + dupes; }
};

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_UNCOUNTED_QSOS_H_
