#ifndef TARNO_TOOLS_SERVE_RECEIPT_REPLAY_H_
#define TARNO_TOOLS_SERVE_RECEIPT_REPLAY_H_

// One statistics run of the loaded plug-in over a log, as Replay (replay.h) drives it, but
// in time and memory in proportion to the log whatever a stranger sends. At every copy of
// a contact the plug-in builds one error line per earlier copy, so a log of one QSO
// repeated would take time with the square of its length; a run here holds a few dozen
// copies of a contact at most, and the copies past them, which can only be dupes or
// refused, are asked in further runs of their own. The plug-in's error file is not meant
// to be written: the caller makes "err.txt" a folder in the current folder.

#include <cstdint>
#include <string>
#include <vector>

#include "logs/country_file.h"
#include "logs/log_qso.h"
#include "plugin/entry_point_table.h"
#include "replay/replay.h"

namespace tarno::score {

struct QsoVerdict {
  enum Kind : uint8_t { kCounted, kDupe, kRefused };
  Kind kind = kCounted;
  int firstSource = 0;  // a dupe's: the source of the contact's first counted copy
};

struct ReplayedLog {
  // The summary sheet, as the plug-in gives it for the whole log in one run.
  std::string sheet;
  std::vector<QsoVerdict> verdicts;  // one for each QSO, in their order
};

ReplayedLog ReplayBounded(const EntryPoints& plugin, const RunValues& run,
                          const std::vector<LogQso>& qsos, const CountryFile& countries);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_RECEIPT_REPLAY_H_
