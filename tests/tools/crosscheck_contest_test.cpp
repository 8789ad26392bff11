// The cross-check of whole contests: the hand-made one byte for byte, generated ones
// against their truth line for line, and bad input that must not stop the run.

#include <algorithm>
#include <chrono>
#include <map>
#include <ostream>
#include <random>
#include <sstream>
#include <vector>

#include "crosscheck_fixture.h"

namespace tarno::testing {
namespace {

const fs::path kHandMade = fs::path(TARNO_SOURCE_DIR) / "tests" / "data" / "crosscheck";

// The first four columns of a verdicts file (log, line, verdict, worked), one per row.
std::vector<std::string> VerdictColumns(const std::string& csv) {
  std::vector<std::string> rows;
  std::istringstream in(csv);
  for (std::string line; std::getline(in, line);) {
    size_t at = 0;
    for (int commas = 0; at < line.size(); ++at) {
      if (line[at] == ',' && ++commas == 4) break;
    }
    rows.push_back(line.substr(0, at));
  }
  return rows;
}

using CrosscheckContestTest = CrosscheckFixture;

TEST_F(CrosscheckContestTest, HandMadeContestGivesEveryFileByteForByte) {
  std::string output;
  ASSERT_EQ(0, Crosscheck((kHandMade / "logs").string(), &output)) << output;
  for (const char* name : {"verdicts.csv", "results.csv", "clubs.csv", "review.csv", "HA5AA.ubn",
                           "HG7BB.ubn", "DL1CC.ubn", "OK2DD.ubn", "results.html", "hu/results.html",
                           "HA5AA.html", "hu/HA5AA.html"}) {
    EXPECT_EQ(Slurp(kHandMade / "expected" / name), Slurp(Out() / name)) << name;
  }
  EXPECT_NE(std::string::npos, output.find("OK2DD: clock 60 minutes ahead")) << output;
  EXPECT_NE(std::string::npos, output.find("contest period 2026-03-07 0000 to 2026-03-07 2359"))
      << output;
}

TEST_F(CrosscheckContestTest, DroppedUniquesLoseCreditAndScore) {
  std::string output;
  ASSERT_EQ(0, Crosscheck("--drop-uniques " + (kHandMade / "logs").string(), &output)) << output;
  const std::string results = Slurp(Out() / "results.csv");
  // HG7BB's one unique (9A3FF on 15 m, 1 point) goes: 14 points x 2 counties.
  EXPECT_NE(std::string::npos, results.find("1,HG7BB,30,28,5,4,")) << results;
  EXPECT_NE(std::string::npos, Slurp(Out() / "HG7BB.ubn").find("line 23  UNIQUE  in no other log"));
}

// The sample rules (a 2-minute window, penalties, uniques listed) and decisions on the
// hand-made contest: the window turns DL1CC and OK2DD's mode mismatch, 3 minutes apart,
// into a NIL each; the sponsor credits two lines and names the third's verdict.
TEST_F(CrosscheckContestTest, RulesAndDecisionsChangeVerdictsAndScores) {
  const fs::path samples = fs::path(TARNO_SOURCE_DIR) / "samples";
  std::string output;
  ASSERT_EQ(0, Crosscheck("--rules " + (samples / "crosscheck-rules.txt").string() +
                              " --decisions " + (samples / "crosscheck-decisions.csv").string() +
                              " " + (kHandMade / "logs").string(),
                          &output))
      << output;
  const std::string verdicts = Slurp(Out() / "verdicts.csv");
  for (const char* row :
       {"HA5AA,27,OK,DL1CC,\"decided by the sponsor: DL1CC's log lost the QSO, as DL1CC wrote to "
        "the sponsor (the cross-check: NIL: not in DL1CC's log)\"",
        "OK2DD,23,MODE-MISMATCH,DL1CC,\"decided by the sponsor: the recordings show the QSO in "
        "SSB (the cross-check: NIL: not in DL1CC's log;"}) {
    EXPECT_NE(std::string::npos, verdicts.find(std::string("\n") + row)) << row << "\n" << verdicts;
  }
  // Penalties apart from the lost QSOs: DL1CC's busted exchange (6 points) costs 6 more,
  // and its points cannot go below nothing; HA5AA's busted call 1 more.
  const std::string results = Slurp(Out() / "results.csv");
  EXPECT_NE(std::string::npos, results.find(",penalty\n")) << results;
  EXPECT_NE(std::string::npos, results.find("4,DL1CC,50,0,")) << results;
  EXPECT_NE(std::string::npos, results.find(",0,0,0,0,0,6\n")) << results;
  const std::string report = Slurp(Out() / "DL1CC.ubn");
  for (const char* text :
       {"Checked score:  0 (4 points less a penalty of 6, x 1 counties)\n",
        "Penalty:        6 points (the contest's rules: BUSTED-CALL 1, BUSTED-EXCHANGE 1, NIL 2 "
        "times a lost QSO's points)\n",
        "  cost: 6 points and the county BO on 80m, which no credited QSO gives; penalty: 6 "
        "points\n"}) {
    EXPECT_NE(std::string::npos, report.find(text)) << text << "\n" << report;
  }
  EXPECT_NE(std::string::npos, Slurp(Out() / "HA5AA.ubn").find("Lines decided by the sponsor"));
  EXPECT_NE(std::string::npos, Slurp(Out() / "DL1CC.html").find("less a penalty of 6 points"));
  // The rules list every unique for review, with its line.
  EXPECT_EQ(
      "call,figure,value,threshold,log,line,verdict,worked,detail\n"
      "HG7BB,uniques,20.0% (1 of 5 lines),\"every unique, by the rules\",,,,,\n"
      "HG7BB,uniques,,,HG7BB,23,UNIQUE,9A3FF,in no other log\n",
      Slurp(Out() / "review.csv"));
}

// Where the rules say so, a mismatch the logs cannot settle costs neither side.
TEST_F(CrosscheckContestTest, UndecidedMismatchMayCostNeitherSide) {
  const fs::path rules = Write("rules.txt", "undecided mismatch: neither loses\n");
  std::string output;
  ASSERT_EQ(0,
            Crosscheck("--rules " + rules.string() + " " + (kHandMade / "logs").string(), &output))
      << output;
  const std::string verdicts = Slurp(Out() / "verdicts.csv");
  EXPECT_NE(std::string::npos,
            verdicts.find("\nDL1CC,24,OK,OK2DD,\"OK2DD logged it in CW (its line 23); the logs "
                          "cannot tell which mode is right, and the contest's rules credit both "
                          "sides\"\n"))
      << verdicts;
  EXPECT_NE(std::string::npos, verdicts.find("\nOK2DD,23,OK,DL1CC,")) << verdicts;
}

// A mistake in the sponsor's rules or decisions stops the run before anything is written,
// with the file's line; so does a decision that matches no line.
TEST_F(CrosscheckContestTest, MistakesInRulesOrDecisionsStopTheRunWithTheirLine) {
  const std::string logs = (kHandMade / "logs").string();
  const struct {
    const char* option;
    const char* text;
    const char* message;
  } cases[] = {
      {"--rules", "# rules\nwindow: 2\npenalty: DUPE 1\n",
       "rules.txt: line 3: penalty: names \"DUPE\", not one of"},
      {"--rules", "window: 2\nwindow: 3\n", "rules.txt: line 2: window: is given twice"},
      {"--rules", "uniques: kept\n", "rules.txt: line 1: uniques: takes credited, dropped or"},
      {"--decisions", "call,line,verdict,reason\nHA5AA,27,GOOD,fine\n",
       "decisions.csv: line 2: \"GOOD\" is no verdict"},
      {"--decisions", "HA5AA,99,OK,a line the log does not have\n",
       "decisions.csv: line 1: matches no line: the logs checked have no HA5AA line 99"},
      {"--decisions", "XX9XX,21,OK,no such log\n", "line 1: matches no line"},
      {"--decisions", "HA5AA,27,OK,once\nha5aa,27,NIL,twice\n",
       "line 2: HA5AA line 27 is decided already on line 1"},
  };
  for (const auto& c : cases) {
    const std::string name = std::string(c.option) == "--rules" ? "rules.txt" : "decisions.csv";
    const fs::path file = Write(name, c.text);
    std::string output;
    EXPECT_EQ(2, Crosscheck(std::string(c.option) + " " + file.string() + " " + logs, &output))
        << c.text;
    EXPECT_NE(std::string::npos, output.find(c.message)) << c.message << "\n" << output;
    EXPECT_FALSE(fs::exists(Out() / "results.csv")) << c.text;
  }
}

struct GeneratedContest {
  const char* name;
  const char* generator;   // arguments of tarno-make-contest
  const char* crosscheck;  // further arguments of the cross-check
};

// Names the case in test listings rather than dumping its bytes.
void PrintTo(const GeneratedContest& contest, std::ostream* out) { *out << contest.name; }

class GeneratedContestTest : public CrosscheckFixture,
                             public ::testing::WithParamInterface<GeneratedContest> {};

TEST_P(GeneratedContestTest, VerdictsEqualTheTruthLineForLine) {
  const GeneratedContest& contest = GetParam();
  std::string output;
  ASSERT_EQ(0, Run(std::string(TARNO_MAKE_CONTEST_PROGRAM) + " --out " + m_folder.string() + " " +
                       contest.generator,
                   &output))
      << output;
  ASSERT_EQ(
      0, Crosscheck(std::string(contest.crosscheck) + " " + (m_folder / "logs").string(), &output))
      << output;
  const std::vector<std::string> truth = VerdictColumns(Slurp(m_folder / "truth.csv"));
  const std::vector<std::string> got = VerdictColumns(Slurp(Out() / "verdicts.csv"));
  ASSERT_GT(truth.size(), 100u);
  ASSERT_EQ(truth.size(), got.size());
  int shown = 0;
  for (size_t i = 0; i < truth.size() && shown < 10; ++i) {
    if (truth[i] != got[i]) {
      ADD_FAILURE() << "row " << i << ": expected " << truth[i] << ", got " << got[i];
      ++shown;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Contests, GeneratedContestTest,
    ::testing::Values(GeneratedContest{"Default", "--logs 40 --qsos 120 --seed 11", ""},
                      GeneratedContest{
                          "ManyErrorsAndWrongClocks",
                          "--logs 150 --qsos 150 --seed 12 --busted-call 6 --busted-exchange 6 "
                          "--nil 6 --unique 4 --dupe 3 --invalid 2 --outside 2 --clock-off 6",
                          ""},
                      GeneratedContest{"ManyStationsWithoutLogs",
                                       "--logs 40 --silent 60 --qsos 100 --seed 13", "--threads 1"},
                      GeneratedContest{"NarrowWindowGivenPeriod", "--logs 60 --qsos 80 --seed 14",
                                       "--window 2 --start 2026-03-07 --end 2026-03-07"}),
    [](const ::testing::TestParamInfo<GeneratedContest>& info) { return info.param.name; });

// The lines of a file, line 1 first.
std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The log with its QSO lines in another order, every other line where it was.
std::string ShuffledLog(const std::string& text, std::mt19937* random) {
  std::vector<std::string> lines = LinesOf(text);
  std::vector<std::string*> qsos;
  for (std::string& line : lines) {
    if (line.rfind("QSO:", 0) == 0) qsos.push_back(&line);
  }
  std::vector<std::string> order;
  for (const std::string* qso : qsos) order.push_back(*qso);
  std::shuffle(order.begin(), order.end(), *random);
  for (size_t i = 0; i < qsos.size(); ++i) *qsos[i] = order[i];
  std::string shuffled;
  for (const std::string& line : lines) shuffled += line + "\n";
  return shuffled;
}

// "log|QSO line|verdict|worked" of each row of verdicts.csv, the QSO by its text in the
// log (the generated CALL.cbr) instead of its line number; sorted.
std::vector<std::string> VerdictsByQso(const fs::path& logs, const std::string& csv) {
  std::map<std::string, std::vector<std::string>> lines;
  std::vector<std::string> rows;
  for (const std::string& row : LinesOf(csv)) {
    std::vector<std::string> cells;
    std::istringstream in(row);
    for (std::string cell; cells.size() < 4 && std::getline(in, cell, ',');) cells.push_back(cell);
    if (cells.size() < 4 || cells[0] == "log") continue;
    auto [at, isNew] = lines.emplace(cells[0], std::vector<std::string>());
    if (isNew) at->second = LinesOf(Slurp(logs / (cells[0] + ".cbr")));
    const size_t line = std::stoul(cells[1]);
    rows.push_back(cells[0] + "|" + (line <= at->second.size() ? at->second[line - 1] : "?") + "|" +
                   cells[2] + "|" + cells[3]);
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

// The order of a log's lines says nothing its times do not say.
TEST_F(CrosscheckContestTest, ShuffledLogsGetTheSameVerdicts) {
  std::mt19937 random(17);
  for (const char* seed : {"21", "22", "23"}) {
    const fs::path contest = m_folder / seed;
    std::string output;
    ASSERT_EQ(0, Run(std::string(TARNO_MAKE_CONTEST_PROGRAM) + " --out " + contest.string() +
                         " --logs 50 --qsos 80 --dupe 6 --busted-call 4 --outside 2 "
                         "--clock-off 4 --seed " +
                         seed,
                     &output))
        << output;
    for (const fs::directory_entry& log : fs::directory_iterator(contest / "logs")) {
      const std::string text = Slurp(log.path());
      fs::create_directories(contest / "shuffled");
      std::ofstream(contest / "shuffled" / log.path().filename(), std::ios::binary)
          << ShuffledLog(text, &random);
    }
    for (const char* logs : {"logs", "shuffled"}) {
      ASSERT_EQ(0, Run(std::string(TARNO_SCORE_PROGRAM) + " crosscheck --out " +
                           (contest / "out" / logs).string() + " " + (contest / logs).string(),
                       &output))
          << output;
    }
    const std::vector<std::string> inOrder =
        VerdictsByQso(contest / "logs", Slurp(contest / "out" / "logs" / "verdicts.csv"));
    const std::vector<std::string> shuffled =
        VerdictsByQso(contest / "shuffled", Slurp(contest / "out" / "shuffled" / "verdicts.csv"));
    ASSERT_GT(inOrder.size(), 1000u);
    std::vector<std::string> differ;
    std::set_symmetric_difference(inOrder.begin(), inOrder.end(), shuffled.begin(), shuffled.end(),
                                  std::back_inserter(differ));
    EXPECT_TRUE(differ.empty()) << "seed " << seed << ": " << differ.size() << " rows differ, "
                                << differ.front();
  }
}

const char kHeader[] = "START-OF-LOG: 3.0\r\nCONTEST: TARNO\r\n";

TEST_F(CrosscheckContestTest, BadFilesAreNamedAndTheOthersChecked) {
  const std::string line = "QSO:  3525 CW 2026-03-07 0900 ";
  Write("logs/a-first-ha5aa.cbr", std::string(kHeader) + "CALLSIGN: ha5aa\r\n" + line +
                                      "HA5AA 599 BP DL1CC 599 001\r\nQSO: 99999 CW x\r\n");
  Write("logs/b-ha5aa-again.cbr",
        std::string(kHeader) + "CALLSIGN: HA5AA\r\n" + line + "HA5AA 599 BP DL1CC 599 002\r\n");
  for (const char* name : {"logs/c-dl1cc.cbr", "logs/c2-dl1cc.cbr"}) {
    Write(name,
          std::string(kHeader) + "CALLSIGN: DL1CC\r\n" + line + "DL1CC 599 001 HA5AA 599 BP\r\n");
  }
  // The log sent last is used, whatever its name; of two sent at once, the one named later.
  const auto sent = fs::last_write_time(m_folder / "logs/a-first-ha5aa.cbr");
  fs::last_write_time(m_folder / "logs/b-ha5aa-again.cbr", sent - std::chrono::hours(1));
  fs::last_write_time(m_folder / "logs/c-dl1cc.cbr", sent);
  fs::last_write_time(m_folder / "logs/c2-dl1cc.cbr", sent);
  Write("logs/d-no-call.cbr", std::string(kHeader) + line + "OK1AB 599 001 HA5AA 599 BP\r\n");
  Write("logs/e-other.cbr", "START-OF-LOG: 3.0\r\nCONTEST: CQ-WW-CW\r\nCALLSIGN: OK2XY\r\n" + line +
                                "OK2XY 599 14 HA5AA 599 15\r\n");
  Write("logs/f-notes.txt", std::string("just a note\n\x00\xff", 14));
  std::string output;
  EXPECT_EQ(1, Crosscheck((m_folder / "logs").string() + " " + (m_folder / "gone.cbr").string(),
                          &output));
  for (const char* expected :
       {"gone.cbr: does not exist (not used)", "b-ha5aa-again.cbr: is an earlier log of HA5AA; ",
        "a-first-ha5aa.cbr, sent last, is used instead (not used)",
        "c-dl1cc.cbr: is a log of DL1CC sent at the same time as ",
        "c2-dl1cc.cbr, which is named later and used instead (not used)",
        "d-no-call.cbr: has no CALLSIGN: line (not used)",
        "e-other.cbr: is a log of another contest (CONTEST: CQ-WW-CW) (not used)",
        "f-notes.txt: is not a log: it holds no QSO (not used)", "2 logs checked, 3 QSO lines"}) {
    EXPECT_NE(std::string::npos, output.find(expected)) << expected << "\n" << output;
  }
  const std::vector<std::string> rows = VerdictColumns(Slurp(Out() / "verdicts.csv"));
  EXPECT_EQ((std::vector<std::string>{"log,line,verdict,worked", "DL1CC,4,OK,HA5AA",
                                      "HA5AA,4,OK,DL1CC", "HA5AA,5,INVALID,"}),
            rows);
  const std::string results = Slurp(Out() / "results.csv");
  EXPECT_NE(std::string::npos, results.find(",a-first-ha5aa.cbr,HA5AA.ubn,b-ha5aa-again.cbr,"))
      << results;
  EXPECT_NE(std::string::npos, results.find(",c2-dl1cc.cbr,DL1CC.ubn,c-dl1cc.cbr,")) << results;
  EXPECT_NE(std::string::npos,
            Slurp(Out() / "HA5AA.ubn")
                .find("Set aside: b-ha5aa-again.cbr (another log of HA5AA; the one sent last is "
                      "used)\n"));
}

// Sponsors sort logs into a folder per category and often keep the results beside them: a
// second run must check the same logs, not the first run's files.
TEST_F(CrosscheckContestTest, SubFoldersAreCheckedHiddenAndResultsFoldersPassedOver) {
  const std::string line = "QSO:  3525 CW 2026-03-07 0900 ";
  Write("logs/ha5aa.cbr",
        std::string(kHeader) + "CALLSIGN: HA5AA\r\n" + line + "HA5AA 599 BP DL1CC 599 001\r\n");
  Write("logs/dx/dl1cc.cbr",
        std::string(kHeader) + "CALLSIGN: DL1CC\r\n" + line + "DL1CC 599 001 HA5AA 599 BP\r\n");
  Write("logs/.old/junk.cbr", "not a log\n");
  const std::string command = std::string(TARNO_SCORE_PROGRAM) + " crosscheck --out " +
                              (m_folder / "logs" / "results").string() + " " +
                              (m_folder / "logs").string();
  std::string first, second;
  EXPECT_EQ(0, Run(command, &first)) << first;
  EXPECT_EQ(0, Run(command, &second)) << second;
  EXPECT_EQ(first, second);
  EXPECT_NE(std::string::npos, first.find("2 logs checked, 2 QSO lines")) << first;
  EXPECT_EQ(
      (std::vector<std::string>{"log,line,verdict,worked", "DL1CC,4,OK,HA5AA", "HA5AA,4,OK,DL1CC"}),
      VerdictColumns(Slurp(m_folder / "logs" / "results" / "verdicts.csv")));
}

// The results kept in the logs' own folder, or the logs named one by one with the
// results among them, are still the same logs.
TEST_F(CrosscheckContestTest, OwnOutputsAreNeverReadAsLogs) {
  const std::string line = "QSO:  3525 CW 2026-03-07 0900 ";
  Write("logs/ha5aa.cbr",
        std::string(kHeader) + "CALLSIGN: HA5AA\r\n" + line + "HA5AA 599 BP DL1CC 599 001\r\n");
  Write("logs/dl1cc.cbr",
        std::string(kHeader) + "CALLSIGN: DL1CC\r\n" + line + "DL1CC 599 001 HA5AA 599 BP\r\n");
  const fs::path logs = m_folder / "logs";
  const std::string command =
      std::string(TARNO_SCORE_PROGRAM) + " crosscheck --out " + logs.string() + " ";
  std::string first, second, named;
  EXPECT_EQ(0, Run(command + logs.string(), &first)) << first;
  EXPECT_EQ(0, Run(command + logs.string(), &second)) << second;
  EXPECT_EQ(first, second);
  EXPECT_EQ(0, Run("cd " + logs.string() + " && " + std::string(TARNO_SCORE_PROGRAM) +
                       " crosscheck --out . *",
                   &named))
      << named;
  for (const std::string* output : {&first, &second, &named})
    EXPECT_NE(std::string::npos, output->find("2 logs checked, 2 QSO lines")) << *output;
}

TEST_F(CrosscheckContestTest, NothingCheckedEndsWithStatusTwo) {
  std::string output;
  EXPECT_EQ(2, Crosscheck("", &output));
  EXPECT_NE(std::string::npos, output.find("no logs given")) << output;
  EXPECT_EQ(2, Crosscheck("--window soon x.cbr", &output));
  EXPECT_NE(std::string::npos, output.find("--window takes minutes")) << output;
  EXPECT_EQ(2, Crosscheck("--start 2026-13-01 " + (kHandMade / "logs").string(), &output));
  EXPECT_NE(std::string::npos, output.find("--start \"2026-13-01\"")) << output;
  EXPECT_FALSE(fs::exists(Out() / "verdicts.csv"));
  // A folder without a single usable log checks nothing, which a script must not take for
  // success.
  Write("empty/notes.txt", "nothing here\n");
  EXPECT_EQ(2, Crosscheck((m_folder / "empty").string(), &output));
  EXPECT_NE(std::string::npos, output.find("no log could be checked")) << output;
}

TEST_F(CrosscheckContestTest, HelpPrintsTheUsageAndChecksNothing) {
  for (const char* help : {"--help", "-h", "--window 3 --help"}) {
    std::string output;
    EXPECT_EQ(0, Crosscheck(help, &output)) << help;
    EXPECT_EQ(0u, output.find("usage: tarno-score crosscheck [options] LOGS...")) << output;
    EXPECT_EQ(std::string::npos, output.find("needs a value")) << output;
  }
  EXPECT_FALSE(fs::exists(Out()));
}

}  // namespace
}  // namespace tarno::testing
