// tarno-score as an operator runs it: the sample's outputs byte for byte, and a clear
// message, never a crash, for every kind of bad input.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "run_command.h"

namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class TarnoScoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder = fs::temp_directory_path() /
               ("tarno-score-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(m_folder);
    fs::create_directories(m_folder);
  }
  void TearDown() override { fs::remove_all(m_folder); }

  // Runs the program; its exit status, with standard output and error in `output`.
  int Run(const std::string& arguments, std::string* output) {
    const std::string command =
        std::string(TARNO_SCORE_PROGRAM) + " --dir " + m_folder.string() + " " + arguments;
    return tarno::testing::RunCommand(command, output);
  }
  int RunIn(const fs::path& folder, const std::string& arguments, std::string* output) {
    const std::string command =
        std::string(TARNO_SCORE_PROGRAM) + " --dir " + folder.string() + " " + arguments;
    return tarno::testing::RunCommand(command, output);
  }
  fs::path Write(const std::string& name, const std::string& bytes) {
    std::ofstream(m_folder / name, std::ios::binary) << bytes;
    return m_folder / name;
  }

  fs::path m_folder;
};

TEST_F(TarnoScoreTest, SampleLogGivesTheExpectedFiles) {
  const fs::path samples = fs::path(TARNO_SOURCE_DIR) / "samples";
  std::string output;
  ASSERT_EQ(0, Run("--cabrillo " + (samples / "tarno-sample.adi").string(), &output)) << output;
  for (const char* name : {"summary.txt", "err.txt", "HA5TST.cbr"}) {
    EXPECT_EQ(Slurp(samples / "expected" / name), Slurp(m_folder / name)) << name;
  }
  EXPECT_NE(std::string::npos, output.find("Score: 879*73 = 64167")) << output;
  EXPECT_NE(std::string::npos, output.find("HA5TST.cbr: no problems found")) << output;
  EXPECT_NE(std::string::npos,
            output.find("400 QSOs replayed, 373 counted (see err.txt for the rest), 0 outside the "
                        "contest period, 0 records skipped, 0 calls in no known country"))
      << output;
}

TEST_F(TarnoScoreTest, CabrilloLogIsScoredLikeTheAdifItCameFrom) {
  const fs::path expected = fs::path(TARNO_SOURCE_DIR) / "samples" / "expected";
  std::string output;
  ASSERT_EQ(0, Run((expected / "HA5TST.cbr").string(), &output)) << output;
  // The Cabrillo file holds only the logged QSOs: the refused ones are gone.
  EXPECT_NE(std::string::npos, output.find("Total\t 373\t 879\t 73")) << output;
}

TEST_F(TarnoScoreTest, BadInputGetsAClearMessage) {
  std::string output;
  EXPECT_EQ(1, Run((m_folder / "missing.adi").string(), &output));
  EXPECT_NE(std::string::npos, output.find("cannot read")) << output;

  EXPECT_EQ(2, Run("--bogus x.adi", &output));
  EXPECT_NE(std::string::npos, output.find("unknown option --bogus")) << output;

  EXPECT_EQ(1, Run(Write("junk.adi", std::string("\x00\xff<<>>\n", 7)).string(), &output));
  EXPECT_NE(std::string::npos, output.find("holds no QSO")) << output;

  const fs::path partly =
      Write("partly.adi",
            "<EOH><CALL:4>W1AW<QSO_DATE:8>20260117<TIME_ON:4>1200<BAND:3>20m<MODE:2>CW"
            "<STX:1>1<SRX:1>2<STATION_CALLSIGN:6>HA5TST<EOR>"
            "<QSO_DATE:8>20260117<BAND:3>20m<EOR><CALL:4>W1AW<QSO_DATE:8>20260117<EOR>"
            "<CALL:900>W1AW");
  EXPECT_EQ(1, Run(partly.string(), &output)) << "records were lost";
  EXPECT_NE(std::string::npos, output.find("record 2: skipped: no CALL")) << output;
  EXPECT_NE(std::string::npos, output.find("record 3: skipped: neither BAND nor FREQ")) << output;
  EXPECT_NE(std::string::npos,
            output.find("record 4: skipped: field CALL's length 900 runs past the end"))
      << output;
  EXPECT_NE(std::string::npos,
            output.find("1 QSO replayed, 1 counted, 0 outside the contest period, 3 records"))
      << output;

  const fs::path noCall = Write(
      "nocall.adi", "<CALL:4>W1AW<QSO_DATE:8>20260117<TIME_ON:4>1200<BAND:3>20m<MODE:2>CW<EOR>");
  EXPECT_EQ(2, Run(noCall.string(), &output)) << "the command line must say more";
  EXPECT_NE(std::string::npos, output.find("--own-call")) << output;
}

