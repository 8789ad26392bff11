#ifndef TARNO_TOOLS_CROSSCHECK_CROSSCHECK_STEPS_H_
#define TARNO_TOOLS_CROSSCHECK_CROSSCHECK_STEPS_H_

// The steps of a cross-check between loading the logs and writing the results, in the
// order the command runs them; each leaves its verdicts or results in the ContestSet.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "crosscheck/contest_period.h"
#include "crosscheck/contest_set.h"
#include "crosscheck/crosscheck_options.h"
#include "crosscheck/plugin_judge.h"
#include "logs/country_file.h"
#include "replay/plugin_library.h"
#include "replay/progress.h"
#include "replay/scratch_folder.h"

namespace tarno::score {

// The period the options give, else DefaultPeriod; false with the reason on a bad date.
bool DecidePeriod(const CrosscheckOptions& options, const ContestSet& set, ContestPeriod* period,
                  std::string* error);

// Pending lines outside the period, at their log's corrected clock, become OUTSIDE.
void MarkOutside(const ContestPeriod& period, ContestSet* set);

// Every used log's own continent from the country file (a call in no country is noted),
// and the country of every call its lines worked.
void FindCountries(const CountryFile& countries, ContestSet* set);

// The loaded plug-in in a scratch folder of its own (see scratch_folder.h), which it
// leaves on destruction, returning to the folder it came from; SIGINT, SIGTERM and SIGHUP
// remove it too. The folder is in memory where the system has such a place (/dev/shm): the
// plug-in syncs its settings file after every score that changed, which on a disk costs
// more than the rest of a contest's check. Nothing in it grows with the logs: the settings
// file is a few lines, and err.txt, which nothing reads here, is a folder the plug-in
// cannot write to.
//
// The plug-in keeps its state module-wide, so to judge logs on several threads the session
// loads further copies of the library file, each a module of its own. They share the
// folder, and the settings file is only ever replaced whole, so each copy always reads one
// that says Master=1.
class PluginSession {
 public:
  PluginSession() = default;
  ~PluginSession();
  PluginSession(const PluginSession&) = delete;
  PluginSession& operator=(const PluginSession&) = delete;

  // Up to `instances` modules; false with the reason when not even the library itself
  // can be loaded or the folder entered. A copy that cannot be made or loaded only means
  // fewer threads.
  bool Open(const std::string& pluginPath, int instances, const CountryFile& countries,
            const ContestPeriod& period, std::string* error);
  std::vector<std::unique_ptr<PluginJudge>>& judges() { return m_judges; }

 private:
  void LoadCopies(const std::string& pluginPath, int instances);

  PluginLibrary m_library;
  std::vector<const EntryPoints*> m_entries;    // the library's, then each copy's
  std::vector<std::filesystem::path> m_copies;  // the files of copies still loaded
  std::filesystem::path m_back;
  ScratchFolder m_scratch;
  std::vector<std::unique_ptr<PluginJudge>> m_judges;
};

using Judges = std::vector<std::unique_ptr<PluginJudge>>;

// The plug-in's admission of every used log's pending lines (INVALID, DUPE), the logs
// shared among the judges' threads; the score of each log's admitted lines in `admitted`,
// by log index.
void AdmitAll(Judges& judges, Progress* progress, ContestSet* set,
              std::vector<SheetScore>* admitted);

// Every used log's checked score, its credited lines replayed through the plug-in (or the
// admission run's score where nothing it counted lost credit), and its claimed score.
void ScoreAll(Judges& judges, const std::vector<SheetScore>& admitted, bool dropUniques,
              Progress* progress, ContestSet* set);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_CROSSCHECK_STEPS_H_
