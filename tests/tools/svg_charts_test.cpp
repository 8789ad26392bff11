// The pieces the entrant page is drawn with: the charts, the links, and the summary sheet's
// band rows that the report's figures come from.

#include "crosscheck/svg_charts.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "crosscheck/contest_period.h"
#include "crosscheck/entrant_page.h"
#include "crosscheck/html_out.h"
#include "crosscheck/html_text.h"
#include "crosscheck/plugin_judge.h"
#include "logs/log_text.h"

namespace tarno::score {
namespace {

size_t Occurrences(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

ChartFrame Frame(const std::string& id, const std::string& title,
                 const std::vector<std::string>& labels) {
  ChartFrame frame;
  frame.id = id;
  frame.title = title;
  frame.description = "what it shows";
  frame.yTitle = "QSOs per hour";
  frame.xTitle = "UTC (hour)";
  frame.labels = labels;
  return frame;
}

TEST(SvgChartsTest, OneBarPerNonZeroValueAndOnePointPerBucket) {
  const ChartFrame frame = Frame("rate", "QSOs", {"00h", "", "02h"});
  const std::string bars =
      StackedBars(frame, {{"80m", "#111", {3, 0, 1}, 0}, {"40m", "#222", {2, 5, 0}, 2}});
  EXPECT_EQ(4u, Occurrences(bars, "<rect class=\"seg\""));
  EXPECT_NE(std::string::npos, bars.find("viewBox=\"0 0 640 280\" width=\"100%\""));
  // The tallest column, 5, is the top of the scale: whole steps of 1.
  EXPECT_NE(std::string::npos, bars.find(">5</text>"));
  EXPECT_EQ(std::string::npos, bars.find(">2.5</text>"));
  const std::string lines =
      LineChart(frame, {{"a", "#111", {1, 2, 3}, 0}, {"b", "#222", {0, -4, 1}, 1}});
  EXPECT_EQ(6u, Occurrences(lines, "<circle class=\"pt\""));
  EXPECT_EQ(2u, Occurrences(lines, "<polyline"));
  EXPECT_NE(std::string::npos, lines.find(">-5</text>"))
      << "a negative value needs a scale below 0";
  const std::string grid = CellGrid(Frame("grid", "g", {}), {"80m", "40m"}, {"BP", "PE", "SZ"},
                                    {{1, 0, 2}, {0, 0, 0}}, {"", "credited", "lost"});
  EXPECT_EQ(2u, Occurrences(grid, "<rect class=\"cell"));
  EXPECT_EQ(1u, Occurrences(grid, "class=\"cell f1\""));
  EXPECT_EQ(1u, Occurrences(grid, "class=\"cell f2\""));
  EXPECT_NE(std::string::npos, grid.find("<title>80m SZ: lost</title>"));
  const std::string bar = ShareBar(
      Frame("bar", "verdicts", {}),
      {{"credited", "#111", {30}, 0}, {"lost", "#222", {0}, 1}, {"other", "#333", {10}, 5}});
  EXPECT_EQ(2u, Occurrences(bar, "<rect class=\"share\"")) << bar;
  EXPECT_NE(std::string::npos, bar.find("x=\"480\" y=\"0\" width=\"160\"")) << "a quarter";
}

// What a screen reader and a reader without colour need: a title and a description named by
// the svg, the axes' titles, a hatching for each hatched series that its legend shows too,
// and a dashed line with its name at its end.
TEST(SvgChartsTest, ChartsCarryTextAndASecondCueBesideColour) {
  const ChartFrame frame = Frame("rate", "Credited QSOs", {"00h", "01h"});
  const std::vector<ChartSeries> bands = {{"80m", "#0072b2", {3, 1}, 1},
                                          {"40m", "#009e73", {2, 5}, 0}};
  const std::string bars = StackedBars(frame, bands);
  for (const char* part :
       {"aria-labelledby=\"rate-t rate-d\"", "<title id=\"rate-t\">Credited QSOs</title>",
        "<desc id=\"rate-d\">what it shows</desc>", ">QSOs per hour</text>", ">UTC (hour)</text>",
        "<pattern id=\"rate-p0\"", "<g fill=\"url(#rate-p0)\"", "<g fill=\"#009e73\""}) {
    EXPECT_NE(std::string::npos, bars.find(part)) << part << "\n" << bars;
  }
  EXPECT_EQ(std::string::npos, bars.find("rate-p1")) << "a plain series needs no pattern";
  const std::string key = Legend("rate", bands, false);
  EXPECT_NE(std::string::npos, key.find("fill=\"url(#rate-p0)\"")) << key;
  EXPECT_EQ(2u, Occurrences(key, "<span class=\"k\">")) << "each label in one piece";

  const std::vector<ChartSeries> two = {{"HA5AA", "#0072b2", {1, 2}, 0},
                                        {"HG7BB", "#d55e00", {2, 2}, 1}};
  const std::string lines = LineChart(Frame("rates", "both", {"00h", "01h"}), two);
  EXPECT_EQ(1u, Occurrences(lines, "stroke-dasharray")) << "the second line is dashed";
  EXPECT_NE(std::string::npos, lines.find("class=\"name\" fill=\"#0072b2\">HA5AA</text>"));
  EXPECT_NE(std::string::npos, lines.find(">HG7BB</text>"));
  EXPECT_NE(std::string::npos, Legend("rates", two, true).find("stroke-dasharray"));

  // The score difference always shows its zero line, bold and named, wherever it falls.
  for (const std::vector<double>& gap :
       std::vector<std::vector<double>>{{100, 2500}, {-3, -40000}, {-50, 70}}) {
    const std::string chart = LineChart(Frame("gap", "difference", {"00h", "01h"}),
                                        {{"gap", "#882255", gap, 0}}, "0 = level");
    EXPECT_EQ(1u, Occurrences(chart, "<line class=\"zero\"")) << chart;
    EXPECT_NE(std::string::npos, chart.find(">0 = level</text>"));
  }
  EXPECT_NE(std::string::npos,
            LineChart(Frame("gap", "d", {"a"}), {{"gap", "#000", {-40000}, 0}}).find(">-40k<"))
      << "large numbers are shortened for the margin";
}

TEST(SvgChartsTest, TextsFromLogsAreEscapedEverywhere) {
  const std::string name = "<b>\"&";
  const std::string escaped = "&lt;b&gt;&quot;&amp;";
  ChartFrame frame = Frame("x\"y", name, {name});
  frame.description = name;
  for (const std::string& svg :
       {StackedBars(frame, {{name, "red", {1}, 1}}),
        LineChart(frame, {{name, "red", {1}, 0}}, name),
        CellGrid(frame, {name}, {name}, {{1}}, {"", name}),
        ShareBar(frame, {{name, "red", {1}, 1}}), Legend(name, {{name, "red\"", {}, 1}}, false)}) {
    EXPECT_EQ(std::string::npos, svg.find("<b>")) << svg;
    EXPECT_EQ(std::string::npos, svg.find("x\"y")) << svg;
    EXPECT_NE(std::string::npos, svg.find(escaped)) << svg;
  }
}

TEST(SvgChartsTest, EveryMarkNamesItsBucketThoughTheAxisLabelsOnlySome) {
  ChartFrame frame = Frame("rate", "t", {"00h", "", ""});
  frame.tips = {"00:00", "01:00", "02:00"};
  for (const std::string& svg : {StackedBars(frame, {{"40m", "#000", {1, 2, 3}, 0}}),
                                 LineChart(frame, {{"40m", "#000", {1, 2, 3}, 0}})}) {
    EXPECT_NE(std::string::npos, svg.find("<title>40m 01:00: 2</title>")) << svg;
    EXPECT_NE(std::string::npos, svg.find("<title>40m 02:00: 3</title>")) << svg;
    EXPECT_EQ(std::string::npos, svg.find("<title>40m : ")) << svg;
  }
  frame.tips.clear();
  EXPECT_NE(std::string::npos,
            StackedBars(frame, {{"40m", "#000", {1, 0, 0}, 0}}).find("<title>40m 00h: 1</title>"))
      << "without names, the axis's labels";
}

// A chart drawn just after another on the same thread is the chart drawn afresh, whatever
// one thing of its frame or series differs: marks are copied only where all they are drawn
// from is the same.
TEST(SvgChartsTest, AChartDrawnAfterAnotherIsTheChartDrawnAfresh) {
  ChartFrame frame = Frame("rate", "t", {"00h", "", ""});
  frame.tips = {"00:00", "01:00", "02:00"};
  const std::vector<ChartSeries> series = {{"40m", "#000", {1, 2, 3}, 1},
                                           {"80m", "#111", {4, 0, 1}, 0}};
  std::vector<std::pair<ChartFrame, std::vector<ChartSeries>>> variants(9, {frame, series});
  variants[1].second[0].values[1] = 5;
  variants[2].second[1].name = "20m";
  variants[3].second[0].colour = "#222";
  variants[4].second[1].pattern = 2;
  variants[5].first.tips[2] = "02:30";
  variants[6].first.id = "rates";
  variants[7].first.labels = {"a", "b", "c"};
  variants[8].first.title = "another language";
  const auto draw = [](const ChartFrame& f, const std::vector<ChartSeries>& s) {
    return StackedBars(f, s) + LineChart(f, s) + LineChart(f, {s[0]}, "level");
  };
  for (size_t v = 0; v < variants.size(); ++v) {
    std::string afresh;
    std::thread([&] { afresh = draw(variants[v].first, variants[v].second); }).join();
    draw(frame, series);
    EXPECT_EQ(afresh, draw(variants[v].first, variants[v].second)) << "variant " << v;
    EXPECT_EQ(afresh, draw(variants[v].first, variants[v].second)) << "variant " << v << ", again";
  }
  // Charts of more ids than are kept, in turn, and bars and lines of one id.
  std::vector<std::string> afresh(12);
  const auto drawId = [&](size_t i) {
    ChartFrame one = frame;
    one.id = "c" + std::to_string(i % 6);
    std::vector<ChartSeries> some = series;
    some[0].values[0] = static_cast<double>(i);
    return i % 2 ? StackedBars(one, some) : LineChart(one, some);
  };
  std::thread([&] {
    for (size_t i = 0; i < afresh.size(); ++i) afresh[i] = drawId(i);
  }).join();
  for (int round = 0; round < 3; ++round) {
    for (size_t i = 0; i < afresh.size(); ++i) EXPECT_EQ(afresh[i], drawId(i)) << i;
  }
}

TEST(SvgChartsTest, ScalesRoundUpToOneTwoFive) {
  EXPECT_EQ(1, RoundScale(0));
  EXPECT_EQ(5, RoundScale(4));
  EXPECT_EQ(10, RoundScale(6));
  EXPECT_EQ(20, RoundScale(11));
  EXPECT_EQ(500, RoundScale(500));
  EXPECT_EQ(1000, RoundScale(501));
}

TEST(HtmlOutTest, NumbersAreWrittenToATenthAndWholeNumbersAsTheyAre) {
  const std::pair<double, const char*> tenths[] = {
      {0, "0"},       {12, "12"},      {12.25, "12.3"},        {1.04, "1"},
      {99.96, "100"}, {-0.04, "0"},    {-0.05, "-0.1"},        {-40000, "-40000"},
      {0.5, "0.5"},   {218.04, "218"}, {1e12, "1000000000000"}};
  for (const auto& [value, text] : tenths) {
    std::string out = "x";
    HtmlOut(&out) << value;
    EXPECT_EQ("x" + std::string(text), out) << value;
    EXPECT_EQ(text, SvgNumber(value)) << value;
  }
  std::string out;
  HtmlOut(&out) << -7 << ' ' << 7u << ' ' << size_t{120} << ' ' << -1234567890123LL << ' '
                << Escaped{"<a href='x'>&\"</a>"} << std::string("<b>") << "</b>";
  EXPECT_EQ("-7 7 120 -1234567890123 &lt;a href=&#39;x&#39;&gt;&amp;&quot;&lt;/a&gt;<b></b>", out);
  std::string counts;
  HtmlOut(&counts) << 4000000000u << ' ' << 18446744073709551615ull << ' ' << -5L << ' '
                   << 7UL;
  EXPECT_EQ("4000000000 18446744073709551615 -5 7", counts);
  char buffer[16] = "held";  // an array that is not a literal ends at its first NUL
  const char* pointer = "pointed";
  HtmlOut(&out) << buffer << pointer;
  EXPECT_EQ("</b>heldpointed", out.substr(out.size() - 15));
}

TEST(HtmlTextTest, EscapingMendsWhatIsNotUtf8AndKeepsWhatCameBefore) {
  const std::pair<const char*, const char*> cases[] = {
      {"plain", "plain"},
      {"Gy\xC5\x91r <&>", "Gy\xC5\x91r &lt;&amp;&gt;"},
      {"a<\xFF>\"'", "a&lt;\xEF\xBF\xBD&gt;&quot;&#39;"},
      {"ends inside \xC3", "ends inside \xEF\xBF\xBD"},
      {"", ""}};
  for (const auto& [text, escaped] : cases) {
    std::string out = "kept ";
    AppendHtmlEscaped(&out, text);
    EXPECT_EQ("kept " + std::string(escaped), out) << text;
    EXPECT_EQ(escaped, HtmlEscaped(text)) << text;
  }
}

// Plain runs are passed over eight bytes at a time: whatever the place of a character to
// escape or of a byte that is no UTF-8, the page reads as one character at a time makes it.
TEST(HtmlTextTest, EscapingAgreesWithOneCharacterAtATimeWhereverTheCharactersFall) {
  const char* const pieces[] = {"a", "bcdefgh",  "&",    "<",    ">",           "\"",
                                "'", "\xC3\xA1", "\xC3", "\xFF", "\xE2\x9C\x93"};
  std::mt19937 random(3);
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    for (size_t n = random() % 12; n > 0; --n) text += pieces[random() % std::size(pieces)];
    std::string expected;
    for (char c : ValidUtf8(text)) {
      switch (c) {
        case '&':
          expected += "&amp;";
          break;
        case '<':
          expected += "&lt;";
          break;
        case '>':
          expected += "&gt;";
          break;
        case '"':
          expected += "&quot;";
          break;
        case '\'':
          expected += "&#39;";
          break;
        default:
          expected += c;
      }
    }
    ASSERT_EQ(expected, HtmlEscaped(text)) << text;
  }
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
