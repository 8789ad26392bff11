// Statistics reset and the score request, seen through the entry points with the
// module's services replaced by recording fakes.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "helpers/fakes.h"
#include "helpers/host_calls.h"
#include "helpers/mem_env.h"
#include "plugin/module_state.h"
#include "stats/score.h"

namespace tarno {

const EntryPoints& TheEntryPoints();

namespace {

const char kHeading[] =
    "    TARNO-CONTEST 15.01-16.01.2022\r\n\tContestant: Q1ABC \r\n\tQSOs\tPoints\tCounty\r\n";

class StatisticsRunTest : public ::testing::Test {
 protected:
  void Reset(int cabrilloMode = 0) {
    COleDateTime start = HostQso::MakeDate(44576.0);
    COleDateTime end = HostQso::MakeDate(44577.0);
    CallResetStats(entry, "Q1ABC", &start, &end, "EU", cabrilloMode);
  }
  void Add(const char* call, const char* prefix, const char* continent, const char* exchange,
           const char* band = "20m") {
    HostQso qso;
    qso.call = call;
    qso.prefix = prefix;
    qso.continent = continent;
    qso.exchRcvd = exchange;
    qso.band = band;
    CallAddData(entry, qso);
  }
  std::string Result() {
    int flag = 7;
    std::string sheet = entry.getResult(&flag);
    EXPECT_EQ(g_cabrilloMode ? -1 : 7, flag);
    return sheet;
  }