// A made-up TARNO log in ADIF of the shapes real logs hold: busted calls of any shape,
// exchanges the plug-in refuses, reports left out on either side, bands and modes the
// plug-in refuses, dupes. The same seed gives the same log.
std::string ShapedLog(uint32_t seed, int qsos) {
  const char* const kCalls[] = {"DL1ABC", "DLOWX", "OKSWR", "HAJRTZ", "HG4K",    "W1AW",
                                "HA7AA",  "OK5WR", "S51AA", "9A1ZZ",  "HA1XY/P", "E73A"};
  const char* const kFreqs[] = {"1.830",  "3.550",  "7.020",  "14.030",
                                "21.030", "28.030", "10.120", "50.100"};
  const char* const kModes[] = {"CW", "SSB", "CW", "SSB", "RTTY"};
  const char* const kReports[] = {"599", "59", "", "57"};
  const char* const kExchanges[] = {"BP", "ZA", "001", "7", "BP1", "X", "bp", "1", "0", "599"};
  auto next = [&seed](size_t count) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % count;
  };
  auto field = [](const char* name, const std::string& data) {
    return data.empty() ? std::string()
                        : "<" + std::string(name) + ":" + std::to_string(data.size()) + ">" + data;
  };
  std::string log = "made for a test<EOH>\n";
  for (int i = 0; i < qsos; ++i) {
    const int minute = 12 * 60 + i * 3;
    char time[5];
    std::snprintf(time, sizeof time, "%02d%02d", minute / 60 % 24, minute % 60);
    log += field("CALL", kCalls[next(std::size(kCalls))]) + field("QSO_DATE", "20260117") +
           field("TIME_ON", time) + field("FREQ", kFreqs[next(std::size(kFreqs))]) +
           field("MODE", kModes[next(std::size(kModes))]) +
           field("RST_SENT", kReports[next(std::size(kReports))]) +
           field("RST_RCVD", kReports[next(std::size(kReports))]) + field("STX_STRING", "BP") +
           field("SRX_STRING", kExchanges[next(std::size(kExchanges))]) +
           field("STATION_CALLSIGN", "HA5TST") + "<EOR>\n";
  }
  return log;
}

TEST_F(TarnoScoreTest, TheCabrilloFileThePlugInWroteReadsBackToTheSameSheet) {
  for (uint32_t seed = 1; seed <= 8; ++seed) {
    const fs::path written = m_folder / ("written-" + std::to_string(seed));
    const fs::path readBack = m_folder / ("read-back-" + std::to_string(seed));
    fs::create_directories(written);
    fs::create_directories(readBack);
    const fs::path log = Write("shaped.adi", ShapedLog(seed, 60));
    std::string output;
    RunIn(written, "--cabrillo " + log.string(), &output);
    const fs::path cabrillo = written / "HA5TST.cbr";
    ASSERT_TRUE(fs::exists(cabrillo)) << output;
    ASSERT_EQ(0, RunIn(readBack, cabrillo.string(), &output)) << "seed " << seed << "\n" << output;
    EXPECT_NE(std::string::npos, output.find(" 0 lines skipped")) << output;
    EXPECT_EQ(Slurp(written / "summary.txt"), Slurp(readBack / "summary.txt")) << "seed " << seed;
  }
}

