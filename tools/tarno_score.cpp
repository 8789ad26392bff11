// tarno-score: scores a contest log through the plug-in's exported entry points, as
// the logger would, and leaves "err.txt" and (with --cabrillo) the Cabrillo file in
// the working folder.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "adif_reader.h"
#include "cabrillo/cabrillo_log.h"
#include "cabrillo_check.h"
#include "cabrillo_reader.h"
#include "country_file.h"
#include "crosscheck/crosscheck_main.h"
#include "plugin_library.h"
#include "replay.h"
#include "score_options.h"

namespace tarno::score {
namespace {

bool ReadWholeFile(const std::string& path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool DayOf(const std::string& text, double* days) {
  return OleDaysOf(std::stoi(text.substr(0, 4)), std::stoi(text.substr(5, 2)),
                   std::stoi(text.substr(8, 2)), 0, 0, 0, days);
}

std::string WithLf(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

size_t CountLines(const std::string& path) {
  std::string text;
  if (!ReadWholeFile(path, &text)) return 0;
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

// The values of the statistics run: what the options say, else what the log says.
bool DecideRun(const ScoreOptions& options, const ReadLog& log, const CountryFile& countries,
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
  double first = log.qsos.front().oleDays;
  double last = first;
  for (const LogQso& qso : log.qsos) {
    first = std::min(first, qso.oleDays);
    last = std::max(last, qso.oleDays);
  }
  run->startDays = std::floor(first);
  run->endDays = std::floor(last);
  if ((!options.startDate.empty() && !DayOf(options.startDate, &run->startDays)) ||
      (!options.endDate.empty() && !DayOf(options.endDate, &run->endDays))) {
    *error = "a contest date is not a valid calendar date";
    return false;
  }
  return true;
}

void ReportSkipped(const std::string& file, bool adif, const ReadLog& log) {
  for (const LogProblem& problem : log.skipped) {
    std::fprintf(stderr, "%s: %s %d skipped: %s\n", file.c_str(), adif ? "record" : "line",
                 problem.source, problem.reason.c_str());
  }
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

int CheckCommand(const std::string& path, const std::string& text) {
  const std::vector<CabrilloProblem> problems = CheckCabrillo(text);
  std::printf("%s: %s\n", path.c_str(), FormatProblems(problems).c_str());
  return problems.empty() ? 0 : 1;
}

int Run(const ScoreOptions& options) {
  std::string text;
  if (!ReadWholeFile(options.logFile, &text)) {
    std::fprintf(stderr, "tarno-score: cannot read %s\n", options.logFile.c_str());
    return 1;
  }
  if (options.check) return CheckCommand(options.logFile, text);

  const bool adif = LooksLikeAdif(text);
  const ReadLog log = adif ? ReadAdif(text) : ReadCabrillo(text);
  ReportSkipped(options.logFile, adif, log);
  if (log.qsos.empty()) {
    std::fprintf(stderr, "tarno-score: %s holds no QSO that can be scored\n",
                 options.logFile.c_str());
    return 1;
  }
  CountryFile countries;
  std::string error;
  RunValues run;
  PluginLibrary plugin;
  const std::string pluginPath =
      options.plugin.empty() ? PluginLibrary::DefaultPath() : options.plugin;
  if (!countries.Load(options.countryFile, &error) ||
      !DecideRun(options, log, countries, &run, &error) || !plugin.Load(pluginPath, &error) ||
      !EnterRunFolder(options.folder, &error)) {
    std::fprintf(stderr, "tarno-score: %s\n", error.c_str());
    return 1;
  }

  run.cabrillo = options.cabrillo;
  const ReplayResult result = Replay(plugin.entries(), run, log.qsos, countries);
  const std::string& sheet = result.sheet;
  for (size_t index : result.unknownCountry) {
    const LogQso& qso = log.qsos[index];
    std::fprintf(stderr, "QSO %d: %s is in no country of the country file\n", qso.source,
                 qso.call.c_str());
  }
  const size_t unknownCountries = result.unknownCountry.size();
  std::printf("%s\n\n", WithLf(sheet).c_str());
  // The sheet as the plug-in returned it, for whoever wants its exact bytes.
  if (!WriteWholeFile("summary.txt", sheet)) std::fprintf(stderr, "cannot write summary.txt\n");
  std::printf("summary: %s/summary.txt\n", options.folder.c_str());
  std::printf("err.txt: %s/err.txt (%zu lines)\n", options.folder.c_str(), CountLines("err.txt"));
  int status = 0;
  if (options.cabrillo) {
    const std::string cabrillo = FileCallOf(run.ownCall) + ".cbr";
    std::string written;
    if (!ReadWholeFile(cabrillo, &written)) {
      std::printf("Cabrillo file: %s/%s was not written\n", options.folder.c_str(),
                  cabrillo.c_str());
      status = 1;
    } else {
      std::printf("Cabrillo file: %s/%s: %s\n", options.folder.c_str(), cabrillo.c_str(),
                  FormatProblems(CheckCabrillo(written)).c_str());
    }
  }
  std::printf("%zu QSOs read, %zu records skipped, %zu calls in no known country\n", log.qsos.size(),
              log.skipped.size(), unknownCountries);
  return status;
}

}  // namespace
}  // namespace tarno::score

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && args[0] == "crosscheck") {
    return tarno::score::CrosscheckMain(std::vector<std::string>(args.begin() + 1, args.end()));
  }
  tarno::score::ScoreOptions options;
  std::string error;
  if (!tarno::score::ParseScoreOptions(args, &options, &error)) {
    std::fprintf(stderr, "tarno-score: %s\n%s", error.c_str(), tarno::score::kUsage);
    return 2;
  }
  return tarno::score::Run(options);
}
