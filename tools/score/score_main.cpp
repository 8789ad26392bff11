// Scores one contest log through the plug-in's exported entry points, as the logger
// would, and leaves "err.txt", "summary.txt" and (with --cabrillo) the
// Cabrillo file in the working folder. Every record it could not read or did not score
// is named, and the exit status says whether anything was lost.

#include "score/score_main.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cabrillo/cabrillo_log.h"
#include "contest/ascii_text.h"
#include "contest/county_rules.h"
#include "logs/adif_reader.h"
#include "logs/cabrillo_check.h"
#include "logs/cabrillo_reader.h"
#include "logs/country_file.h"
#include "logs/exchanges.h"
#include "logs/log_file.h"
#include "logs/log_text.h"
#include "replay/error_file_forecast.h"
#include "replay/plugin_library.h"
#include "replay/replay.h"
#include "replay/run_settings.h"

namespace tarno::score {
namespace {

constexpr double kLongestUnaskedSpanDays = 2.0;  // 48 hours: longer needs a period
// The log cannot be scored until the command line says more (the own call, the continent,
// the contest period): a usage error, as a script must tell it from a log that lost records.
constexpr int kMustSayMore = 2;

// Messages about the log go to standard error, each naming the file and the record.
class Reporter {
 public:
  Reporter(const std::string& file, bool adif) : m_file(file), m_unit(adif ? "record" : "line") {}

  void Say(int source, const std::string& text) const {
    std::fprintf(stderr, "%s: %s %d: %s\n", m_file.c_str(), m_unit, source, text.c_str());
  }
  void Say(const std::string& text) const {
    std::fprintf(stderr, "%s: %s\n", m_file.c_str(), text.c_str());
  }
  const char* unit() const { return m_unit; }

 private:
  std::string m_file;
  const char* m_unit;
};

// "3, 7, 10-25": record numbers, runs of consecutive ones joined.
std::string Ranges(const std::vector<int>& numbers) {
  std::string text;
  for (size_t i = 0; i < numbers.size();) {
    size_t j = i;
    while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1) ++j;
    text += (text.empty() ? "" : ", ") + std::to_string(numbers[i]);
    if (j > i) text += "-" + std::to_string(numbers[j]);
    i = j + 1;
  }
  return text;
}

// What the run found wrong; any of it makes the exit status 1.
struct Losses {
  size_t skipped = 0;
  size_t unaccounted = 0;  // records the file marks but that were neither read nor skipped
  bool otherContest = false;
  bool fileNotWritten = false;
  bool cabrilloProblems = false;