// Header lines of the Cabrillo file the run wrote.
std::string HeaderLine(const std::string& cabrillo, const std::string& tag) {
  const size_t at = cabrillo.find("\r\n" + tag + ": ");
  if (at == std::string::npos) return "(none)";
  return cabrillo.substr(at + 2, cabrillo.find("\r\n", at + 2) - at - 2);
}

TEST_F(TarnoScoreTest, EveryRunIsOneStationWithTheHeaderItsOptionsGive) {
  const std::string log = (fs::path(TARNO_SOURCE_DIR) / "tests/data/logs/clean.adi").string();
  const fs::path header = Write("header.txt",
                                "name: Jo Smith\nSOAPBOX: first line\nSOAPBOX: second line\n"
                                "CATEGORY-MODE: cw\nCATEGORY-POWER: QRP\n");
  std::string output;
  ASSERT_EQ(0, Run("--cabrillo --header " + header.string() +
                       " --category-power low --operators \"HA5TST HA5XX\" " + log,
                   &output))
      << output;
  std::string cabrillo = Slurp(m_folder / "HA5TST.cbr");
  EXPECT_EQ("CATEGORY-POWER: LOW", HeaderLine(cabrillo, "CATEGORY-POWER")) << "options win";
  EXPECT_EQ("CATEGORY-MODE: CW", HeaderLine(cabrillo, "CATEGORY-MODE"));
  EXPECT_EQ("OPERATORS: HA5TST HA5XX", HeaderLine(cabrillo, "OPERATORS"));
  EXPECT_EQ("NAME: Jo Smith", HeaderLine(cabrillo, "NAME"));
  EXPECT_NE(std::string::npos, cabrillo.find("SOAPBOX: first line\r\nSOAPBOX: second line\r\n"));

  // The next station's run in the same folder starts clean...
  ASSERT_EQ(0, Run("--cabrillo " + log, &output)) << output;
  cabrillo = Slurp(m_folder / "HA5TST.cbr");
  EXPECT_EQ("OPERATORS: HA5TST", HeaderLine(cabrillo, "OPERATORS"));
  EXPECT_EQ("NAME: ", HeaderLine(cabrillo, "NAME"));
  EXPECT_EQ("CATEGORY-POWER: HIGH", HeaderLine(cabrillo, "CATEGORY-POWER"));

  // ...unless it asks to keep what the folder holds.
  ASSERT_EQ(0, Run("--cabrillo --name \"Jo Smith\" " + log, &output)) << output;
  ASSERT_EQ(0, Run("--cabrillo --keep-settings " + log, &output)) << output;
  EXPECT_EQ("NAME: Jo Smith", HeaderLine(Slurp(m_folder / "HA5TST.cbr"), "NAME"));

  // A header typed in Windows-1250 is read as a log is, and reaches the file as UTF-8.
  ASSERT_EQ(0, Run("--cabrillo --header " + Write("1250.txt", "NAME: Horv\xE1th Erik\n").string() +
                       " " + log,
                   &output))
      << output;
  EXPECT_NE(std::string::npos, output.find("1250.txt: not UTF-8: 1 byte (on line 1)")) << output;
  EXPECT_EQ("NAME: Horv\xC3\xA1th Erik", HeaderLine(Slurp(m_folder / "HA5TST.cbr"), "NAME"));

  const fs::path badHeader = Write("bad-header.txt", "NAME: Jo\nCALLSIGN: XX1X\n");
  EXPECT_EQ(1, Run("--header " + badHeader.string() + " " + log, &output));
  EXPECT_NE(std::string::npos, output.find("line 2: \"CALLSIGN: XX1X\" is no header field"))
      << output;
}

