#include "crosscheck/crosscheck_steps.h"

#include <atomic>
#include <thread>

#include "contest/county_rules.h"
#include "contest/ole_date_time.h"
#include "replay/replay.h"

namespace tarno::score {
namespace {

namespace fs = std::filesystem;

// The prefix of the scratch folder's name, and of the plug-in's copies beside it.
constexpr char kScratchPrefix[] = "tarno-crosscheck";

fs::path ScratchRoot() {
  std::error_code error;
  return fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm")
                                             : fs::temp_directory_path(error);
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
    qso.note =
        set->texts.Intern(FormatOleDate(when, "%Y-%m-%d %H%M") + " is outside the contest period");
  }
}

void FindCountries(const CountryFile& countries, ContestSet* set) {
  std::vector<bool> looked(set->texts.Size(), false);
  std::vector<uint32_t> calls;
  for (const QsoRecord& qso : set->qsos) {
    if (qso.readable && !looked[qso.workedAsLogged]) {
      looked[qso.workedAsLogged] = true;
      calls.push_back(qso.workedAsLogged);
    }
  }
  set->countryOfCall.assign(set->texts.Size(), CallCountry{});
  for (uint32_t call : calls) {
    const CountryInfo info = countries.Lookup(set->texts.Text(call));
    CallCountry& country = set->countryOfCall[call];
    country.prefix = set->texts.Intern(info.prefix);
    country.continent = set->texts.Intern(info.continent);
    country.ha = StoredPrefix(info.prefix) == "HA";
    country.home = IsHomePrefix(info.prefix);
  }
  for (EntrantLog& log : set->logs) {
    if (!log.used) continue;
    log.ownContinent = countries.Lookup(log.call).continent;
    log.ownContinentId = set->texts.Intern(log.ownContinent);
    if (log.ownContinent.empty()) {
      set->problems.push_back({log.file,
                               log.call + " is in no country of the country file; its QSOs "
                                          "score as if on no continent",
                               false});
    }
  }
}

PluginSession::~PluginSession() {
  m_judges.clear();
  std::error_code ignored;
  for (const fs::path& copy : m_copies) fs::remove(copy, ignored);
  if (m_scratch.path().empty()) return;
  fs::current_path(m_back, ignored);
  m_scratch.Remove();
}

void PluginSession::LoadCopies(const std::string& pluginPath, int instances) {
  // Copies go beside the temporary files rather than in /dev/shm, which may forbid running
  // code from it.
  std::error_code failed;
  const fs::path temporary = fs::temp_directory_path(failed);
  if (failed) return;
  // Windows keeps a loaded file, so copies of runs that were killed stay until a later run.
  RemoveAbandoned(temporary, kScratchPrefix);
  const std::string name = ScratchName(kScratchPrefix);
  for (int i = 1; i < instances && !failed; ++i) {
    const fs::path copy =
        temporary / (name + "-" + std::to_string(i) + fs::path(pluginPath).extension().string());
    if (!fs::copy_file(pluginPath, copy, failed)) break;
    m_copies.push_back(copy);
    auto library = std::make_unique<PluginLibrary>();
    std::string ignored;
    if (!library->Load(copy.string(), &ignored)) break;
    // A copy stays loaded until the program ends: unloaded, it would drop the objects a
    // module keeps for the life of its process, which leak checkers rightly report. Where
    // the system lets a loaded file go, it goes now.
    static std::vector<std::unique_ptr<PluginLibrary>>* const kept =
        new std::vector<std::unique_ptr<PluginLibrary>>;
    kept->push_back(std::move(library));
    if (fs::remove(copy, failed)) m_copies.pop_back();
    failed.clear();
    m_entries.push_back(&kept->back()->entries());
  }
}

bool PluginSession::Open(const std::string& pluginPath, int instances, const CountryFile& countries,
                         const ContestPeriod& period, std::string* error) {
  if (!m_library.Load(pluginPath, error)) return false;
  m_entries.push_back(&m_library.entries());
  LoadCopies(pluginPath, instances);
  m_back = fs::current_path();
  if (!m_scratch.Make(ScratchRoot(), kScratchPrefix, error)) return false;
  // Armed before anything is made inside: a signal at any instant after the folder leaves
  // nothing behind (what is not made yet is passed over).
  m_scratch.RemoveOnInterrupt({"Plugins/TARNO-Contest.ini", "Plugins", "err.txt"});
  if (!EnterRunFolder(m_scratch.path().string(), error)) return false;
  // The plug-in writes one err.txt line per earlier copy of a contact at every further
  // copy, so the file grows with the square of a contact's repeats; nothing reads it here.
  // A folder of that name is a file the plug-in cannot open, which it passes over.
  MakeDirectory("err.txt");
  for (const EntryPoints* entries : m_entries)
    m_judges.push_back(std::make_unique<PluginJudge>(*entries, countries, period));
  return true;
}

namespace {

// Runs `work(judge, log)` for every used log, the logs shared out among the judges, each
// judge on a thread of its own.
template <typename Work>
void ForEachLog(Judges& judges, const ContestSet& set, Progress* progress, const char* stage,
                Work work) {
  std::atomic<size_t> next{0};
  std::atomic<size_t> done{0};
  auto run = [&](PluginJudge* judge) {
    for (size_t i; (i = next++) < set.logs.size();) {
      if (set.logs[i].used) work(judge, static_cast<uint32_t>(i));
      progress->Show(stage, ++done, set.logs.size());
    }
  };
  std::vector<std::thread> threads;
  for (size_t j = 1; j < judges.size(); ++j) threads.emplace_back(run, judges[j].get());
  run(judges[0].get());
  for (std::thread& thread : threads) thread.join();
  progress->Finish();
}

}  // namespace

void AdmitAll(Judges& judges, Progress* progress, ContestSet* set,
              std::vector<SheetScore>* admitted) {
  admitted->assign(set->logs.size(), SheetScore{});
  ForEachLog(judges, *set, progress, "admitting QSOs",
             [&](PluginJudge* judge, uint32_t i) { (*admitted)[i] = judge->Admit(i, set); });
  NoteAdmission(set);
}

void ScoreAll(Judges& judges, const std::vector<SheetScore>& admitted, bool dropUniques,
              Progress* progress, ContestSet* set) {
  const auto credited = [&](const QsoRecord& q) { return IsCredited(q.verdict, dropUniques); };
  // A log the sponsor decided a line of is scored through the plug-in: a decision may
  // credit a line the plug-in refused.
  std::vector<bool> decided(set->logs.size(), false);
  for (const auto& [record, decision] : set->decisions) decided[set->qsos[record].log] = true;
  ForEachLog(judges, *set, progress, "scoring logs", [&](PluginJudge* judge, uint32_t i) {
    EntrantLog& log = set->logs[i];
    const bool nothingLost = NothingLost(*set, log, dropUniques);
    const bool outside = log.counts[static_cast<int>(Verdict::kOutside)] > 0;
    SheetScore checked = admitted[i], all = admitted[i];
    // Where the plug-in's own rules, worked out here, give exactly what its admission run
    // gave, they give the other scores too, without a run through it for each.
    if ((!nothingLost || outside) &&
        (decided[i] ||
         !judge->ModelScores(i, *set, admitted[i], credited, nothingLost ? nullptr : &checked,
                             outside ? &all : nullptr))) {
      if (!nothingLost) checked = judge->Score(i, *set, credited);
      if (outside) all = judge->Score(i, *set, [](const QsoRecord&) { return true; });
    }
    log.checked = checked.score;
    log.checkedPoints = checked.points;
    log.checkedCounties = checked.counties;
    log.checkedBands = checked.bands;
    // The report's claimed column is the plug-in's count of every line, even where the
    // header claims a score of its own.
    log.claimed = log.claimedHeader >= 0 ? log.claimedHeader : all.score;
    log.claimedBands = all.bands;
  });
}

}  // namespace tarno::score
