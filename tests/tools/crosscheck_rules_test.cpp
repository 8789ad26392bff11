// The cross-check's own rules, where a slip would change verdicts without failing a whole
// contest visibly: how exchanges and calls are compared, the period and the score line.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "crosscheck/call_neighbours.h"
#include "crosscheck/contest_period.h"
#include "crosscheck/contest_rules.h"
#include "crosscheck/decisions.h"
#include "crosscheck/log_loading.h"
#include "crosscheck/matching.h"
#include "crosscheck/plugin_judge.h"
#include "crosscheck/string_pool.h"
#include "replay/csv_cell.h"

namespace tarno::score {
namespace {

TEST(CrosscheckRulesTest, ExchangesCompareSerialsAsNumbersAndCountiesAsCodes) {
  struct Case {
    const char* received;
    const char* sent;
    bool same;
  };
  const Case cases[] = {
      {"7", "007", true},
      {"0", "000", true},
      {"12", "21", false},
      {"001", "1 ", true},
      {"bp", "BP", true},
      {" Bp", "BP", true},
      {"BP", "BO", false},
      {"5NN", "5", false},
      {"", "001", false},
      {"", "", true},
      {"123456789", "123456789", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.same, SameExchange(c.received, c.sent)) << c.received << " / " << c.sent;
}

TEST(CrosscheckRulesTest, CallDistanceCountsEditsAndStopsPastTheLimit) {
  EXPECT_EQ(0, CallDistance("HA5AA", "HA5AA", 2));
  EXPECT_EQ(1, CallDistance("HA5AA", "HA5AB", 2));
  EXPECT_EQ(1, CallDistance("HA5AA", "HA5A", 2));  // a letter lost
  EXPECT_EQ(2, CallDistance("DL1CC", "DL1CCXX", 2));
  EXPECT_EQ(2, CallDistance("S5AB", "S5BA", 2));    // two letters swapped
  EXPECT_EQ(3, CallDistance("DL1CC", "HA5AA", 2));  // beyond the limit: limit + 1
  EXPECT_EQ(3, CallDistance("W1AW", "W1AWXYZ", 2));
}

// Against the whole table of edits, over pairs of calls of a few letters (where edits of
// every kind meet) and pairs longer than the rows kept on the stack.
TEST(CrosscheckRulesTest, CallDistanceIsTheEditDistanceCappedPastTheLimit) {
  const auto edits = [](const std::string& a, const std::string& b) {
    std::vector<std::vector<int>> d(a.size() + 1, std::vector<int>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) {
      for (size_t j = 0; j <= b.size(); ++j) {
        d[i][j] = i == 0   ? static_cast<int>(j)
                  : j == 0 ? static_cast<int>(i)
                           : std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                                       d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
      }
    }
    return d[a.size()][b.size()];
  };
  std::mt19937 random(11);
  const char letters[] = "AB5/";
  for (int pair = 0; pair < 20000; ++pair) {
    const bool longOnes = pair % 10 == 0;
    std::string calls[2];
    for (std::string& call : calls) {
      const size_t size = longOnes ? 30 + random() % 8 : random() % 8;
      for (size_t i = 0; i < size; ++i) call += letters[random() % 4];
    }
    if (longOnes) calls[1] = calls[0].substr(0, calls[0].size() - random() % 3) + calls[1][0];
    for (int limit = 0; limit <= 3; ++limit) {
      ASSERT_EQ(std::min(edits(calls[0], calls[1]), limit + 1),
                CallDistance(calls[0], calls[1], limit))
          << calls[0] << " / " << calls[1] << " within " << limit;
    }
  }
}

// The index must find every call a comparison with each would find, and no other.
TEST(CrosscheckRulesTest, CloseCallsAreFoundAsComparingEachWouldFindThem) {
  std::mt19937 random(5);
  const char letters[] = "AB0159/";
  StringPool texts;
  std::vector<uint32_t> calls;
  for (int i = 0; i < 400; ++i) {
    std::string call;
    for (size_t n = 1 + random() % 6; n > 0; --n) call += letters[random() % 7];
    calls.push_back(texts.Intern(call));
  }
  std::sort(calls.begin(), calls.end());
  calls.erase(std::unique(calls.begin(), calls.end()), calls.end());
  const CallNeighbours index(texts, calls);
  for (const char* probe : {"AB1", "A0B1", "", "B", "AB01/5", "9A1AA", "0000000000"}) {
    std::vector<uint32_t> expected;
    for (uint32_t call : calls) {
      if (CallDistance(texts.Text(call), probe, 2) <= 2) expected.push_back(call);
    }
    EXPECT_EQ(expected, index.Within2(probe)) << probe;
  }
  for (uint32_t call : calls) {
    std::vector<uint32_t> expected;
    for (uint32_t other : calls) {
      if (CallDistance(texts.Text(other), texts.Text(call), 2) <= 2) expected.push_back(other);
    }
    ASSERT_EQ(expected, index.Within2(texts.Text(call))) << texts.Text(call);
  }
}

// Every text keeps its one id however the table grows, and a pool takes another's texts
// over by their hashes.
TEST(CrosscheckRulesTest, StringPoolGivesEachTextOneId) {
  StringPool pool, other;
  EXPECT_EQ(0u, pool.Intern(""));
  std::vector<std::string> texts;
  for (int i = 0; i < 5000; ++i) texts.push_back("HA" + std::to_string(i * 7919 % 10007));
  texts.push_back(std::string("a\0b", 3));
  texts.push_back(std::string(300, 'x'));
  std::vector<uint32_t> ids;
  for (const std::string& text : texts) ids.push_back(pool.Intern(text));
  for (size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(ids[i], pool.Intern(texts[i])) << texts[i];
    EXPECT_EQ(texts[i], pool.Text(ids[i]));
    const uint32_t taken = other.Intern(pool.Text(ids[i]), pool.HashOf(ids[i]));
    EXPECT_EQ(taken, other.Intern(texts[i]));
  }
  EXPECT_EQ(pool.Size(), other.Size());
  EXPECT_NE(pool.Intern("a"), pool.Intern(std::string("a\0b", 3)));
}

TEST(CrosscheckRulesTest, SecondsOfRoundsAsTheLibraryDoes) {
  // Halves either side of zero, the doubles just short of a half, times of a contest, dates
  // far out, and values past the range of whole seconds.
  std::vector<double> seconds = {0.0, 0.5, -0.5, 1.5, -1.5, 2.5, -2.5, 1e18, -1e18, 5e18, -5e18};
  for (double near : {0.49999999999999994, 4503599627370495.5, 9007199254740993.0, 1e300}) {
    seconds.push_back(near);
    seconds.push_back(-near);
  }
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> anyDay(-700000.0, 3000000.0);
  for (int i = 0; i < 20000; ++i) seconds.push_back(anyDay(random) * 86400.0);
  for (int minute = 0; minute < 1440; ++minute) seconds.push_back(46087.0 * 86400 + minute * 60.0);
  std::vector<double> days;
  for (double s : seconds) days.push_back(s / 86400.0);
  // An odd number of 256ths of a day is a whole number and a half of seconds, exactly.
  for (int odd = -1001; odd <= 1001; odd += 2) {
    days.push_back(odd / 256.0);
    days.push_back(std::nextafter(odd / 256.0, 0.0));
  }
  for (double d : days) EXPECT_EQ(std::llround(d * 86400.0), SecondsOf(d)) << d;
}

TEST(CrosscheckRulesTest, PeriodTimesTakeDatesAndTimesInTheUsualForms) {
  long long start = 0, end = 0, other = 0;
  ASSERT_TRUE(ParsePeriodTime("2026-03-07", false, &start));
  ASSERT_TRUE(ParsePeriodTime("2026-03-07", true, &end));
  EXPECT_EQ(86399, end - start);  // a bare end date takes in the whole day
  ASSERT_TRUE(ParsePeriodTime("2026-03-07 1230", false, &other));
  EXPECT_EQ(start + 12 * 3600 + 30 * 60, other);
  ASSERT_TRUE(ParsePeriodTime("2026-03-07T12:30", true, &other));
  EXPECT_EQ(start + 12 * 3600 + 30 * 60 + 59, other);
  EXPECT_EQ("2026-03-07 1230", FormatSeconds(start + 12 * 3600 + 30 * 60));
  for (const char* bad : {"", "2026-3-7", "2026-02-30", "2026-03-07 2460", "2026-03-07 12",
                          "2026-03-07x1230", "07.03.2026"}) {
    EXPECT_FALSE(ParsePeriodTime(bad, false, &other)) << bad;
  }
}

TEST(CrosscheckRulesTest, ScoreLineGivesPointsCountiesAndScore) {
  const SheetScore score = ScoreLineOf("Total\t 373\t 879\t 73\r\n\r\nScore: 879*73 = 64167");
  EXPECT_TRUE(score.read);
  EXPECT_EQ(879, score.points);
  EXPECT_EQ(73, score.counties);
  EXPECT_EQ(64167, score.score);
  EXPECT_FALSE(ScoreLineOf("no score here").read);
  EXPECT_FALSE(ScoreLineOf("Score: 12*").read);
}

TEST(CrosscheckRulesTest, OwnCallsAreLettersDigitsAndSlashes) {
  for (const char* call :
       {"HA5AA", "HA1AA/P", "DL/PA3ABC/MM", "3DA0RU", "ha5aa", "4X4A", "A1BCDEFGHIJKLMNOPQRS"}) {
    EXPECT_TRUE(IsCallShaped(call)) << call;
  }
  for (const char* call : {"", "../x", "..", "HA5AA.P", "HA1AA_P", "HA5 AA", "<b>HA5AA</b>", "=1+2",
                           "HAAA", "5555", "/", "A1BCDEFGHIJKLMNOPQRST", "HA5AA\t"}) {
    EXPECT_FALSE(IsCallShaped(call)) << call;
  }
}

TEST(CrosscheckRulesTest, RulesFileSetsWhatItNamesAndKeepsTheRest) {
  ContestRules rules;
  std::string error;
  ASSERT_TRUE(
      ParseContestRules("# a comment\r\n  Window :  2\npenalty: nil 1.5x\n"
                        "penalty: BAND-MISMATCH 0\nUndecided  Mismatch: Neither loses\n"
                        "uniques: dropped\nreview uniques: 4.5%\nreview errors: 3\n"
                        "review gaps: no\nreview clock spread: 1.5\n",
                        &rules, &error))
      << error;
  EXPECT_EQ(2, rules.windowMinutes);
  EXPECT_EQ(1.5, rules.penalty[static_cast<int>(Verdict::kNil)]);
  EXPECT_EQ(0, rules.penalty[static_cast<int>(Verdict::kBustedCall)]);
  EXPECT_FALSE(rules.undecidedBothLose);
  EXPECT_TRUE(rules.DropUniques());
  EXPECT_EQ(4.5, rules.reviewUniquePercent);
  EXPECT_EQ(3, rules.reviewErrorFactor);
  EXPECT_FALSE(rules.reviewGaps);
  EXPECT_EQ(90, rules.reviewClockSpreadSeconds);
  const ContestRules defaults;
  ContestRules empty;
  ASSERT_TRUE(ParseContestRules("", &empty, &error));
  EXPECT_EQ(defaults.windowMinutes, empty.windowMinutes);
  EXPECT_FALSE(empty.AnyPenalty());
  for (const char* bad : {"window: 2.5", "window: -1", "penalty: NIL", "penalty: NIL 101",
                          "review uniques: much", "review errors: 0", "speed: 5", "window 5"}) {
    ContestRules ignored;
    EXPECT_FALSE(ParseContestRules(bad, &ignored, &error)) << bad;
    EXPECT_EQ(0u, error.find("line 1: ")) << error;
  }
}

TEST(CrosscheckRulesTest, DecisionsAreCallLineVerdictReasonAndAComment) {
  std::vector<Decision> decisions;
  std::string error;
  ASSERT_TRUE(
      ParseDecisions("call,line,verdict,reason,comment\n# kept\n\n"
                     "ha5aa, 27 ,ok,\"logs agree, see mail\",phoned\n"
                     "DL1CC,24,BAND-MISMATCH,\"=cmd()\"\n",
                     &decisions, &error))
      << error;
  ASSERT_EQ(2u, decisions.size());
  EXPECT_EQ("HA5AA", decisions[0].call);
  EXPECT_EQ(27u, decisions[0].line);
  EXPECT_EQ(Verdict::kOk, decisions[0].verdict);
  EXPECT_EQ("logs agree, see mail", decisions[0].reason);
  EXPECT_EQ("phoned", decisions[0].comment);
  EXPECT_EQ(4, decisions[0].fileLine);
  EXPECT_EQ(Verdict::kBandMismatch, decisions[1].verdict);
  for (const char* bad :
       {"HA5AA,27,OK", "HA5AA,x,OK,why", "HA5AA,0,OK,why", "HA5AA,27,PENDING,why", ",27,OK,why",
        "HA5AA,27,OK,  ", "HA5AA,27,OK,\"open", "HA5AA,99999999999,OK,why",
        "HA5AA,27,OK,why,comment,more", "\x01\xff,27,OK,why"}) {
    EXPECT_FALSE(ParseDecisions(bad, &decisions, &error)) << bad;
    EXPECT_EQ(0u, error.find("line 1: ")) << error;
  }
}

TEST(CrosscheckRulesTest, CsvCellsNeverStartAFormula) {
  const std::pair<const char*, const char*> cases[] = {
      {"HA5AA", "HA5AA"},
      {"", ""},
      {"=1+2", "'=1+2"},
      {"+36", "'+36"},
      {"-2+3", "'-2+3"},
      {"@SUM(A1)", "'@SUM(A1)"},
      {"\tx", "'\tx"},
      {"\rx", "\"'\rx\""},
      {"HA5AA=1", "HA5AA=1"},
      {"a,b", "\"a,b\""},
      {"=HYPERLINK(\"http://x\")", "\"'=HYPERLINK(\"\"http://x\"\")\""},
      {"a\nb", "\"a\nb\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"\xC3(", "\xEF\xBF\xBD("},
      {"HA5\xC5\x91", "HA5\xC5\x91"},
  };
  for (const auto& [text, cell] : cases) {
    EXPECT_EQ(cell, CsvCell(text)) << text;
    std::string row = "x,";
    AppendCsvCell(text, &row);
    EXPECT_EQ(std::string("x,") + cell, row) << text;
  }
}

}  // namespace
}  // namespace tarno::score