TEST_F(TarnoScoreTest, CheckCommandReportsTheCabrilloFilesProblems) {
  const fs::path expected = fs::path(TARNO_SOURCE_DIR) / "samples" / "expected";
  std::string output;
  EXPECT_EQ(0, Run("check " + (expected / "HA5TST.cbr").string(), &output)) << output;
  std::string sound = Slurp(expected / "HA5TST.cbr");
  sound.insert(sound.find("CLUB: "), "CLUB-NAME: x\r\nCATEGORY-OVERLAY: \r\n");
  EXPECT_EQ(0, Run("check " + Write("noted.cbr", sound).string(), &output)) << output;
  EXPECT_NE(std::string::npos, output.find("note: tag \"CLUB-NAME\" is not one this check knows"))
      << output;
  EXPECT_NE(std::string::npos, output.find("\nno problems found")) << output;
  const fs::path broken = Write("broken.cbr", "START-OF-LOG: 3.0\r\nCATEGORY-POWER: HUGE\r\n");
  EXPECT_EQ(1, Run("check " + broken.string(), &output));
  EXPECT_NE(std::string::npos, output.find("line 2")) << output;
}

// The exchange belongs to the contest: a grid-square contest's lines (no reports) are sound
// Cabrillo 3.0, while a TARNO log, or one that names no contest as the plug-in's own, is
// held to TARNO's ten fields.
TEST_F(TarnoScoreTest, CheckHoldsOnlyTarnoLogsToTarnosExchange) {
  std::string sample = Slurp(fs::path(TARNO_SOURCE_DIR) / "samples" / "expected" / "HA5TST.cbr");
  const std::string lines =
      sample.substr(0, sample.find("QSO:")) +
      "QSO:   144 PH 2026-05-02 1400 HA5TST        JN97   OK1AA         JO70\r\n"
      "QSO:   432 CW 2026-05-02 1405 HA5TST        JN97   DL1ABC        JO62\r\n"
      "END-OF-LOG:\r\n";
  const auto withContest = [&](const std::string& contest) {
    std::string log = lines;
    const size_t at = log.find("CONTEST: TARNO\r\n");
    return log.replace(at, 16, contest.empty() ? "" : "CONTEST: " + contest + "\r\n");
  };
  const std::string kTenFields = "line 21: QSO: 8 fields where 10 are expected";
  struct Case {
    std::string contest;
    int status;
    std::string says;
  } kCases[] = {
      {"HA-VHF", 0,
       "line 2: note: CONTEST: \"HA-VHF\" is not TARNO: its QSO lines are checked for what "
       "Cabrillo 3.0 asks of any contest, not for TARNO's exchange\nno problems found"},
      {"TARNO", 1, kTenFields},
      {"tarno", 1, kTenFields},
      {"", 1, "file: no CONTEST: line\nline 20: QSO: 8 fields where 10 are expected"},
  };
  std::string output;
  for (const Case& test : kCases) {
    const fs::path log = Write("grid.cbr", withContest(test.contest));
    EXPECT_EQ(test.status, Run("check " + log.string(), &output)) << test.contest << output;
    EXPECT_NE(std::string::npos, output.find(test.says)) << test.contest << "\n" << output;
  }
  // Any contest's line still holds both calls, the sent one checked as a call.
  std::string unsound = withContest("HA-VHF");
  const std::string kFirstCalls = "HA5TST        JN97   OK1AA         JO70";
  unsound.replace(unsound.find(kFirstCalls), kFirstCalls.size(), "HA5TST");
  unsound.replace(unsound.find("HA5TST        JN97   DL1ABC"), 6, "ha5tst");
  EXPECT_EQ(1, Run("check " + Write("unsound.cbr", unsound).string(), &output));
  EXPECT_NE(std::string::npos,
            output.find("line 21: QSO: 5 fields where at least 6 are expected (frequency, mode, "
                        "date, time, call sent, call received)\n"
                        "line 22: QSO: sent call \"ha5tst\" has lower-case letters"))
      << output;
}

}  // namespace
