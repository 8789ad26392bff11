#include "crosscheck/crosscheck_main.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <thread>

#include "contest/ascii_text.h"
#include "crosscheck/clock_offset.h"
#include "crosscheck/club_table.h"
#include "crosscheck/contest_rules.h"
#include "crosscheck/contest_statistics.h"
#include "crosscheck/contest_title.h"
#include "crosscheck/crosscheck_options.h"
#include "crosscheck/crosscheck_steps.h"
#include "crosscheck/decisions.h"
#include "crosscheck/entrant_certificates.h"
#include "crosscheck/entrant_files.h"
#include "crosscheck/entrant_report.h"
#include "crosscheck/entrant_score.h"
#include "crosscheck/log_loading.h"
#include "crosscheck/matching.h"
#include "crosscheck/pair_index.h"
#include "crosscheck/rankings.h"
#include "crosscheck/result_table.h"
#include "crosscheck/results_html.h"
#include "crosscheck/results_json.h"
#include "crosscheck/review.h"
#include "crosscheck/statistics_html.h"
#include "logs/country_file.h"

namespace tarno::score {
namespace {

namespace fs = std::filesystem;

// What the results say of the contest beyond the logs, and how its certificates are drawn.
struct Publication {
  PublishedContest contest;
  CertificateOptions certificates;
  CertificateWriter writer = nullptr;  // null: this build draws none
  bool drawCertificates = true;
};

Publication PublicationOf(const CrosscheckOptions& options, const ContestSet& set,
                          const ReportContext& context, CertificateWriter writer) {
  Publication publication;
  publication.contest.name = ContestName(set);
  publication.contest.year = ContestYear(context.period);
  publication.contest.title = context.title;
  publication.drawCertificates = options.certificates;
  publication.writer = writer;
  publication.contest.certificates = options.certificates && writer != nullptr;
  publication.certificates =
      CertificateOptionsOf(options, options.title.empty() ? publication.contest.name : options.title,
                           publication.contest.year);
  return publication;
}

// Scores the logs while verdicts.csv, which needs no score, is written on another
// thread; then the reports on one thread and the results on this one. A file written
// here is never to be read as a log: ListLogFiles knows each name.
bool ScoreAndWrite(Judges& judges, const std::vector<SheetScore>& admitted,
                   const ContestRules& rules, const ReportContext& context,
                   const SponsorFiles& sponsor, const CountryFile& countries,
                   const Publication& publication, const std::string& folder, Progress* progress,
                   ContestSet* set, std::string* error) {
  const fs::path out(folder);
  std::string verdictsError, reportsError;
  bool verdictsWritten = false, reportsWritten = false;
  std::thread verdicts([&] {
    verdictsWritten = WriteVerdictsCsv(*set, (out / "verdicts.csv").string(), &verdictsError);
  });
  ScoreAll(judges, admitted, context.dropUniques, progress, set);
  verdicts.join();
  if (rules.AnyPenalty()) ApplyPenalties(rules.penalty, rules.DropUniques(), countries, set);
  std::vector<RankedLog> ranking = RankLogs(*set);
  std::vector<FileProblem> notes;
  const Standings standings = PlaceInCategories(*set, sponsor, countries, &ranking, &notes);
  // The pages compare each entrant with its neighbour in its category, so they wait for
  // the places.
  std::thread reports([&] {
    reportsWritten = WriteEntrantFiles(*set, ranking, standings, countries, context, folder,
                                       progress, &reportsError);
  });
  // The certificates take the longest of what is written, one at a time: alongside the rest.
  std::string certificatesError;
  bool certificatesWritten = true;
  std::thread certificates([&] {
    if (!publication.drawCertificates) return;
    certificatesWritten = WriteEntrantCertificates(
        publication.writer, CertificatesOf(*set, ranking, standings), publication.certificates,
        folder, context.threads, &notes, &certificatesError);
  });
  const std::vector<ClubRow> clubs = ClubTotals(*set, ranking);
  const ContestStatistics statistics =
      GatherStatistics(*set, ranking, standings, countries, context);
  const bool resultsWritten =
      WriteResultsCsv(*set, ranking, context.dropUniques, (out / "results.csv").string(), error) &&
      WriteClubsCsv(*set, ranking, clubs, (out / "clubs.csv").string(), error) &&
      WriteResultsHtml(*set, ranking, standings, clubs, context, folder, error) &&
      WriteResultsJson(*set, ranking, standings, clubs, context, publication.contest,
                       (out / "results.json").string(), error) &&
      WriteStatisticsPages(statistics, publication.contest.title, context.period, folder, error);
  const Review review = ReviewLogs(*set, rules);
  const bool reviewWritten =
      resultsWritten && WriteReviewCsv(*set, review, rules, (out / "review.csv").string(), error) &&
      WriteReviewHtml(*set, review, rules, context.title,
                      SponsorWantedLogs(statistics, Catalogue::Of(Language::kEnglish)),
                      (out / "review.html").string(), error);
  reports.join();
  certificates.join();
  set->problems.insert(set->problems.end(), notes.begin(), notes.end());
  if (!verdictsWritten) *error = verdictsError;
  if (!reportsWritten) *error = reportsError;
  if (!certificatesWritten) *error = certificatesError;
  return verdictsWritten && reportsWritten && reviewWritten && certificatesWritten;
}

int Fail(const std::string& error) {
  std::fprintf(stderr, "tarno-score crosscheck: %s\n", error.c_str());
  return 2;
}

// Tells what went wrong with the input and what the run found; the exit status.
int Conclude(const ContestSet& set, const ReportContext& context, const std::string& folder) {
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
    if (log.clock.Corrected()) {
      std::fprintf(stderr, "%s: clock %s; matched with it corrected\n", log.call.c_str(),
                   ClockFitText(log.clock).c_str());
    }
    for (const MissingStretch& stretch : log.missing) {
      std::fprintf(stderr,
                   "%s: a partial log: no QSO from %s to %s, while %d lines of %d other logs "
                   "hold QSOs with it; those lines are NOT-IN-PARTIAL-LOG (credited)\n",
                   log.call.c_str(), FormatSeconds(stretch.fromSeconds).c_str(),
                   FormatSeconds(stretch.toSeconds).c_str(), stretch.lines, stretch.logs);
    }
    if (log.sentFix.kind != SentFix::kNone) {
      std::fprintf(stderr,
                   "%s: what its partners copied overrules its sent-exchange column (%d of %d "
                   "lines); see its report\n",
                   log.call.c_str(), log.sentFix.agreeing, log.sentFix.lines);
    }
  }
  if (context.period.open) {
    std::printf("contest period %s\n", PeriodText(context.period).c_str());
  } else {
    std::printf("contest period %s (%s)\n", PeriodText(context.period).c_str(),
                context.period.how.c_str());
  }
  std::printf("%zu logs checked, %zu QSO lines; results in %s\n", used, lines, folder.c_str());
  if (used == 0) {
    std::fprintf(stderr, "tarno-score crosscheck: no log could be checked\n");
    return 2;
  }
  return unused ? 1 : 0;
}

}  // namespace