  bool any() const {
    return skipped || unaccounted || otherContest || fileNotWritten || cabrilloProblems;
  }
};

ReadLog ReadAnyLog(const std::string& text, const ScoreOptions& options, bool* adif) {
  *adif = LooksLikeAdif(text);
  AdifOptions adifOptions;
  adifOptions.exchangeField = options.exchangeField;
  return *adif ? ReadAdif(text, adifOptions) : ReadCabrillo(text);
}

void ReportReading(const ReadLog& log, const Reporter& say, Losses* losses) {
  for (const std::string& note : log.fileNotes) say.Say(note);
  std::vector<LogProblem> messages = log.notes;
  for (const LogProblem& problem : log.skipped)
    messages.push_back({problem.source, "skipped: " + problem.reason});
  std::stable_sort(messages.begin(), messages.end(),
                   [](const LogProblem& a, const LogProblem& b) { return a.source < b.source; });
  for (const LogProblem& message : messages) say.Say(message.source, message.reason);
  losses->skipped = log.skipped.size();
  const size_t accounted = log.qsos.size() + log.skipped.size();
  if (accounted < log.recordsFound) {
    losses->unaccounted = log.recordsFound - accounted;
    say.Say("the file marks " + std::to_string(log.recordsFound) + " records, but only " +
            std::to_string(accounted) + " were found when reading it");
  }
  if (!log.contest.empty() && !EqualsIgnoringCase(log.contest, "TARNO")) {
    losses->otherContest = true;
    say.Say("CONTEST: " + log.contest + " names another contest than TARNO");
  }
}

bool DecideOwnStation(const ScoreOptions& options, const ReadLog& log, const CountryFile& countries,
                      RunValues* run, std::string* error) {
  run->ownCall = options.ownCall;
  if (run->ownCall.empty() && !log.qsos.empty()) run->ownCall = log.qsos.front().stationCall;
  if (run->ownCall.empty()) run->ownCall = log.ownCall;
  if (run->ownCall.empty()) {
    *error = "the log does not say the own call; give it with --own-call";
    return false;
  }
  run->ownContinent = options.ownContinent;
  if (run->ownContinent.empty()) run->ownContinent = countries.Lookup(run->ownCall).continent;
  if (run->ownContinent.empty()) {
    *error = "the own call " + run->ownCall + " is not in the country file; give --continent";
    return false;
  }
  return true;
}

// The contest period: as given, else the days the log covers, which may be two at most.
bool DecidePeriod(const ScoreOptions& options, const std::vector<LogQso>& qsos, RunValues* run,
                  double* startDays, double* endDays, std::string* error) {
  if (options.hasPeriod) {
    *startDays = options.startDays;
    *endDays = options.endDays;
  } else {
    *startDays = qsos.front().oleDays;
    *endDays = *startDays;
    for (const LogQso& qso : qsos) {
      *startDays = std::min(*startDays, qso.oleDays);
      *endDays = std::max(*endDays, qso.oleDays);
    }
    if (*endDays - *startDays > kLongestUnaskedSpanDays) {
      *error = "the log runs from " + FormatOleDays(*startDays) + " to " + FormatOleDays(*endDays) +
               ", longer than one contest; give the contest period with --start and --end";
      return false;
    }
  }
  run->startDays = std::floor(*startDays);
  run->endDays = std::floor(*endDays);
  return true;
}

// Packs the QSOs inside the period for the replay, in time order, naming each one left
// out. The list as read goes as soon as it is packed: the plug-in's own copy of the log is
// about to grow beside what is kept.
bool ContestQsos(std::vector<LogQso> qsos, double startDays, double endDays, const RunValues& run,
                 const CountryFile& countries, const Reporter& say, size_t* outside,
                 PackedQsos* inside, std::string* error) {
  const double kHalfSecond = 0.5 / 86400.0;  // times are whole seconds held in a double
  inside->Reserve(qsos.size());
  size_t early = 0;
  double latest = 0.0;
  for (const LogQso& qso : qsos) {
    if (qso.oleDays < startDays - kHalfSecond || qso.oleDays > endDays + kHalfSecond) {
      say.Say(qso.source, FormatOleDays(qso.oleDays) + " " + qso.call +
                              " is outside the contest period: not scored");
      ++*outside;
      continue;
    }
    if (!inside->empty() && qso.oleDays < latest) ++early;
    latest = qso.oleDays;
    if (!inside->Add(qso, run.ownCall, countries)) {
      *error = "the log's texts pass the 4 GB one run can hold";
      return false;
    }
  }
  if (early > 0) {
    inside->SortByTime();
    say.Say(std::to_string(early) + " " + say.unit() +
            "s come before an earlier one: the QSOs are scored in time order, as they were logged");
  }
  return true;
}

bool PrepareFolder(const ScoreOptions& options, const RunValues& run, DialogAnswers* answers,
                   std::string* error) {
  HeaderFields fromFile;
  if (!options.headerFile.empty() && !ReadHeaderFile(options.headerFile, &fromFile, error)) {
    return false;
  }
  const HeaderFields header = MergedHeader(fromFile, options.header);
  if (!EnterRunFolder(options.folder, error)) return false;
  // An earlier run's files must not pass for this run's, should this one fail to write them.
  for (const std::string& stale :
       {std::string("err.txt"), std::string("summary.txt"), FileCallOf(run.ownCall) + ".cbr"}) {
    std::remove(stale.c_str());
  }
  std::vector<std::string> warnings;
  if (!WriteRunSettings(header, options.keepSettings, &warnings, error)) {
    *error = options.folder + ": " + *error;
    return false;
  }
  for (const std::string& warning : warnings)
    std::fprintf(stderr, "tarno-score: %s\n", warning.c_str());
  *answers = CategoryAnswers(header);
  return true;
}

size_t CountLines(const std::string& text) {
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

std::string WithLf(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

// The files of the run, each read back; what is missing or unsound is said and counted.
void ReportFiles(const ScoreOptions& options, const RunValues& run, const std::string& sheet,
                 Losses* losses) {
  const std::string& folder = options.folder;
  if (WriteWholeFile("summary.txt", sheet)) {
    std::printf("summary: %s/summary.txt\n", folder.c_str());
  } else {
    std::printf("summary: %s/summary.txt could not be written\n", folder.c_str());
    losses->fileNotWritten = true;
  }
  std::string text;
  std::string error;
  if (ReadRegularFile("err.txt", &text, &error)) {
    std::printf("err.txt: %s/err.txt (%zu lines)\n", folder.c_str(), CountLines(text));
  } else {
    std::printf("err.txt: %s/err.txt was not written\n", folder.c_str());
    losses->fileNotWritten = true;
  }
  if (!options.cabrillo) return;
  const std::string cabrillo = FileCallOf(run.ownCall) + ".cbr";
  if (!ReadRegularFile(cabrillo, &text, &error)) {
    std::printf("Cabrillo file: %s/%s was not written\n", folder.c_str(), cabrillo.c_str());
    losses->fileNotWritten = true;
    return;
  }
  const std::vector<CabrilloProblem> problems = CheckCabrillo(text);
  std::printf("Cabrillo file: %s/%s: %s\n", folder.c_str(), cabrillo.c_str(),
              FormatProblems(problems).c_str());
  losses->cabrilloProblems = !IsSound(problems);
}

// "1 QSO", "2 QSOs".
std::string Counted(size_t count, const std::string& what) {
  return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

// The QSOs the plug-in counted: the Total row of its sheet ("Total\t 373\t 879\t 73").
size_t CountedOfSheet(const std::string& sheet) {
  const size_t row = sheet.find("\nTotal\t");
  return row == std::string::npos ? 0 : std::strtoul(sheet.c_str() + row + 7, nullptr, 10);
}

// The plug-in refuses QSOs (a band or mode not in the contest, no exchange) and leaves
// dupes out of the count: what it replayed and what it counted are both said.
void PrintCounts(size_t replayed, size_t counted, size_t outside, size_t lost, const char* unit,
                 size_t unknownCountry) {
  std::printf("%s replayed, %zu counted%s, %zu outside the contest period, ",
              Counted(replayed, "QSO").c_str(), counted,
              counted < replayed ? " (see err.txt for the rest)" : "", outside);
  std::printf("%s skipped, %s in no known country\n", Counted(lost, unit).c_str(),
              Counted(unknownCountry, "call").c_str());
}

// err.txt is the operator's file, written as the plug-in always has; a log that would make it
// huge is named before the replay starts, while the run can still be stopped.
void WarnOfLargeErrorFile(const PackedQsos& qsos, const Reporter& say) {
  constexpr uint64_t kLargeErrorFileBytes = 100000000;
  const std::string warning = ErrorFileWarning(ForecastErrorFile(qsos), kLargeErrorFileBytes);
  if (!warning.empty()) say.Say("warning: " + warning);
}

int Fail(const std::string& error, int status) {
  std::fprintf(stderr, "tarno-score: %s\n", error.c_str());
  return status;
}

}  // namespace

int ScoreMain(const ScoreOptions& options) {
  std::string text;
  std::string error;
  if (!ReadRegularFile(options.logFile, &text, &error)) return Fail(error, 1);
  const TextDecoding decoding = DecodeLogText(&text);
  bool adif = false;
  ReadLog log = ReadAnyLog(text, options, &adif);
  std::string().swap(text);  // the log can be large, and is read (assigning keeps the buffer)
  const Reporter say(options.logFile, adif);
  if (!decoding.note.empty()) say.Say(decoding.note);
  Losses losses;
  ReportReading(log, say, &losses);
  if (log.qsos.empty()) return Fail(options.logFile + " holds no QSO that can be scored", 1);

  CountryFile countries;
  RunValues run;
  if (!countries.Load(options.countryFile, &error)) return Fail(error, 1);
  if (!DecideOwnStation(options, log, countries, &run, &error)) return Fail(error, kMustSayMore);
  ExchangeRules rules;
  rules.sentExchange = options.sentExchange;
  rules.ownIsHome = IsHomePrefix(countries.Lookup(run.ownCall).prefix);
  const ExchangeUse use = ResolveExchanges(rules, countries, &log.qsos);
  for (const LogProblem& note : use.notes) say.Say(note.source, note.reason);
  if (!use.noSent.empty()) {
    say.Say((use.noSent.size() == 1 ? "record " : "records ") + Ranges(use.noSent) +
            ": no sent exchange (no STX_STRING, STX or MY_STATE); give it with --sent-exchange");
  }
  double startDays = 0.0;
  double endDays = 0.0;
  if (!DecidePeriod(options, log.qsos, &run, &startDays, &endDays, &error)) {
    return Fail(error, kMustSayMore);
  }
  size_t outside = 0;
  PackedQsos qsos;
  if (!ContestQsos(std::move(log.qsos), startDays, endDays, run, countries, say, &outside, &qsos,
                   &error)) {
    return Fail(error, 1);
  }
  countries = CountryFile();  // every country is packed: room for the plug-in's log instead
  if (options.sentExchange == "serial") qsos.NumberSentExchanges();

  PluginLibrary plugin;
  const std::string pluginPath =
      options.plugin.empty() ? PluginLibrary::DefaultPath() : options.plugin;
  DialogAnswers answers;
  if (!plugin.Load(pluginPath, &error) || !PrepareFolder(options, run, &answers, &error)) {
    return Fail(error, 1);
  }
  std::printf("received exchange from: %s\n", FormatUse(use.received).c_str());
  std::printf("sent exchange from: %s\n", FormatUse(use.sent).c_str());
  run.cabrillo = options.cabrillo;
  WarnOfLargeErrorFile(qsos, say);
  const ReplayResult result = Replay(plugin.entries(), run, qsos, answers);
  for (size_t index : result.unknownCountry) {
    say.Say(qsos[index].source,
            std::string(qsos.Text(qsos[index].call)) + " is in no country of the country file");
  }
  std::printf("\n%s\n\n", WithLf(result.sheet).c_str());
  ReportFiles(options, run, result.sheet, &losses);
  PrintCounts(qsos.size(), CountedOfSheet(result.sheet), outside,
              losses.skipped + losses.unaccounted, say.unit(), result.unknownCountry.size());
  if (losses.any()) {
    std::printf("exit status 1: %s\n", losses.fileNotWritten     ? "a file could not be written"
                                       : losses.cabrilloProblems ? "the Cabrillo file has problems"
                                       : losses.otherContest
                                           ? "the log is of another contest"
                                           : "records were not scored (see above)");
  }
  return losses.any() ? 1 : 0;
}

}  // namespace tarno::score
