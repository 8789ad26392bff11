// tarno-score over logs in the shapes other loggers write (tests/data/logs): for each, the
// exit status, the messages and the score an operator sees; and the same QSOs in every
// shape give the same summary sheet.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "run_command.h"

namespace {

namespace fs = std::filesystem;

const fs::path kLogs = fs::path(TARNO_SOURCE_DIR) / "tests" / "data" / "logs";

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs tarno-score in `folder`; its exit status, with standard output and error in `output`.
int RunTool(const fs::path& folder, const std::string& arguments, std::string* output) {
  // Started in the corpus folder, so that the cases name the logs plainly.
  const std::string command = "cd " + kLogs.string() + " && " + TARNO_SCORE_PROGRAM + " --dir " +
                              folder.string() + " " + arguments;
  return tarno::testing::RunCommand(command, output);
}

struct CorpusCase {
  const char* arguments;  // the log file names are in tests/data/logs
  int status;
  std::vector<const char*> says;
  bool sheetAsClean;  // the same QSOs as clean.adi: the same summary sheet, byte for byte
  std::vector<const char*> neverSays = {};
};

const CorpusCase kCases[] = {
    {"clean.adi", 0, {"received exchange from: SRX_STRING 7", "Score: 18*3 = 54"}, true},
    {"general-logger.adi",
     0,
     {"received exchange from: SRX 4, STATE 3", "sent exchange from: MY_STATE 7"},
     true},
    {"--exchange-field state general-logger.adi",
     0,
     {"received exchange from: none 4, STATE 3", "Score: 13*3 = 39"},
     false},
    {"newest-first.adi",
     0,
     {"6 records come before an earlier one: the QSOs are scored in time order"},
     true},
    {"--own-call ha5tst older-logger.adi",
     0,
     {"Contestant: HA5TST", "sent exchange from: STX_STRING 7"},
     true},
    {"lower-case.cbr", 0, {"0 lines skipped"}, true},
    {"missing-reports.cbr",
     1,
     {"line 8: skipped: \"HA5TST 59 BP 59 SZ\" is not own call",
      "line 9: skipped: \"HA5TST 599 BP DL2ZZ 599\": \"599\" may be a report whose exchange",
      "line 10: skipped: \"HA5TST 599 DL3ZZ 599\": \"599\" may be a report", "15m\t 1\t 1\t 0",
      "Score: 9*2 = 18",
      "4 QSOs replayed, 4 counted, 0 outside the contest period, 3 lines skipped"},
     false},
    {"six-metres.cbr", 0, {"6m\t 2\t 7\t 1", "2m\t 1\t 1\t 0", "Score: 9*1 = 9"}, false},
    {"--start 2026-01-17 --end 2026-01-17 out-of-period.adi",
     0,
     {"record 1: 2026-01-16 23:59 DL1ABC is outside the contest period: not scored",
      "record 4: 2026-01-18 12:00 OK1AA is outside the contest period: not scored",
      "2 QSOs replayed, 2 counted, 2 outside the contest period, 0 records skipped"},
     false},
    {"--start 2026-01-17T12:12 --end 2026-01-18T12:00 out-of-period.adi",
     0,
     {"record 2: 2026-01-17 12:10 HA1XY is outside", "2 QSOs replayed, 2 counted, 2 outside"},
     false},
    {"broken-tag.adi",
     1,
     {"record 3: skipped: the tag of field MODE is not closed", "4 QSOs replayed, 4 counted",
      "exit status 1: records were not scored"},
     false},
    {"over-long-length.adi",
     1,
     {"record 2: skipped: field RST_RCVD's length 30 runs over the fields after it",
      "4 QSOs replayed, 4 counted, 0 outside the contest period, 1 record skipped"},
     false},
    {"no-eor-at-end.adi", 1, {"record 3: skipped: the last record has no <EOR>"}, false},
    {"award-fields.adi",
     0,
     {"award-fields.adi: fields of names ADIF does not know, passed over: 9A/F4MYH (7 times, "
      "first in record 1), MY-AWARD# (7 times, first in record 1)\n",
      "7 QSOs replayed, 7 counted, 0 outside the contest period, 0 records skipped"},
     true,
     {"record 2", "not a field tag"}},
    {"qsl-service-trailer.adi",
     0,
     {"7 QSOs replayed, 7 counted, 0 outside the contest period, 0 records skipped"},
     true,
     {"<EOR>", "the file marks"}},
    {"whole-year.adi",
     2,
     {"the log runs from 2026-01-17 12:05 to 2026-10-24 12:15, longer than one contest; give "
      "the contest period with --start and --end"},
     false},
    {"--start 2026-01-17 --end 2026-01-18 whole-year.adi",
     0,
     {"1 QSO replayed, 1 counted, 2 outside"},
     false},
    {"bad-bands.adi",
     1,
     {"record 1: BAND 40m contradicts FREQ 14.025 MHz; the band of FREQ, 20m, is used",
      "record 2: BAND \"40\" is no band; the band of FREQ is used",
      "record 3: skipped: no band: neither BAND nor FREQ names one", "15m\t 1\t 1\t 0"},
     false},
    {"iso-counties.adi",
     0,
     {"record 1: STATE BK is read as the county BN (ISO 3166-2 spelling)",
      "record 2: STATE SZ is not used: this log spells counties as ISO 3166-2 does",
      "record 3: STATE JN is read as the county SZ",
      "received exchange from: STATE 2, SRX 1, none 1"},
     false},
    {"other-contest.cbr",
     1,
     {"CONTEST: CQ-WW-CW names another contest than TARNO", "exit status 1: the log is of another"},
     true},
    {"no-sent-exchange.adi",
     0,
     {"records 1-5: no sent exchange (no STX_STRING, STX or MY_STATE); give it with "
      "--sent-exchange",
      "Score: 0*0 = 0"},
     false},
    {"--sent-exchange bp no-sent-exchange.adi",
     0,
     {"sent exchange from: --sent-exchange 5", "Score: 15*3 = 45"},
     false},
    {"--sent-exchange Serial no-sent-exchange.adi",
     0,
     {"--sent-exchange serial 5", "Score: 15*3 = 45"},
     false},
    {"eof-at-end.adi", 0, {"7 QSOs replayed, 7 counted, 0 outside", "0 records skipped"}, true},
    {"no-time-on.adi",
     1,
     {"record 2: skipped: no TIME_ON: the QSO's time is not known", "1 record skipped"},
     false},
    {"no-eor-at-all.adi",
     1,
     {"record 1: skipped: the file has no <EOR> at all: its 7 CALL fields, 7 QSOs' worth, are "
      "not read"},
     false},
    {"length-into-tag.adi",
     0,
     {"record 1: field NAME's length 6 runs into the tag <STATION_CALLSIGN:6> after it; read "
      "as \"Jo H \", and <STATION_CALLSIGN:6> after it",
      "0 records skipped"},
     true},
    {"wpx-no-blank.cbr",
     1,
     {"CONTEST: CQ-WPX-CW names another contest than TARNO", "Contestant: AA1ZZZ",
      "exit status 1: the log is of another contest"},
     false},
    {"busted-calls.cbr",
     0,
     {"line 5: DLOWX is in no country", "6 QSOs replayed, 6 counted", "0 lines skipped",
      "3 calls in no known country"},
     false},
    {"thirty-metres.adi", 0, {"1 QSO replayed, 0 counted (see err.txt for the rest)"}, false},
    // Where the command line must say more, the status is a usage error's.
    {"no-own-call.adi", 2, {"the log does not say the own call; give it with --own-call"}, false},
    {"--own-call Q1ABC clean.adi",
     2,
     {"the own call Q1ABC is not in the country file; give --continent"},
     false},
    {"--own-call Q1ABC --continent EU clean.adi", 0, {"Contestant: Q1ABC"}, false},
    {"--own-call dl1abc --continent eu clean.adi", 0, {"Contestant: DL1ABC"}, false},
    {"--help", 0, {"usage: tarno-score [options] LOGFILE", "exit status: 0"}, false},
    {"--continent XX clean.adi", 2, {"continent \"XX\" is none of AF AN AS EU NA OC SA"}, false},
    {"--start 2026-01-18 --end 2026-01-17 clean.adi",
     2,
     {"the contest ends (2026-01-17) before it starts (2026-01-18)"},
     false},
    {"--start 2026-01-17 clean.adi", 2, {"needs both --start and --end"}, false},
    {"--sent-exchange XY clean.adi", 2, {"is neither a county code nor 'serial'"}, false},
    {"--bogus clean.adi", 2, {"unknown option --bogus"}, false},
    {".", 1, {"is a folder, not a log file"}, false},
    {"/dev/null", 1, {"is not a regular file, not a log file"}, false},
    {"--dir clean.adi clean.adi", 1, {"tarno-score: "}, false},
};

void PrintTo(const CorpusCase& test, std::ostream* out) { *out << test.arguments; }

class LogCorpusTest : public ::testing::TestWithParam<CorpusCase> {};

TEST_P(LogCorpusTest, StatusMessagesAndScore) {
  const CorpusCase& test = GetParam();
  const fs::path root = fs::temp_directory_path() / "tarno-corpus";
  std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  for (char& c : name) c = c == '/' ? '-' : c;
  const fs::path folder = root / name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  std::string output;
  const int status = RunTool(folder, test.arguments, &output);
  EXPECT_EQ(test.status, status) << test.arguments << "\n" << output;
  for (const char* text : test.says) {
    EXPECT_NE(std::string::npos, output.find(text)) << test.arguments << ": \"" << text << "\"\n"
                                                    << output;
  }
  for (const char* text : test.neverSays) {
    EXPECT_EQ(std::string::npos, output.find(text)) << test.arguments << ": \"" << text << "\"\n"
                                                    << output;
  }
  if (test.sheetAsClean) {
    const fs::path cleanFolder = root / (name + "-clean");
    fs::create_directories(cleanFolder);
    std::string cleanOutput;
    ASSERT_EQ(0, RunTool(cleanFolder, "clean.adi", &cleanOutput)) << cleanOutput;
    EXPECT_EQ(Slurp(cleanFolder / "summary.txt"), Slurp(folder / "summary.txt")) << test.arguments;
  }
}

INSTANTIATE_TEST_SUITE_P(Logs, LogCorpusTest, ::testing::ValuesIn(kCases));

}  // namespace

namespace {

TEST(LogOrderTest, NewestFirstExportMarksTheLaterQsoAsTheDupe) {
  const fs::path root = fs::temp_directory_path() / "tarno-corpus-order";
  std::string output;
  for (const char* log : {"general-logger.adi", "newest-first.adi"}) {
    fs::remove_all(root / log);
    fs::create_directories(root / log);
    ASSERT_EQ(0, RunTool(root / log, log, &output)) << output;
  }
  const std::string errors = Slurp(root / "newest-first.adi" / "err.txt");
  EXPECT_EQ(Slurp(root / "general-logger.adi" / "err.txt"), errors);
  EXPECT_NE(std::string::npos,
            errors.find("2026-01-17 1240  HA5TST  599  BP  DL1ABC  599  2   DUPE"))
      << errors;
}

}  // namespace
