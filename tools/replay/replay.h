#ifndef TARNO_TOOLS_REPLAY_REPLAY_H_
#define TARNO_TOOLS_REPLAY_REPLAY_H_

// One statistics run of the loaded plug-in over a list of QSOs, exactly as the logger
// drives it: ResetStats0, AddData0 for every QSO in the order given, GetResult0. The
// plug-in keeps its state module-wide, so runs over one library take turns; its files
// (err.txt, the Cabrillo file, Plugins/TARNO-Contest.ini) land in the current folder.

#include <string>
#include <vector>

#include "logs/country_file.h"
#include "logs/log_qso.h"
#include "plugin/entry_point_table.h"
#include "replay/desktop_autopilot.h"
#include "replay/packed_qsos.h"

namespace tarno::score {

// The values of one statistics run.
struct RunValues {
  std::string ownCall;
  std::string ownContinent;
  double startDays = 0.0;  // the contest's first and last day, as the host passes them
  double endDays = 0.0;
  bool cabrillo = false;  // a run in Cabrillo mode writes the Cabrillo file at the end
};

struct ReplayResult {
  std::string sheet;                   // the summary sheet as GetResult0 returned it
  std::vector<size_t> unknownCountry;  // indexes of QSOs whose call is in no known country
};

// `answers` go into the Cabrillo header dialog, in Cabrillo mode.
ReplayResult Replay(const EntryPoints& entry, const RunValues& run, const PackedQsos& qsos,
                    const DialogAnswers& answers = DialogAnswers());

// The same over QSOs as read, each country looked up as they are packed.
ReplayResult Replay(const EntryPoints& entry, const RunValues& run, const std::vector<LogQso>& qsos,
                    const CountryFile& countries, const DialogAnswers& answers = DialogAnswers());

// Makes `folder` the current folder, with the "Plugins" folder in which the plug-in keeps
// its settings. A new settings file says "Master", so that a run never reaches for a
// logger that may be running on the same desktop (the plug-in only talks to the host when
// it is 0). False with the reason when the folder cannot be entered.
bool EnterRunFolder(const std::string& folder, std::string* error);

// The score on the sheet's "Score: P*C = S" line; false when the sheet has none.
bool ScoreOfSheet(const std::string& sheet, long long* score);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_REPLAY_REPLAY_H_
