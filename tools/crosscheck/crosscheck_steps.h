#ifndef TARNO_TOOLS_CROSSCHECK_CROSSCHECK_STEPS_H_
#define TARNO_TOOLS_CROSSCHECK_CROSSCHECK_STEPS_H_

// The steps of a cross-check between loading the logs and writing the results, in the
// order the command runs them; each leaves its verdicts or results in the ContestSet.

#include <filesystem>
#include <memory>
#include <string>

#include "country_file.h"
#include "crosscheck/contest_period.h"
#include "crosscheck/contest_set.h"
#include "crosscheck/crosscheck_options.h"
#include "crosscheck/plugin_judge.h"
#include "crosscheck/progress.h"
#include "plugin_library.h"

namespace tarno::score {

// The period the options give, else DefaultPeriod; false with the reason on a bad date.
bool DecidePeriod(const CrosscheckOptions& options, const ContestSet& set, ContestPeriod* period,
                  std::string* error);

// Pending lines outside the period, at their log's corrected clock, become OUTSIDE.
void MarkOutside(const ContestPeriod& period, ContestSet* set);

// Every used log's own continent from the country file; a call in no country is noted.
void FindContinents(const CountryFile& countries, ContestSet* set);

// The loaded plug-in in a scratch folder of its own, which it leaves on destruction,
// returning to the folder it came from. The folder is in memory where the system has
// such a place (/dev/shm): the plug-in syncs its settings file after every score that
// changed, which on a disk costs more than the rest of a contest's check.
class PluginSession {
 public:
  PluginSession() = default;
  ~PluginSession();
  PluginSession(const PluginSession&) = delete;
  PluginSession& operator=(const PluginSession&) = delete;

  // False with the reason when the library cannot be loaded or the folder entered.
  bool Open(const std::string& pluginPath, const CountryFile& countries,
            const ContestPeriod& period, std::string* error);
  PluginJudge& judge() { return *m_judge; }

 private:
  PluginLibrary m_library;
  std::filesystem::path m_back;
  std::filesystem::path m_folder;
  std::unique_ptr<PluginJudge> m_judge;
};

// The plug-in's admission of every used log's pending lines (INVALID, DUPE); the score of
// each log's admitted lines in `admitted`, by log index.
void AdmitAll(PluginJudge* judge, Progress* progress, ContestSet* set,
              std::vector<SheetScore>* admitted);

// Every used log's checked score, its credited lines replayed through the plug-in (or the
// admission run's score where nothing it counted lost credit), and its claimed score.
void ScoreAll(PluginJudge* judge, const std::vector<SheetScore>& admitted, bool dropUniques,
              Progress* progress, ContestSet* set);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_CROSSCHECK_STEPS_H_
