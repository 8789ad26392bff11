// The judgement held to the truth of made-up contests of about 30,000 lines with every
// error kind whose side the evidence must settle: wrong-band runs, wrong modes, drifting
// clocks, partial logs, mutual busts, wrong sent columns, serials past 599 in logs without
// reports. What entrants complain of is counted apart: innocent losses (a line the truth
// credits that lost credit) and guilty credits (the reverse).

#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "crosscheck_fixture.h"

namespace tarno::testing {
namespace {

// log|line -> verdict, of truth.csv or verdicts.csv.
std::map<std::string, std::string> Verdicts(const std::string& csv) {
  std::map<std::string, std::string> verdicts;
  std::istringstream in(csv);
  std::string row;
  std::getline(in, row);
  while (std::getline(in, row)) {
    std::vector<std::string> cells;
    std::istringstream fields(row);
    for (std::string cell; cells.size() < 3 && std::getline(fields, cell, ',');)
      cells.push_back(cell);
    if (cells.size() == 3) verdicts[cells[0] + "|" + cells[1]] = cells[2];
  }
  return verdicts;
}

bool Credited(const std::string& verdict) {
  return verdict == "OK" || verdict == "NO-LOG" || verdict == "UNIQUE" ||
         verdict == "NOT-IN-PARTIAL-LOG";
}

struct Judged {
  const char* name;
  const char* generator;
  const char* crosscheck;
};

void PrintTo(const Judged& contest, std::ostream* out) { *out << contest.name; }

class CrosscheckJudgementTest : public CrosscheckFixture,
                                public ::testing::WithParamInterface<Judged> {};

// Every error kind, beside those each contest has at its own rates.
constexpr char kEveryKind[] =
    " --wrong-band 3 --wrong-mode 1 --drift 3 --partial 2 --mutual-bust 1 --wrong-sent 2"
    " --no-reports 1";

TEST_P(CrosscheckJudgementTest, EveryVerdictClassMeetsTheTruth) {
  const Judged& contest = GetParam();
  std::string output;
  ASSERT_EQ(0, Run(std::string(TARNO_MAKE_CONTEST_PROGRAM) + " --out " + m_folder.string() + " " +
                       contest.generator + kEveryKind,
                   &output))
      << output;
  ASSERT_EQ(
      0, Crosscheck(std::string(contest.crosscheck) + " " + (m_folder / "logs").string(), &output))
      << output;
  const auto truth = Verdicts(Slurp(m_folder / "truth.csv"));
  const auto got = Verdicts(Slurp(Out() / "verdicts.csv"));
  ASSERT_GT(truth.size(), 25000u);
  ASSERT_EQ(truth.size(), got.size());
  std::map<std::string, int> inTruth, given, right;
  int innocentLosses = 0, guiltyCredits = 0;
  std::string wrong;
  for (const auto& [line, verdict] : truth) {
    const std::string& judged = got.count(line) ? got.at(line) : "missing";
    ++inTruth[verdict];
    ++given[judged];
    if (judged == verdict) {
      ++right[verdict];
      continue;
    }
    innocentLosses += Credited(verdict) && !Credited(judged);
    guiltyCredits += !Credited(verdict) && Credited(judged);
    if (wrong.size() < 2000) wrong += line + ": " + verdict + " judged " + judged + "\n";
  }
  // Every kind of error is there to be judged, and most of them by the hundred.
  for (const char* verdict : {"BAND-MISMATCH", "MODE-MISMATCH", "NOT-IN-PARTIAL-LOG", "BUSTED-CALL",
                              "BUSTED-EXCHANGE", "NIL", "DUPE", "UNIQUE"}) {
    EXPECT_GE(inTruth[verdict], 20) << verdict;
  }
  std::set<std::string> classes;
  for (const auto& [verdict, count] : inTruth) classes.insert(verdict);
  for (const auto& [verdict, count] : given) classes.insert(verdict);
  for (const std::string& verdict : classes) {
    const double recall = inTruth[verdict] ? right[verdict] / double(inTruth[verdict]) : 1;
    const double precision = given[verdict] ? right[verdict] / double(given[verdict]) : 1;
    EXPECT_GE(recall, 0.98) << verdict << "\n" << wrong;
    EXPECT_GE(precision, 0.98) << verdict << "\n" << wrong;
  }
  EXPECT_LE(innocentLosses, 5) << wrong;
  EXPECT_LE(guiltyCredits, 5) << wrong;
  // Both partial logs are listed for review, each with the lines of its lost stretch.
  std::istringstream review(Slurp(Out() / "review.csv"));
  int stretches = 0, behind = 0;
  for (std::string row; std::getline(review, row);) {
    if (row.find(",missing stretch,") == std::string::npos) continue;
    (row.find(",NOT-IN-PARTIAL-LOG,") != std::string::npos ? behind : stretches)++;
  }
  EXPECT_EQ(2, stretches);
  EXPECT_EQ(inTruth["NOT-IN-PARTIAL-LOG"], behind);
  // The drifting clocks are named in minutes and seconds at their first and last QSO, and
  // the wrong sent columns in their logs' reports.
  int drifting = 0, columns = 0;
  for (const fs::directory_entry& file : fs::directory_iterator(Out())) {
    if (file.path().extension() != ".ubn") continue;
    const std::string report = Slurp(file.path());
    drifting += report.find("\nClock:          drifting from ") != std::string::npos;
    columns += report.find("\nSent exchange:  your log") != std::string::npos;
  }
  EXPECT_EQ(3, drifting);
  EXPECT_EQ(2, columns);
}

// The review lists the logs above the rules' thresholds, each with the lines behind its
// figures: here the clocks that drift (a spread over half a minute) and the logs that busted
// calls or caused errors at the contest's mean rate or more.
using CrosscheckReviewTest = CrosscheckFixture;

TEST_F(CrosscheckReviewTest, ListsTheLogsAboveTheRulesThresholds) {
  std::string output;
  ASSERT_EQ(0, Run(std::string(TARNO_MAKE_CONTEST_PROGRAM) + " --out " + m_folder.string() +
                       " --logs 40 --qsos 150 --seed 61 --drift 2",
                   &output))
      << output;
  const fs::path rules =
      Write("rules.txt", "review errors: 1\nreview clock spread: 0.5\nreview uniques: 100%\n");
  ASSERT_EQ(0,
            Crosscheck("--rules " + rules.string() + " " + (m_folder / "logs").string(), &output))
      << output;
  const std::string csv = Slurp(Out() / "review.csv");
  const std::string html = Slurp(Out() / "review.html");
  std::map<std::string, int> figures, lines;
  std::istringstream in(csv);
  std::string row;
  std::getline(in, row);
  EXPECT_EQ("call,figure,value,threshold,log,line,verdict,worked,detail", row);
  while (std::getline(in, row)) {
    const size_t first = row.find(','), second = row.find(',', first + 1);
    const std::string figure = row.substr(first + 1, second - first - 1);
    // The lines behind a figure leave its value and threshold empty.
    (row.compare(second, 3, ",,,") == 0 ? lines : figures)[figure]++;
    EXPECT_NE(std::string::npos, html.find("<h2 id=\"r-" + row.substr(0, first) + "\">")) << row;
  }
  EXPECT_EQ(0, figures["uniques"]) << "no log has every line a unique";
  EXPECT_GE(figures["clock spread"], 2) << csv;
  EXPECT_GE(figures["busted calls"], 1) << csv;
  EXPECT_GE(figures["errors caused"], 1) << csv;
  for (const char* figure : {"clock spread", "busted calls", "errors caused"})
    EXPECT_GE(lines[figure], 3 * figures[figure]) << figure;
  EXPECT_NE(std::string::npos, html.find("<table class=\"results\" id=\"review\">"));
}

INSTANTIATE_TEST_SUITE_P(
    Contests, CrosscheckJudgementTest,
    ::testing::Values(
        Judged{"EveryKind", "--logs 120 --qsos 250 --seed 31 --clock-off 2", ""},
        Judged{"EveryKindManyErrorsNarrowWindow",
               "--logs 120 --qsos 250 --seed 42 --busted-call 5 --busted-exchange 5 --nil 5 "
               "--unique 3 --dupe 3 --invalid 2 --outside 2 --clock-off 4",
               "--window 2"},
        Judged{"EveryKindManyStationsWithoutLogs", "--logs 100 --silent 80 --qsos 300 --seed 53",
               "--threads 1"}),
    [](const ::testing::TestParamInfo<Judged>& info) { return info.param.name; });

}  // namespace
}  // namespace tarno::testing
