// The cross-check of whole contests: the hand-made one byte for byte, generated ones
// against their truth line for line, and bad input that must not stop the run.

#include <ostream>
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
  for (const char* name : {"verdicts.csv", "results.csv", "clubs.csv", "HA5AA.ubn", "HG7BB.ubn",
                           "DL1CC.ubn", "OK2DD.ubn"}) {
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

const char kHeader[] = "START-OF-LOG: 3.0\r\nCONTEST: TARNO\r\n";

TEST_F(CrosscheckContestTest, BadFilesAreNamedAndTheOthersChecked) {
  const std::string line = "QSO:  3525 CW 2026-03-07 0900 ";
  Write("logs/a-first-ha5aa.cbr",
        std::string(kHeader) + "CALLSIGN: HA5AA\r\n" + line + "HA5AA 599 BP DL1CC 599 001\r\n");
  Write("logs/b-ha5aa-again.cbr", std::string(kHeader) + "CALLSIGN: ha5aa\r\n" + line +
                                      "HA5AA 599 BP DL1CC 599 002\r\nQSO: 99999 CW x\r\n");
  Write("logs/c-dl1cc.cbr",
        std::string(kHeader) + "CALLSIGN: DL1CC\r\n" + line + "DL1CC 599 001 HA5AA 599 BP\r\n");
  Write("logs/d-no-call.cbr", std::string(kHeader) + line + "OK1AB 599 001 HA5AA 599 BP\r\n");
  Write("logs/e-other.cbr", "START-OF-LOG: 3.0\r\nCONTEST: CQ-WW-CW\r\nCALLSIGN: OK2XY\r\n" + line +
                                "OK2XY 599 14 HA5AA 599 15\r\n");
  Write("logs/f-notes.txt", std::string("just a note\n\x00\xff", 14));
  std::string output;
  EXPECT_EQ(1, Crosscheck((m_folder / "logs").string() + " " + (m_folder / "gone.cbr").string(),
                          &output));
  for (const char* expected :
       {"gone.cbr: does not exist (not used)", "a-first-ha5aa.cbr: is a second log of HA5AA; ",
        "b-ha5aa-again.cbr is used instead", "d-no-call.cbr: has no CALLSIGN: line (not used)",
        "e-other.cbr: is a log of another contest (CONTEST: CQ-WW-CW) (not used)",
        "f-notes.txt: is not a log: it holds no QSO (not used)", "2 logs checked, 3 QSO lines"}) {
    EXPECT_NE(std::string::npos, output.find(expected)) << expected << "\n" << output;
  }
  // The later file of HA5AA is the one checked, its unreadable line included.
  const std::vector<std::string> rows = VerdictColumns(Slurp(Out() / "verdicts.csv"));
  EXPECT_EQ((std::vector<std::string>{"log,line,verdict,worked", "DL1CC,4,OK,HA5AA",
                                      "HA5AA,4,BUSTED-EXCHANGE,DL1CC", "HA5AA,5,INVALID,"}),
            rows);
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

}  // namespace
}  // namespace tarno::testing
