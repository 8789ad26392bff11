// What a refresh of the county window computes and what the information window paints,
// and the window-less stand-in's life cycle.

#include "ui/county_refresh.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <thread>

#include "helpers/fakes.h"
#include "helpers/host_calls.h"
#include "helpers/mem_env.h"
#include "plugin/module_state.h"
#include "plugin/module_view.h"
#include "ui/county_window_stand_in.h"
#include "ui/info_table.h"

namespace tarno {

const EntryPoints& TheEntryPoints();

namespace {

class CountyRefreshTest : public ::testing::Test {
 protected:
  void SetUp() override {
    COleDateTime start = HostQso::MakeDate(44576.0);
    COleDateTime end = HostQso::MakeDate(44577.0);
    CallResetStats(entry, "HA5TST", &start, &end, "EU");
    g_lastSp1Freq = 0.0;
    g_bandCounties = BandTextLists();  // the score's lists outlive a reset
  }
  void Add(const char* call, const char* band, const char* mode, const char* exchange,
           const char* prefix, double days) {
    HostQso qso;
    qso.call = call;
    qso.band = band;
    qso.mode = mode;
    qso.exchRcvd = exchange;
    qso.prefix = prefix;
    qso.time = HostQso::MakeDate(days);
    CallAddData(entry, qso);
  }
  CountyRefresh Refresh(const std::string& call, double freqHz) {
    services.host.call = call;
    services.host.freqHz = freqHz;
    return RefreshCountyWindow(ModuleWindowView());
  }

  ScopedMemEnv files;
  ScopedFakeServices services;
  const EntryPoints& entry = TheEntryPoints();
};

TEST_F(CountyRefreshTest, CaptionAndBoxesFollowTheRadiosBand) {
  g_bandCounties[3] = {"ZA", "BP"};
  CountyRefresh refresh = Refresh("", 14025000.0);
  EXPECT_EQ(" TARNO CNT on 20m 2 of 20", refresh.caption);
  std::array<int, 20> expected{};
  expected[0] = 1;  // ZA
  expected[9] = 1;  // BP
  EXPECT_EQ(expected, refresh.countyFlags);
  EXPECT_EQ(3, g_currentBand);

  refresh = Refresh("", 29500000.0);
  EXPECT_EQ(" TARNO CNT on  0 of 20", refresh.caption);
  EXPECT_EQ((std::array<int, 20>{}), refresh.countyFlags);
  EXPECT_EQ(-1, g_currentBand);
  refresh = Refresh("", 1850000.0);
  EXPECT_EQ(" TARNO CNT on 160m 0 of 20", refresh.caption);
  EXPECT_EQ(-1, WindowBandOfFrequency(std::nan("")));
  EXPECT_EQ(-1, WindowBandOfFrequency(-14025000.0));
  EXPECT_EQ(5, WindowBandOfFrequency(28999999.0));
}

TEST_F(CountyRefreshTest, Sp1IsSentWhenTheRadioMovesMoreThan300Hz) {
  Refresh("", 300.0);
  EXPECT_TRUE(services.host.commands.empty());
  Refresh("", 301.0);
  Refresh("", 601.0);
  Refresh("", 602.0);
  EXPECT_EQ((std::vector<std::string>{"<SP1>", "<SP1>"}), services.host.commands);
}

TEST_F(CountyRefreshTest, WorkedRowsShowTheLastQsoWithTheCallOnEachBand) {
  Add("DL1ABC", "40m", "CW", "001", "DL", 44576.25);
  Add("DL1ABC", "40m", "SSB", "017", "DL", 44576.5);
  Add("DL1ABC", "80m", "CW", "002", "DL", 44576.75);
  Add("HA1AA", "20m", "CW", " bp", "HA", 44576.125);
  CountyRefresh refresh = Refresh("DL1ABC", 7010000.0);
  EXPECT_EQ((std::vector<std::string>{"40m", "12:00", "SSB", "017"}), g_workedRows[2]);
  EXPECT_EQ((std::vector<std::string>{"80m", "18:00", "CW", "002"}), g_workedRows[1]);
  EXPECT_EQ((std::vector<std::string>{"20m", "   -", "   -", " -"}), g_workedRows[3]);
  EXPECT_EQ("TARNO 2022 worked with DL1ABC", refresh.infoTitle);
  EXPECT_EQ(2, refresh.table.currentBand);

  Refresh("HA1AA", 0.0);
  EXPECT_EQ((std::vector<std::string>{"20m", "03:00", "CW", "BP"}), g_workedRows[3]);
  Refresh("dl1abc", 0.0);
  EXPECT_EQ((std::vector<std::string>{"40m", "   -", "   -", " -"}), g_workedRows[2]);
  refresh = Refresh("", 0.0);
  EXPECT_EQ("TARNO 2022", refresh.infoTitle) << "the year of the run, not a fixed one";
  EXPECT_EQ("", g_enteredCall);
}

// Keeps what the painter draws, in order.
class RecordingCanvas : public Canvas {
 public:
  void FillRect(int left, int top, int right, int bottom, Rgb colour) override {
    fills.push_back({left, top, right, bottom, colour});
  }
  void DrawText(int x, int y, const std::string& text) override { texts.push_back({x, y, text}); }

