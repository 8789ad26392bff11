#ifndef TARNO_TOOLS_SERVE_RECEIPT_SCORING_H_
#define TARNO_TOOLS_SERVE_RECEIPT_SCORING_H_

// The score an upload claims, as the plug-in gives it: the log read, its exchanges filled
// in and the QSOs outside the contest period left out as `tarno-score` does, then one
// statistics run of the loaded plug-in. The plug-in keeps its state module-wide and writes
// into the current folder, so this runs in a scoring worker (scoring_worker.h), one log at
// a time, in a folder of the worker's own. Time and memory go with the log's size
// (receipt_replay.h).

#include <string>

#include "logs/country_file.h"
#include "plugin/entry_point_table.h"
#include "serve/claimed_score.h"

namespace tarno::score {

// The contest period as the robot was given it; both empty: the days the log covers.
struct ReceiptPeriod {
  std::string start;  // "YYYY-MM-DD" or "YYYY-MM-DDTHH:MM", UTC
  std::string end;
};

// `call` is the own call, already checked; `bytes` the log as uploaded. The plug-in's
// settings file in the current folder is written afresh first, so nothing of an earlier
// log's run carries over.
ClaimedScore ScoreForReceipt(const EntryPoints& plugin, const CountryFile& countries,
                             const ReceiptPeriod& period, const std::string& call,
                             const std::string& bytes);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_RECEIPT_SCORING_H_
