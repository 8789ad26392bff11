#include "crosscheck/crosscheck_steps.h"

#include <chrono>

#include "contest/ole_date_time.h"
#include "replay.h"

namespace tarno::score {
namespace {

namespace fs = std::filesystem;

fs::path ScratchFolder() {
  std::error_code error;
  const fs::path root = fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm")
                                                            : fs::temp_directory_path(error);
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  return root / ("tarno-crosscheck-" + std::to_string(stamp));
}

// Whether every line the plug-in admitted and counted is credited, so that the admission
// run's score is already the checked score.
bool NothingLost(const ContestSet& set, const EntrantLog& log, bool dropUniques) {
  for (size_t i = log.firstQso; i < log.firstQso + log.qsoCount; ++i) {
    const QsoRecord& qso = set.qsos[i];
    if (qso.verdict == Verdict::kDupe || qso.verdict == Verdict::kInvalid || !qso.readable)
      continue;
    if (!IsCredited(qso.verdict, dropUniques)) return false;
  }
  return true;
}

}  // namespace

bool DecidePeriod(const CrosscheckOptions& options, const ContestSet& set, ContestPeriod* period,
                  std::string* error) {
  *period = DefaultPeriod(set);
  if (!options.start.empty() && !ParsePeriodTime(options.start, false, &period->startSeconds)) {
    *error = "--start \"" + options.start + "\" is not YYYY-MM-DD or YYYY-MM-DD HH:MM";
    return false;
  }
  if (!options.end.empty() && !ParsePeriodTime(options.end, true, &period->endSeconds)) {
    *error = "--end \"" + options.end + "\" is not YYYY-MM-DD or YYYY-MM-DD HH:MM";
    return false;
  }
  if (!options.start.empty() || !options.end.empty()) period->how = "as given";
  if (period->endSeconds < period->startSeconds) {
    *error = "the contest period ends before it starts";
    return false;
  }
  return true;
}

void MarkOutside(const ContestPeriod& period, ContestSet* set) {
  for (QsoRecord& qso : set->qsos) {
    if (qso.verdict != Verdict::kPending || !set->logs[qso.log].used) continue;
    const long long seconds = CorrectedSeconds(*set, qso);
    if (seconds >= period.startSeconds && seconds <= period.endSeconds) continue;
    qso.verdict = Verdict::kOutside;
    COleDateTime when;
    when.m_dt = qso.oleDays;
    qso.note = set->texts.Intern(FormatOleDate(when, "%Y-%m-%d %H%M") +
                                 " is outside the contest period");
  }
}

void FindContinents(const CountryFile& countries, ContestSet* set) {
  for (EntrantLog& log : set->logs) {
    if (!log.used) continue;
    log.ownContinent = countries.Lookup(log.call).continent;
    if (log.ownContinent.empty()) {
      set->problems.push_back({log.file,
                               log.call + " is in no country of the country file; its QSOs "
                                          "score as if on no continent",
                               false});
    }
  }
}

PluginSession::~PluginSession() {
  if (m_folder.empty()) return;
  m_judge.reset();
  std::error_code ignored;
  fs::current_path(m_back, ignored);
  fs::remove_all(m_folder, ignored);
}

bool PluginSession::Open(const std::string& pluginPath, const CountryFile& countries,
                         const ContestPeriod& period, std::string* error) {
  if (!m_library.Load(pluginPath, error)) return false;
  m_back = fs::current_path();
  m_folder = ScratchFolder();
  if (!EnterRunFolder(m_folder.string(), error)) return false;
  m_judge = std::make_unique<PluginJudge>(m_library.entries(), countries, period);
  return true;
}

void AdmitAll(PluginJudge* judge, Progress* progress, ContestSet* set,
              std::vector<SheetScore>* admitted) {
  admitted->assign(set->logs.size(), SheetScore{});
  for (uint32_t i = 0; i < set->logs.size(); ++i) {
    if (set->logs[i].used) (*admitted)[i] = judge->Admit(i, set);
    progress->Show("admitting QSOs", i + 1, set->logs.size());
  }
  progress->Finish();
}

void ScoreAll(PluginJudge* judge, const std::vector<SheetScore>& admitted, bool dropUniques,
              Progress* progress, ContestSet* set) {
  const auto credited = [&](const QsoRecord& q) { return IsCredited(q.verdict, dropUniques); };
  for (uint32_t i = 0; i < set->logs.size(); ++i) {
    EntrantLog& log = set->logs[i];
    progress->Show("scoring logs", i + 1, set->logs.size());
    if (!log.used) continue;
    const SheetScore checked =
        NothingLost(*set, log, dropUniques) ? admitted[i] : judge->Score(i, *set, credited);
    log.checked = checked.score;
    log.checkedPoints = checked.points;
    log.checkedCounties = checked.counties;
    if (log.claimedHeader >= 0) {
      log.claimed = log.claimedHeader;
    } else if (log.counts[static_cast<int>(Verdict::kOutside)] == 0) {
      log.claimed = admitted[i].score;
    } else {
      log.claimed = judge->Score(i, *set, [](const QsoRecord&) { return true; }).score;
    }
  }
  progress->Finish();
}

}  // namespace tarno::score