  ScopedMemEnv files;
  ScopedFakeServices services;
  const EntryPoints& entry = TheEntryPoints();
};

TEST_F(StatisticsRunTest, WorkedExampleSheet) {
  Reset();
  Add("HA1AA", "HA", "EU", "BP");
  Add("HA2BB", "HA", "EU", "bp");
  Add("DL1ABC", "DL", "EU", "001");
  Add("W1AW", "W", "NA", "002");
  EXPECT_EQ(
      std::string(kHeading) + "20m\t 4\t 16\t 1\r\nTotal\t 4\t 16\t 1\r\n\r\nScore: 16*1 = 16",
      Result());
  EXPECT_EQ(16, g_claimedScore);
  EXPECT_EQ("16", services.settings.values["Claimed"]);
  EXPECT_EQ(std::vector<std::string>{"BP"}, g_bandCounties[3]);
}

TEST_F(StatisticsRunTest, EmptyLogSheetAndRepeatedCallsGiveTheSameText) {
  Reset();
  const std::string sheet = Result();
  EXPECT_EQ(std::string(kHeading) + "Total\t 0\t 0\t 0\r\n\r\nScore: 0*0 = 0", sheet);
  EXPECT_EQ(sheet, Result());
  EXPECT_EQ("0", services.settings.values["Claimed"]);
}

TEST_F(StatisticsRunTest, DupesAndEmptyCallsCountInTheTotalOnly) {
  Reset();
  Add("HA1AA", "HA", "EU", "BP");
  Add("HA1AA", "HA", "EU", "BP");
  Add("", "DL", "EU", "001");
  EXPECT_EQ(std::string(kHeading) + "20m\t 1\t 6\t 1\r\nTotal\t 3\t 6\t 1\r\n\r\nScore: 6*1 = 6",
            Result());
}

TEST_F(StatisticsRunTest, BandsAreSortedAndABandLeftEmptyStillHasARow) {
  Reset();
  Add("DL1ABC", "DL", "AS", "001", "10m");
  Add("HG1AA", "HG", "EU", "ZA", "160m");
  Add("HA2BB", "HA", "EU", "ZA", "20m");
  Add("HA3CC", "HA", "EU", "SO", "160m");
  HostQso gone;
  gone.call = "DL1ABC";
  gone.band = "10m";
  CallRemoveData(entry, gone);
  EXPECT_EQ(std::string(kHeading) +
                "160m\t 2\t 7\t 2\r\n20m\t 1\t 6\t 1\r\n10m\t 0\t 0\t 0\r\n"
                "Total\t 3\t 13\t 3\r\n\r\nScore: 13*3 = 39",
            Result());
  EXPECT_EQ((std::vector<std::string>{"160m", "20m", "10m"}), g_bands.Texts());
  EXPECT_EQ((std::vector<std::string>{"ZA", "SO"}), g_bandCounties[0]);
}

TEST_F(StatisticsRunTest, SameCountyOnTwoBandsCountsTwiceAndNoCountyMeansNoScore) {
  Reset();
  Add("HA1AA", "HA", "EU", "BP", "80m");
  Add("HA1AA", "HA", "EU", "BP", "40m");
  Add("W1AW", "W", "NA", "001", "6m");
  EXPECT_EQ(std::string(kHeading) +
                "80m\t 1\t 6\t 1\r\n40m\t 1\t 6\t 1\r\n6m\t 1\t 3\t 0\r\n"
                "Total\t 3\t 15\t 2\r\n\r\nScore: 15*2 = 30",
            Result());
  Reset();
  Add("W1AW", "W", "NA", "001");
  EXPECT_EQ(std::string(kHeading) + "20m\t 1\t 3\t 0\r\nTotal\t 1\t 3\t 0\r\n\r\nScore: 3*0 = 0",
            Result());
}

TEST_F(StatisticsRunTest, ResetKeepsBandCountiesUntilTheNextScore) {
  Reset();
  Add("HA1AA", "HA", "EU", "BP");
  Result();
  Reset();
  EXPECT_EQ(std::vector<std::string>{"BP"}, g_bandCounties[3]);
  Add("HA1AA", "HA", "EU", "ZA");
  Result();
  EXPECT_EQ(std::vector<std::string>{"ZA"}, g_bandCounties[3]);
}

// The window shows the band's list between two scores: after a removal it must not name a
// county that the next score would not count.
TEST_F(StatisticsRunTest, ARemovedCountyLeavesTheListWhenOnlyDupesOrCallLessRecordsHoldIt) {
  Reset();
  Add("HA1AA", "HA", "EU", "BP");
  Add("HA1AA", "HA", "EU", "BP");  // a dupe
  Add("", "HA", "EU", "BP");       // no call
  Add("HA2BB", "HA", "EU", "ZA");
  Add("HA3CC", "HA", "EU", "ZA");
  Result();
  ASSERT_EQ((std::vector<std::string>{"BP", "ZA"}), g_bandCounties[3]);
  HostQso first;
  first.call = "HA1AA";
  first.prefix = "HA";
  first.exchRcvd = "BP";
  ASSERT_EQ(1, CallRemoveData(entry, first));
  first.call = "HA2BB";
  first.exchRcvd = "ZA";
  ASSERT_EQ(1, CallRemoveData(entry, first));
  EXPECT_EQ(std::vector<std::string>{"ZA"}, g_bandCounties[3]) << "HA3CC still counts ZA";
  EXPECT_NE(std::string::npos, Result().find("20m\t 1\t 6\t 1\r\n")) << "the score agrees";
  EXPECT_EQ(std::vector<std::string>{"ZA"}, g_bandCounties[3]);
}

TEST_F(StatisticsRunTest, CabrilloModeSetsTheHostsIntAfterTheExport) {
  Reset(1);
  Result();  // checks the flag
  Reset(0);
  Result();
}

TEST_F(StatisticsRunTest, ScoreSetsUpTheHostLinkUntilItSucceeds) {
  Reset();
  g_hostLinkReady = 0;
  Result();
  EXPECT_EQ(1, services.host.setUps);
  services.host.reachable = true;
  Result();
  Result();
  EXPECT_EQ(2, services.host.setUps);
  EXPECT_EQ(1, g_hostLinkReady);
  g_hostLinkReady = 0;
  services.settings.values["Multiplier"] = "1";
  Reset();
  Result();
  EXPECT_EQ(2, services.host.setUps) << "a county window setting leaves the link to the refresh";
}

// Each row: Cabrillo mode, "Start" and "Multiplier" before, window open; then the
// writes of "Start" and whether a window was started.
struct StartCase {
  int cabrilloMode;
  const char* start;
  const char* multiplier;
  bool windowOpen;
  std::vector<std::string> startWrites;
  bool windowStarted;
};

TEST_F(StatisticsRunTest, StartSettingAndCountyWindowDecision) {
  services.desktop.confirm = false;  // a confirmed header would store its values too
  const StartCase cases[] = {
      {1, "0", "1", false, {"Start=1", "Start=0"}, false},
      {1, "1", "0", false, {"Start=1", "Start=0"}, false},
      {1, "0", "1", true, {"Start=1", "Start=0"}, false},
      {0, "0", "1", false, {"Start=1"}, true},
      {0, "0", "0", false, {"Start=1"}, false},
      {0, "1", "1", false, {"Start=0"}, false},
      {0, "0", "1", true, {}, false},
      {0, "", "1", false, {"Start=1"}, true},
  };
  for (const StartCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.cabrilloMode << c.start << c.multiplier << c.windowOpen);
    services.settings.values = {{"Start", c.start}, {"Multiplier", c.multiplier}};
    services.settings.writes.clear();
    services.window = RecordingCountyWindow();
    services.window.open = c.windowOpen;
    Reset(c.cabrilloMode);
    EXPECT_EQ(c.startWrites, services.settings.writes);
    EXPECT_EQ(c.windowStarted ? 1 : 0, services.window.starts);
  }
}

TEST_F(StatisticsRunTest, StartAlternatesOverSeveralRuns) {
  services.settings.values = {{"Multiplier", "1"}, {"Master", "1"}};
  Reset();
  EXPECT_EQ(1, services.window.starts);
  EXPECT_EQ("1", services.settings.values["Start"]);
  EXPECT_EQ(1, g_settingMultiplier);
  EXPECT_EQ(1, g_settingMaster);
  Reset();
  EXPECT_EQ("0", services.settings.values["Start"]);
  Reset();
  EXPECT_EQ("0", services.settings.values["Start"]);
  EXPECT_EQ(1, services.window.starts);
  services.window.open = false;  // the operator closed it
  Reset();
  EXPECT_EQ(2, services.window.starts);
}

TEST_F(StatisticsRunTest, WithoutASettingsFolderEveryReadIsZeroAndNothingIsWritten) {
  services.settings.available = false;
  Reset();
  Result();
  EXPECT_EQ(0, services.window.starts);
  EXPECT_TRUE(services.settings.writes.empty());
  EXPECT_EQ(0, g_settingMultiplier);
}

TEST_F(StatisticsRunTest, CallCheckAndWindowCommandsReachTheCountyWindow) {
  Reset();
  CallCheckCall(entry, "DL1ABC", "CW", "DL", "", "20m");
  EXPECT_EQ(1, services.window.refreshes);
  entry.runCommand(0, "showinfo");
  EXPECT_EQ(0, services.window.starts);
  entry.runCommand(0, "SHOWINFO");
  EXPECT_EQ(1, services.window.starts);
  entry.runCommand(0, "HIDEINFO");
  EXPECT_EQ(1, services.window.closes);
}

TEST(ScoreTest, BandOrderIsByZeroPaddedTextDescending) {
  EXPECT_EQ((std::vector<std::string>{"160m", "80m", "40m", "20m", "15m", "10m", "6m", "2m"}),
            SortBandsForScore({"10m", "2m", "20m", "160m", "6m", "15m", "40m", "80m"}));
  // Very long lists (only a faulty host sends them) take the fast road to the same order.
  std::vector<std::string> many;
  for (int i = 0; i < 1000; ++i) many.push_back(std::to_string(i * 7919 % 1000) + "m");
  std::vector<std::string> sorted = SortBandsForScore(many);
  ASSERT_EQ(1000u, sorted.size());
  EXPECT_EQ("999m", sorted.front());
  EXPECT_EQ("0m", sorted.back());
  EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
    return std::stoi(a) > std::stoi(b);
  }));
}

}  // namespace
}  // namespace tarno

