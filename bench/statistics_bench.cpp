// tarno_statistics_bench: the contest's statistics, its two pages and results.json over a
// whole contest held in memory, as the cross-check makes them after the logs are checked
// (see docs/benchmarks.md, "Statistics and results.json").
//
//   tarno_statistics_bench [LOGS [QSOS]]     (default: 10000 400)
//
// Makes up a checked contest of LOGS logs of QSOS lines each (a third as many stations on
// the air again without a log, two in five stations at home, their counties and serials, one
// line in twelve lost or set aside, one in a hundred busted into a call of its own; as many
// texts as such a contest's logs hold), ranks
// it in five categories, and times each step on one thread: gathering the statistics,
// making statistics.html in both languages, and writing results.json (to a scratch file
// under $TMPDIR, removed at the end). For each: wall time, the most heap it held at once
// beyond the contest (operator new counted, heap_counter.h), and the size of what it made.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "crosscheck/club_table.h"
#include "crosscheck/contest_statistics.h"
#include "crosscheck/contest_title.h"
#include "crosscheck/results_json.h"
#include "crosscheck/statistics_html.h"
#include "heap_counter.h"

namespace {

using namespace tarno::score;
using Clock = std::chrono::steady_clock;

const char kCountries[] =
    "Hungary: 15: 28: EU: 47.12: -19.28: -1.0: HA:\n    HA,HG;\n"
    "Czech Republic: 15: 28: EU: 50.00: -15.00: -1.0: OK:\n    OK,OL;\n"
    "Fed. Rep. of Germany: 14: 28: EU: 51.00: -10.00: -1.0: DL:\n    DL,DA,DJ,DK;\n"
    "Austria: 15: 28: EU: 47.33: -13.33: -1.0: OE:\n    OE;\n"
    "Slovak Republic: 15: 28: EU: 49.00: -20.00: -1.0: OM:\n    OM;\n"
    "Poland: 15: 28: EU: 52.28: -18.67: -1.0: SP:\n    SP,SQ;\n"
    "Croatia: 15: 28: EU: 45.17: -15.50: -1.0: 9A:\n    9A;\n"
    "United States: 5: 8: NA: 37.53: 91.67: 5.0: K:\n    K,W,N;\n";
const char* const kPrefixes[] = {"HA", "HG", "HA", "HA", "OK", "DL", "OE", "OM", "SP", "9A", "W"};
const char* const kBands[] = {"160m", "80m", "40m", "20m", "15m", "10m"};
const char* const kCounties[] = {"BA", "BE", "BN", "BO", "BP", "CS", "FE", "GY", "HB", "HE",
                                 "KO", "NG", "PE", "SA", "SO", "SZ", "TO", "VA", "VE", "ZA"};

std::string CallOf(size_t station) {
  std::string call = kPrefixes[station % (sizeof kPrefixes / sizeof *kPrefixes)];
  call += static_cast<char>('0' + station % 10);
  for (size_t rest = station / 10, i = 0; i < 3; ++i, rest /= 26)
    call += static_cast<char>('A' + rest % 26);
  return call;
}

bool IsHome(const std::string& call) { return call[0] == 'H'; }

Verdict VerdictOf(std::mt19937& random) {
  const int roll = static_cast<int>(random() % 1000);
  if (roll < 20) return Verdict::kNil;
  if (roll < 40) return Verdict::kBustedExchange;
  if (roll < 50) return Verdict::kUnique;
  if (roll < 60) return Verdict::kDupe;
  if (roll < 65) return Verdict::kInvalid;
  if (roll < 68) return Verdict::kOutside;
  if (roll < 80) return Verdict::kNoLog;
  return Verdict::kOk;
}

void MakeContest(size_t logs, size_t qsos, long long startSeconds, ContestSet* set) {
  std::mt19937 random(2026);
  const size_t stations = logs + logs / 3;
  std::vector<uint32_t> callIds(stations);
  for (size_t s = 0; s < stations; ++s) callIds[s] = set->texts.Intern(CallOf(s));
  std::vector<uint32_t> bandIds, countyIds, serialIds;
  for (const char* band : kBands) bandIds.push_back(set->texts.Intern(band));
  for (const char* county : kCounties) countyIds.push_back(set->texts.Intern(county));
  for (int serial = 1; serial <= 999; ++serial)
    serialIds.push_back(set->texts.Intern(std::to_string(serial)));
  // A real contest's pool also holds every report, serial sent and busted exchange: about
  // one text per four lines. The statistics keep tables by text id, so they are here too.
  for (size_t i = 0; i < logs * qsos / 4; ++i) set->texts.Intern("x" + std::to_string(i));
  set->qsos.reserve(logs * qsos);
  set->logs.reserve(logs);
  for (size_t l = 0; l < logs; ++l) {
    EntrantLog log;
    log.call = CallOf(l);
    log.callId = callIds[l];
    log.contest = "TARNO";
    log.firstQso = set->qsos.size();
    log.qsoCount = qsos;
    for (size_t i = 0; i < qsos; ++i) {
      QsoRecord qso;
      qso.log = static_cast<uint32_t>(l);
      qso.line = static_cast<uint32_t>(i + 20);
      size_t station = random() % stations;
      if (station == l) station = (station + 1) % stations;
      const bool busted = random() % 100 == 0;
      qso.verdict = busted ? Verdict::kBustedCall : VerdictOf(random);
      qso.worked = busted ? set->texts.Intern(CallOf(stations + random() % (stations * 20)))
                          : callIds[station];
      qso.band = bandIds[random() % bandIds.size()];
      qso.exchRcvd = IsHome(set->texts.Text(qso.worked)) ? countyIds[random() % countyIds.size()]
                                                         : serialIds[i % serialIds.size()];
      qso.oleDays = (startSeconds + 86400.0 * i / qsos) / 86400.0;
      ++log.counts[static_cast<int>(qso.verdict)];
      set->qsos.push_back(qso);
    }
    log.checkedPoints = log.counts[static_cast<int>(Verdict::kOk)] * 3;
    log.checkedCounties = 20;
    log.checked = log.checkedPoints * log.checkedCounties;
    log.claimed = log.checked + 100;
    log.checkedBands.push_back({"80m", 100, 300, 10});
    log.claimedBands.push_back({"80m", 110, 330, 11});
    set->logs.push_back(std::move(log));
  }
  set->logOfCall.assign(set->texts.Size(), -1);
  for (size_t l = 0; l < logs; ++l) set->logOfCall[callIds[l]] = static_cast<int32_t>(l);
}

struct Step {
  double seconds = 0;
  long long peakBytes = 0;
};

template <typename Work>
Step Measure(Work work) {
  tarno::bench::StartHeapCount();
  const Clock::time_point start = Clock::now();
  work();
  Step step;
  step.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  step.peakBytes = tarno::bench::StopHeapCount().peakBytes;
  return step;
}

void Print(const char* what, const Step& step, size_t bytes) {
  std::printf("| %s | %.2f s | %.1f MB | %.1f MB |\n", what, step.seconds, step.peakBytes / 1e6,
              bytes / 1e6);
}

}  // namespace

