#ifndef TARNO_TOOLS_CROSSCHECK_PLUGIN_JUDGE_H_
#define TARNO_TOOLS_CROSSCHECK_PLUGIN_JUDGE_H_

// The loaded plug-in as the judge of the contest rules: which QSO lines it admits, which
// it counts as dupes, and the score of a set of QSOs, each asked through its exported
// entry points exactly as the logger drives them (see replay.h). The plug-in keeps its
// state module-wide, so one judge works one log at a time, on one thread, in the current
// folder (EnterRunFolder), where the plug-in leaves err.txt.

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "crosscheck/contest_period.h"
#include "crosscheck/contest_set.h"
#include "logs/country_file.h"
#include "plugin/entry_point_table.h"

namespace tarno::score {

struct SheetScore {
  bool read = false;  // false: the sheet had no score line
  long long score = 0;
  long long points = 0;
  long long counties = 0;
  std::vector<BandFigures> bands;  // the sheet's band rows, in its order
};

// The "Score: P*C = S" line of a summary sheet.
SheetScore ScoreLineOf(const std::string& sheet);

// The band rows of a summary sheet ("80m<TAB> 5<TAB> 20<TAB> 2"), between its column
// heading and its Total row; none when the sheet is not laid out so.
std::vector<BandFigures> BandRowsOf(const std::string& sheet);

// The notes of the lines Admit judged: which check refused an INVALID line, in the words of
// the plug-in's error file and in its order of checks (the band, the mode, the exchanges),
// and which line a DUPE repeats.
void NoteAdmission(ContestSet* set);

class PluginJudge {
 public:
  // All three must outlive the judge; `set` is read only through the calls below.
  PluginJudge(const EntryPoints& entries, const CountryFile& countries,
              const ContestPeriod& period);

  // One statistics run over the log's pending records, in time order: a record the
  // plug-in refuses becomes INVALID, one that CheckCall0 calls a dupe beforehand becomes
  // DUPE (NoteAdmission says why). Changes only the log's own records, so judges of other
  // modules may admit other logs meanwhile. The score of what was admitted. A contact
  // logged many times is admitted in further runs, a few dozen copies at a time, so that
  // the time stays in proportion to the lines (see AdmitRepeats).
  SheetScore Admit(uint32_t log, ContestSet* set);

  // One statistics run over the records of the log for which `take` is true; copies of a
  // contact past a few dozen, dupes or refused either way, are left out.
  SheetScore Score(uint32_t log, const ContestSet& set,
                   const std::function<bool(const QsoRecord&)>& take);

  // Whether the plug-in's own rules, worked out here (the same functions its admission and
  // score use: the refused bands, modes and empty exchanges, a repeat of call, band and
  // mode as handed over, 6 points for a stored prefix "HA", else 1 on the own continent and
  // 3 elsewhere, a home station's county counted once per band, the bands in the score's
  // order), reproduce the log's admission run: every line Admit took refused or a repeat as
  // the plug-in judged it, and the sheet it gave. Where they do, the sheets Score would give
  // for the lines `take` takes, and for every line, in `taken` and `all` (either may be
  // null), without a run through the plug-in: a run costs twenty times the model, and a log
  // is scored up to three times.
  bool ModelScores(uint32_t log, const ContestSet& set, const SheetScore& admitted,
                   const std::function<bool(const QsoRecord&)>& take, SheetScore* taken,
                   SheetScore* all);

 private:
  // What the model makes of one line: refused, or its points and county.
  struct Modelled {
    bool refused = false;
    int points = 0;
    int county = -1;  // index in kCountyCodes
  };
  Modelled ModelLine(const ContestSet& set, const EntrantLog& log, const QsoRecord& qso);
  int CountyOf(const ContestSet& set, uint32_t exchRcvd);
  bool RefusedBandOrMode(const ContestSet& set, uint32_t band, uint32_t mode);
  void AdmitRepeats(const EntrantLog& log, std::vector<size_t> repeats, ContestSet* set);
  void Reset(const ContestSet& set, const EntrantLog& log);
  int Add(const ContestSet& set, const EntrantLog& log, const QsoRecord& qso);
  bool IsDupe(const ContestSet& set, const QsoRecord& qso);
  SheetScore Result();
  const CallCountry& CountryOf(const ContestSet& set, uint32_t call);

  // The text of the id the field had on the line before: most fields repeat from line to
  // line, and the texts of a large contest are far apart in memory.
  class RepeatedText {
   public:
    const char* Of(const ContestSet& set, uint32_t id);

   private:
    uint32_t m_id = UINT32_MAX;
    const char* m_text = "";
  };
  struct {
    RepeatedText ownCall, mode, rstSent, rstRcvd, exchSent, prefix, continent, band;
  } m_texts;

  const EntryPoints& m_entries;
  const CountryFile& m_countries;
  const ContestPeriod& m_period;
  std::unordered_map<uint32_t, int8_t> m_countyOfExchange;  // by text id; -1: none
  std::unordered_map<uint64_t, bool> m_refusedBandMode;     // by band and mode text ids
};

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_PLUGIN_JUDGE_H_
