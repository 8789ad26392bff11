// The pieces the entrant page is drawn with: the charts, the links, and the summary sheet's
// band rows that the report's figures come from.

#include "crosscheck/svg_charts.h"

#include <gtest/gtest.h>

#include <string>

#include "crosscheck/contest_period.h"
#include "crosscheck/entrant_page.h"
#include "crosscheck/html_text.h"
#include "crosscheck/plugin_judge.h"

namespace tarno::score {
namespace {

size_t Occurrences(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

TEST(SvgChartsTest, OneBarPerNonZeroValueAndOnePointPerBucket) {
  const ChartFrame frame{"rate", "QSOs", {"00h", "", "02h"}};
  const std::string bars =
      StackedBars(frame, {{"80m", "#111", {3, 0, 1}}, {"40m", "#222", {2, 5, 0}}});
  EXPECT_EQ(4u, Occurrences(bars, "<rect class=\"seg\""));
  EXPECT_NE(std::string::npos, bars.find("viewBox=\"0 0 640 250\" width=\"100%\""));
  // The tallest column, 5, is the top of the scale: whole steps of 1.
  EXPECT_NE(std::string::npos, bars.find(">5</text>"));
  EXPECT_EQ(std::string::npos, bars.find(">2.5</text>"));
  const std::string lines = LineChart(frame, {{"a", "#111", {1, 2, 3}}, {"b", "#222", {0, -4, 1}}});
  EXPECT_EQ(6u, Occurrences(lines, "<circle class=\"pt\""));
  EXPECT_EQ(2u, Occurrences(lines, "<polyline"));
  EXPECT_NE(std::string::npos, lines.find(">-5</text>"))
      << "a negative value needs a scale below 0";
  const std::string grid =
      CellGrid({"grid", "g", {}}, {"80m", "40m"}, {"BP", "PE", "SZ"}, {{1, 0, 2}, {0, 0, 0}});
  EXPECT_EQ(2u, Occurrences(grid, "<rect class=\"cell"));
  EXPECT_EQ(1u, Occurrences(grid, "class=\"cell f1\""));
  EXPECT_EQ(1u, Occurrences(grid, "class=\"cell f2\""));
}

TEST(SvgChartsTest, TextsFromLogsAreEscapedEverywhere) {
  const std::string name = "<b>\"&";
  const std::string escaped = "&lt;b&gt;&quot;&amp;";
  const ChartFrame frame{"x\"y", name, {name}};
  for (const std::string& svg :
       {StackedBars(frame, {{name, "red", {1}}}), LineChart(frame, {{name, "red", {1}}}),
        CellGrid(frame, {name}, {name}, {{1}}), Legend({{name, "red\"", {}}})}) {
    EXPECT_EQ(std::string::npos, svg.find("<b>")) << svg;
    EXPECT_NE(std::string::npos, svg.find(escaped)) << svg;
  }
  // A legend label never breaks inside itself.
  EXPECT_NE(std::string::npos, Legend({{"BUSTED-CALL", "red", {}}}).find("class=\"item\""));
}

TEST(SvgChartsTest, ScalesRoundUpToOneTwoFive) {
  EXPECT_EQ(1, RoundScale(0));
  EXPECT_EQ(5, RoundScale(4));
  EXPECT_EQ(10, RoundScale(6));
  EXPECT_EQ(20, RoundScale(11));
  EXPECT_EQ(500, RoundScale(500));
  EXPECT_EQ(1000, RoundScale(501));
}

TEST(HtmlTextTest, LinksCannotBecomeAnythingButAFileBeside) {
  EXPECT_EQ("HA5AA.html", LinkTo("HA5AA.html"));
  EXPECT_EQ("a%3Ab%23c%3Fd%25e%20f%22.html", LinkTo("a:b#c?d%e f\".html"));
  EXPECT_EQ("HA5AA_P.html", EntrantPageLink("HA5AA/P"));
  EXPECT_EQ("HA5AA.html", PageFileName("HA5AA.ubn"));
  EXPECT_EQ("Results_.html", PageFileName("Results.ubn"));
}

TEST(EntrantPageTest, ALongPeriodIsDrawnInFewerLongerBuckets) {
  ContestPeriod day;
  day.startSeconds = 46088LL * 86400;  // 2026-03-07 0000
  day.endSeconds = day.startSeconds + 86399;
  const Buckets hours = BucketsOf(day);
  ASSERT_EQ(24u, hours.labels.size());
  EXPECT_EQ(3600, hours.seconds);
  EXPECT_EQ("00h", hours.labels[0]);
  EXPECT_EQ("03h", hours.labels[3]);
  EXPECT_EQ("", hours.labels[1]);
  EXPECT_EQ(23u, hours.Of(day.endSeconds));
  EXPECT_EQ(0u, hours.Of(day.startSeconds - 5000)) << "a moment outside is clamped";
  ContestPeriod tenDays = day;
  tenDays.endSeconds = day.startSeconds + 10 * 86400 - 1;
  const Buckets longer = BucketsOf(tenDays);
  EXPECT_EQ(3 * 3600, longer.seconds);
  EXPECT_EQ(80u, longer.labels.size());
  ContestPeriod open;
  open.open = true;
  EXPECT_TRUE(BucketsOf(open).labels.empty());
}

TEST(SheetBandsTest, BandRowsAreReadBetweenTheHeadingAndTheTotal) {
  const std::string sheet =
      "    TARNO-CONTEST 07.03-07.03.2026\r\n\tContestant: HA5AA \r\n\tQSOs\tPoints\tCounty\r\n"
      "80m\t 5\t 20\t 2\r\n6m\t 1\t 3\t 0\r\nTotal\t 7\t 23\t 2\r\n\r\nScore: 23*2 = 46";
  const std::vector<BandFigures> rows = BandRowsOf(sheet);
  ASSERT_EQ(2u, rows.size());
  EXPECT_EQ("80m", rows[0].band);
  EXPECT_EQ(5, rows[0].qsos);
  EXPECT_EQ(20, rows[0].points);
  EXPECT_EQ(2, rows[0].counties);
  EXPECT_EQ("6m", rows[1].band);
  EXPECT_EQ(3, rows[1].points);
  // A sheet not laid out so gives no rows rather than wrong ones.
  for (const char* bad : {"", "\tQSOs\tPoints\tCounty\r\n80m\t 5\t 20\r\nTotal\t 5\t 20\t 0\r\n",
                          "\tQSOs\tPoints\tCounty\r\n80m\t 5\t 20\t 2\r\n",
                          "\tQSOs\tPoints\tCounty\r\n80m\t 5\t x\t 2\r\nTotal\t 1\t 1\t 1\r\n"}) {
    EXPECT_TRUE(BandRowsOf(bad).empty()) << bad;
  }
}

}  // namespace
}  // namespace tarno::score