  struct Fill {
    int left, top, right, bottom;
    Rgb colour;
  };
  struct Text {
    int x, y;
    std::string text;
  };
  std::vector<Fill> fills;
  std::vector<Text> texts;
};

TEST(InfoTableTest, NoCallIsAPlainYellowArea) {
  RecordingCanvas canvas;
  PaintInfoTable(InfoTableData(), 470, 340, canvas);
  ASSERT_EQ(1u, canvas.fills.size());
  EXPECT_TRUE(canvas.fills[0].colour == kCountyWindowColour);
  EXPECT_TRUE(canvas.texts.empty());
}

TEST(InfoTableTest, RowsAreASeventhOfTheHeightAndTheRadiosBandIsCyan) {
  InfoTableData data;
  data.enteredCall = "DL1ABC";
  data.currentBand = 2;
  for (int band = 0; band < kBandCount; ++band) {
    data.workedRows[band] = {kBandNames[band], "   -", "   -", " -"};
  }
  RecordingCanvas canvas;
  PaintInfoTable(data, 470, 340, canvas);
  ASSERT_EQ(2u, canvas.fills.size());
  EXPECT_TRUE(canvas.fills[0].colour == kTableColour);
  EXPECT_EQ(144, canvas.fills[1].top);
  EXPECT_EQ(192, canvas.fills[1].bottom);
  EXPECT_TRUE(canvas.fills[1].colour == kRadioBandColour);
  ASSERT_EQ(4u + 24u, canvas.texts.size());
  EXPECT_EQ("DL1ABC", canvas.texts[0].text);
  EXPECT_EQ(180, canvas.texts[0].x);
  EXPECT_EQ("COUNTY/NR", canvas.texts[3].text);
  EXPECT_EQ(48, canvas.texts[4].y) << "the 160 m row";
  EXPECT_EQ("10m", canvas.texts[24].text);
  EXPECT_EQ(288, canvas.texts[24].y);
  EXPECT_EQ(270, canvas.texts[27].x);

  data.currentBand = -1;
  RecordingCanvas offBand;
  PaintInfoTable(data, 470, 340, offBand);
  EXPECT_EQ(1u, offBand.fills.size());
}

bool WaitFor(const std::function<bool()>& done) {
  for (int i = 0; i < 300 && !done(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return done();
}

TEST(StandInCountyWindowTest, OpensRefreshesOnItsTimerAndCloses) {
  ScopedMemEnv files;
  StandInCountyWindow window(ModuleWindowView());
  window.Start();
  EXPECT_TRUE(window.IsOpen());
  ASSERT_TRUE(WaitFor([&] { return window.RefreshCount() == 1; })) << "300 ms after opening";
  for (int i = 0; i < 5; ++i) window.RequestRefresh();  // pushed back, one refresh
  ASSERT_TRUE(WaitFor([&] { return window.RefreshCount() == 2; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  EXPECT_EQ(2, window.RefreshCount());
  window.Start();  // a running window is closed first
  EXPECT_TRUE(window.IsOpen());
  window.Close();
  EXPECT_FALSE(window.IsOpen());
  window.Close();
  window.RequestRefresh();  // nothing open: nothing happens
}

}  // namespace
}  // namespace tarno
