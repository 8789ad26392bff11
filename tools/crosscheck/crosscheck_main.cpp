#include "crosscheck/crosscheck_main.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "contest/ole_date_time.h"
#include "country_file.h"
#include "crosscheck/clock_offset.h"
#include "crosscheck/contest_period.h"
#include "crosscheck/crosscheck_options.h"
#include "crosscheck/entrant_report.h"
#include "crosscheck/log_loading.h"
#include "crosscheck/matching.h"
#include "crosscheck/pair_index.h"
#include "crosscheck/plugin_judge.h"
#include "crosscheck/result_table.h"
#include "crosscheck/results_html.h"
#include "plugin_library.h"
#include "replay.h"

namespace tarno::score {
namespace {

namespace fs = std::filesystem;

bool DecidePeriod(const CrosscheckOptions& options, const ContestSet& set, ContestPeriod* period,
                  std::string* error) {
  *period = DefaultPeriod(set);
  if (!options.start.empty()) {
    if (!ParsePeriodTime(options.start, false, &period->startSeconds)) {
      *error = "--start \"" + options.start + "\" is not YYYY-MM-DD or YYYY-MM-DD HH:MM";
      return false;
    }
  }
  if (!options.end.empty()) {
    if (!ParsePeriodTime(options.end, true, &period->endSeconds)) {
      *error = "--end \"" + options.end + "\" is not YYYY-MM-DD or YYYY-MM-DD HH:MM";
      return false;
    }
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

// Whether every line the plug-in admitted and counted is credited, so that the admission
// run's score is already the checked score.
bool NothingLost(const ContestSet& set, const EntrantLog& log, bool dropUniques) {
  for (size_t i = log.firstQso; i < log.firstQso + log.qsoCount; ++i) {
    const Verdict verdict = set.qsos[i].verdict;
    if (verdict == Verdict::kDupe || verdict == Verdict::kInvalid || !set.qsos[i].readable)
      continue;
    if (!IsCredited(verdict, dropUniques)) return false;
  }
  return true;
}

void Score(PluginJudge* judge, const std::vector<SheetScore>& admitted, bool dropUniques,
           Progress* progress, ContestSet* set) {
  for (uint32_t i = 0; i < set->logs.size(); ++i) {
    EntrantLog& log = set->logs[i];
    if (!log.used) continue;
    progress->Show("scoring logs", i + 1, set->logs.size());
    const SheetScore checked =
        NothingLost(*set, log, dropUniques)
            ? admitted[i]
            : judge->Score(i, *set, [&](const QsoRecord& q) { return IsCredited(q.verdict, dropUniques); });
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

// The plug-in syncs its settings file to disk after every score that changed, which
// on a disk costs more than all the rest of a contest's check: its scratch folder goes
// where the system keeps files in memory, where it has such a place.
fs::path ScratchFolder() {
  std::error_code error;
  fs::path root = fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm")
                                                      : fs::temp_directory_path(error);
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  return root / ("tarno-crosscheck-" + std::to_string(stamp));
}

// Runs the plug-in over every log in a scratch folder, removed afterwards.
bool Judge(const CrosscheckOptions& options, const CountryFile& countries,
           const ContestPeriod& period, const PairIndex& index, Progress* progress,
           ContestSet* set, std::string* error) {
  PluginLibrary plugin;
  const std::string pluginPath =
      options.plugin.empty() ? PluginLibrary::DefaultPath() : options.plugin;
  if (!plugin.Load(pluginPath, error)) return false;
  const fs::path back = fs::current_path();
  const fs::path runFolder = ScratchFolder();
  if (!EnterRunFolder(runFolder.string(), error)) return false;
  PluginJudge judge(plugin.entries(), countries, period);
  std::vector<SheetScore> admitted(set->logs.size());
  for (uint32_t i = 0; i < set->logs.size(); ++i) {
    if (set->logs[i].used) admitted[i] = judge.Admit(i, set);
    progress->Show("admitting QSOs", i + 1, set->logs.size());
  }
  progress->Finish();
  MatchQsos(index, options.windowMinutes, set);
  TallyVerdicts(set);
  Score(&judge, admitted, options.dropUniques, progress, set);
  std::error_code ignored;
  fs::current_path(back, ignored);
  fs::remove_all(runFolder, ignored);
  return true;
}

bool WriteReports(const ContestSet& set, const ReportContext& context, const std::string& folder,
                  std::string* error) {
  const std::vector<std::vector<uint32_t>> copiedWrong = CopiedWrongByLog(set);
  for (uint32_t i = 0; i < set.logs.size(); ++i) {
    if (!set.logs[i].used) continue;
    const std::string path = (fs::path(folder) / ReportFileName(set.logs[i].call)).string();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << EntrantReport(set, i, copiedWrong[i], context);
    if (!out) {
      *error = "cannot write " + path;
      return false;
    }
  }
  return true;
}

bool WriteOutputs(const ContestSet& set, const ReportContext& context, const std::string& folder,
                  std::string* error) {
  const std::vector<RankedLog> ranking = RankLogs(set);
  const fs::path out(folder);
  return WriteVerdictsCsv(set, (out / "verdicts.csv").string(), error) &&
         WriteResultsCsv(set, ranking, context.dropUniques, (out / "results.csv").string(),
                         error) &&
         WriteReports(set, context, folder, error) &&
         WriteResultsHtml(set, ranking, context, (out / "results.html").string(), error);
}

int Fail(const std::string& error) {
  std::fprintf(stderr, "tarno-score crosscheck: %s\n", error.c_str());
  return 2;
}

}  // namespace

int CrosscheckMain(const std::vector<std::string>& args) {
  CrosscheckOptions options;
  std::string error;
  if (!ParseCrosscheckOptions(args, &options, &error)) {
    std::fprintf(stderr, "tarno-score crosscheck: %s\n%s", error.c_str(), kCrosscheckUsage);
    return 2;
  }
  CountryFile countries;
  if (!countries.Load(options.countryFile, &error)) return Fail(error);
  std::error_code made;
  fs::create_directories(options.outFolder, made);
  if (!fs::is_directory(options.outFolder)) return Fail("cannot make " + options.outFolder);
  options.outFolder = fs::absolute(options.outFolder).string();

  Progress progress(isatty(fileno(stderr)) != 0);
  ContestSet set;
  const std::vector<std::string> files = ListLogFiles(options.inputs, &set.problems);
  LoadContestSet(files, options.threads, &progress, &set);
  const PairIndex index(set, options.threads);
  DetectClockOffsets(index, options.windowMinutes, &set);
  ReportContext context;
  context.windowMinutes = options.windowMinutes;
  context.dropUniques = options.dropUniques;
  if (!DecidePeriod(options, set, &context.period, &error)) return Fail(error);
  MarkOutside(context.period, &set);
  FindContinents(countries, &set);
  if (!Judge(options, countries, context.period, index, &progress, &set, &error) ||
      !WriteOutputs(set, context, options.outFolder, &error)) {
    return Fail(error);
  }

  bool unused = false;
  for (const FileProblem& problem : set.problems) {
    std::fprintf(stderr, "%s: %s%s\n", problem.file.c_str(), problem.message.c_str(),
                 problem.unused ? " (not used)" : "");
    unused = unused || problem.unused;
  }
  size_t used = 0, lines = 0;
  for (const EntrantLog& log : set.logs) {
    if (!log.used) continue;
    ++used;
    lines += log.qsoCount;
    if (log.clockOffsetMinutes != 0) {
      std::fprintf(stderr, "%s: clock %s the other logs'; matched with it corrected\n",
                   log.call.c_str(), ClockText(log.clockOffsetMinutes).c_str());
    }
  }
  std::printf("contest period %s to %s UTC (%s)\n",
              FormatSeconds(context.period.startSeconds).c_str(),
              FormatSeconds(context.period.endSeconds).c_str(), context.period.how.c_str());
  std::printf("%zu logs checked, %zu QSO lines; results in %s\n", used, lines,
              options.outFolder.c_str());
  return unused ? 1 : 0;
}

}  // namespace tarno::score