namespace tarno {
namespace {

// The real settings file in a scratch folder that is the current directory.
class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_previous = std::filesystem::current_path();
    m_folder =
        std::filesystem::temp_directory_path() /
        ("tarno-settings-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(m_folder);
    std::filesystem::create_directories(m_folder);
    std::filesystem::current_path(m_folder);
    m_previousWindow = g_countyWindowControl;
    g_countyWindowControl = &window;
  }
  void TearDown() override {
    g_countyWindowControl = m_previousWindow;
    std::filesystem::current_path(m_previous);
    std::filesystem::remove_all(m_folder);
  }
  static std::string Slurp(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  void Reset() {
    COleDateTime start = HostQso::MakeDate(44576.0);
    COleDateTime end = HostQso::MakeDate(44577.0);
    CallResetStats(TheEntryPoints(), "Q1ABC", &start, &end, "EU");
  }

  RecordingCountyWindow window;

 private:
  std::filesystem::path m_previous;
  std::filesystem::path m_folder;
  CountyWindowControl* m_previousWindow = nullptr;
};

TEST_F(SettingsFileTest, FirstRunWithAnEmptyPluginsFolderCreatesTheFile) {
  std::filesystem::create_directory("Plugins");
  Reset();
  EXPECT_EQ("[Settings]\r\nStart=1\r\n", Slurp("Plugins/TARNO-Contest.ini"));
  EXPECT_EQ(0, window.starts);
  TheEntryPoints().getResult(nullptr);
  EXPECT_EQ("[Settings]\r\nStart=1\r\nClaimed=0\r\n", Slurp("Plugins/TARNO-Contest.ini"));
}

TEST_F(SettingsFileTest, WithoutAPluginsFolderNothingIsCreated) {
  Reset();
  TheEntryPoints().getResult(nullptr);
  EXPECT_FALSE(std::filesystem::exists("Plugins"));
  EXPECT_EQ("TARNO Contest UBN file \r\n", Slurp("err.txt"));
}

}  // namespace
}  // namespace tarno