int CrosscheckMain(const std::vector<std::string>& args, CertificateWriter certificates) {
  CrosscheckOptions options;
  std::string error;
  if (!ParseCrosscheckOptions(args, &options, &error)) {
    std::fprintf(stderr, "tarno-score crosscheck: %s\n%s", error.c_str(), kCrosscheckUsage);
    return 2;
  }
  if (options.help) {
    std::fputs(kCrosscheckUsage, stdout);
    return 0;
  }
  CountryFile countries;
  if (!countries.Load(options.countryFile, &error)) return Fail(error);
  SponsorFiles sponsor;
  if (!LoadSponsorFiles(options.categoriesFile, options.entrantsFile, &sponsor, &error))
    return Fail(error);
  ContestRules rules;
  if (!options.rulesFile.empty() && !LoadContestRules(options.rulesFile, &rules, &error))
    return Fail(error);
  // The command line wins over the rules file.
  if (options.windowGiven || options.rulesFile.empty()) rules.windowMinutes = options.windowMinutes;
  if (options.dropUniques) rules.uniques = ContestRules::Uniques::kDropped;
  std::vector<Decision> decisions;
  if (!options.decisionsFile.empty() && !LoadDecisions(options.decisionsFile, &decisions, &error))
    return Fail(error);
  std::error_code made;
  fs::create_directories(options.outFolder, made);
  if (!fs::is_directory(options.outFolder)) return Fail("cannot make " + options.outFolder);
  options.outFolder = fs::absolute(options.outFolder).string();

  Progress progress(StderrIsTerminal());
  ContestSet set;
  LoadContestSet(ListLogFiles(options.inputs, &set.problems, options.outFolder), options.threads,
                 &progress, &set);
  // The pair index is a fifth of the memory the contest takes, and nothing after the
  // matching needs it.
  auto index = std::make_unique<PairIndex>(set, options.threads);
  DetectClockOffsets(*index, rules.windowMinutes, &set);
  ReportContext context;
  context.windowMinutes = rules.windowMinutes;
  context.dropUniques = rules.DropUniques();
  context.penalty = rules.penalty;
  context.threads = options.threads;
  if (!DecidePeriod(options, set, &context.period, &error)) return Fail(error);
  // The title the sponsor gave, else the CONTEST: most logs give; with the period's year.
  context.title = ContestTitle(options.title.empty() ? ContestName(set) : options.title,
                               ContestYear(context.period));
  context.certificates = options.certificates && certificates != nullptr;
  MarkOutside(context.period, &set);
  FindCountries(countries, &set);

  PluginSession plugin;
  const std::string pluginPath =
      options.plugin.empty() ? PluginLibrary::DefaultPath() : options.plugin;
  if (!plugin.Open(pluginPath, options.threads, countries, context.period, &error))
    return Fail(error);
  std::vector<SheetScore> admitted;
  AdmitAll(plugin.judges(), &progress, &set, &admitted);
  MatchQsos(*index, rules, &set);
  index.reset();
  if (!ApplyDecisions(decisions, &set, &error)) return Fail(options.decisionsFile + ": " + error);
  TallyVerdicts(&set);
  const Publication publication = PublicationOf(options, set, context, certificates);
  if (!ScoreAndWrite(plugin.judges(), admitted, rules, context, sponsor, countries, publication,
                     options.outFolder, &progress, &set, &error)) {
    return Fail(error);
  }
  return Conclude(set, context, options.outFolder);
}

}  // namespace tarno::score