int main(int argc, char** argv) {
  const size_t logs = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 10000;
  const size_t qsos = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 400;
  ReportContext context;
  ParsePeriodTime("2026-03-07", false, &context.period.startSeconds);
  ParsePeriodTime("2026-03-07", true, &context.period.endSeconds);
  CountryFile countries;
  std::string error;
  if (!countries.Parse(kCountries, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  ContestSet set;
  const Clock::time_point made = Clock::now();
  MakeContest(logs, qsos, context.period.startSeconds, &set);
  std::vector<RankedLog> ranking = RankLogs(set);
  Standings standings;
  standings.tables.resize(5);
  for (size_t row = 0; row < ranking.size(); ++row) {
    RankedLog& ranked = ranking[row];
    ranked.country = countries.Lookup(set.logs[ranked.log].call).entity;
    ranked.name = "Kővári Ödön";
    ranked.club = "Club " + std::to_string(ranked.log % 40);
    CategoryTable& table = standings.tables[ranked.log % 5];
    table.name = "Category " + std::to_string(ranked.log % 5);
    ranked.category = table.name;
    table.rows.push_back(row);
    ranked.categoryRank = static_cast<int>(table.rows.size());
  }
  const std::vector<ClubRow> clubs = ClubTotals(set, ranking);
  std::printf("%zu logs x %zu QSOs (%zu lines), made up in %.1f s\n\n", logs, qsos, set.qsos.size(),
              std::chrono::duration<double>(Clock::now() - made).count());
  std::printf("| step | wall | most heap at once | written |\n|---|---|---|---|\n");

  ContestStatistics stats;
  const Step gathering =
      Measure([&] { stats = GatherStatistics(set, ranking, standings, countries, context); });
  Print("gathering the statistics", gathering, 0);
  size_t pageBytes = 0;
  const std::string title = ContestTitle(ContestName(set), ContestYear(context.period));
  const Step pages = Measure([&] {
    for (Language language : kLanguages)
      pageBytes += StatisticsHtml(stats, title, context.period, Catalogue::Of(language)).size();
  });
  Print("statistics.html, English and Hungarian", pages, pageBytes);
  const PublishedContest contest{ContestName(set), title, ContestYear(context.period), true};
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("tarno-statistics-bench-" + std::to_string(getpid()) + ".json"))
                               .string();
  const Step json = Measure([&] {
    if (!WriteResultsJson(set, ranking, standings, clubs, context, contest, path, &error))
      std::fprintf(stderr, "%s\n", error.c_str());
  });
  std::error_code ignored;
  Print("results.json, written", json, std::filesystem::file_size(path, ignored));
  std::filesystem::remove(path, ignored);
  std::printf("\nactive stations %d, without a log %d; %d logs rated, mean error rate %.2f%%\n",
              stats.activeStations, stats.activeWithoutLog, stats.ratedLogs,
              stats.meanErrorPercent);
  return 0;
}
