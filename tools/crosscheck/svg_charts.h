#ifndef TARNO_TOOLS_CROSSCHECK_SVG_CHARTS_H_
#define TARNO_TOOLS_CROSSCHECK_SVG_CHARTS_H_

// Charts drawn as inline SVG from the data alone: no script, no font, no file from
// elsewhere, and a printer prints them as the screen shows them (a fill is no background,
// which printers leave out). Each chart scales to the width of its box (a viewBox and
// width 100%); its legend is HTML beside it, so that it wraps between labels on a narrow
// screen. A screen reader reads each chart's title and description; the page gives every
// value it draws in a table too. Every mark stands at least 3:1 against the white, and a
// colour is never a series' only cue: bars carry a hatching of their own, lines a dash and
// their name at their end. Every text is escaped here.

#include <string>
#include <vector>

namespace tarno::score {

struct ChartSeries {
  std::string name;
  std::string colour;          // a CSS colour, as the program chooses it
  std::vector<double> values;  // one per bucket
  int pattern = 0;             // bars: 0 plain, 1 to 6 a hatching; lines: 0 solid, else dashed
};

struct ChartFrame {
  std::string id;                   // the svg element's id, and the prefix of its parts' ids
  std::string title;                // read out by screen readers, shown as a tooltip
  std::string description;          // what it shows, for screen readers
  std::string yTitle;               // the vertical axis, with its unit: "QSOs per hour"
  std::string xTitle;               // the horizontal axis: "UTC"
  std::vector<std::string> labels;  // the buckets' labels; "" leaves one out
  std::vector<std::string> tips;    // each bucket's name in its marks' tooltips; else its label
  char decimalMark = '.';           // in the axis's numbers: "1.5k" or "1,5k"
};

// One column per bucket, the series stacked from the bottom; one <rect class="seg"> for
// every series' non-zero value.
std::string StackedBars(const ChartFrame& frame, const std::vector<ChartSeries>& series);

// One line per series with a <circle class="pt"> at every bucket and its name at its end;
// values may be negative. Where `zeroLabel` is given, the zero line is drawn bold with it.
std::string LineChart(const ChartFrame& frame, const std::vector<ChartSeries>& series,
                      const std::string& zeroLabel = "");

// A grid of cells, rows by columns: state 0 empty, 1 filled, 2 outlined and crossed (one
// <rect class="cell fN"> for each filled or outlined cell); `cellTitles[state]` is read
// after a cell's row and column.
std::string CellGrid(const ChartFrame& frame, const std::vector<std::string>& rows,
                     const std::vector<std::string>& columns,
                     const std::vector<std::vector<int>>& states,
                     const std::vector<std::string>& cellTitles);

// One bar across the width, a segment per series as its first value's share of them all,
// in the series' colours and hatchings; one <rect class="share"> per non-zero value.
std::string ShareBar(const ChartFrame& frame, const std::vector<ChartSeries>& series);

// The series' names with their colours and hatchings (or dashes, for `lines`), as HTML;
// the chart `frameId` defines the hatchings, so the legend goes on its page.
std::string Legend(const std::string& frameId, const std::vector<ChartSeries>& series, bool lines);

// The smallest of 1, 2, 5, 10, 20, 50... that is at least `value`.
double RoundScale(double value);

// What every chart is drawn with. A coordinate or value to a tenth, without a trailing
// ".0": a page holds thousands, and printf's floating-point formatting would cost more than
// the rest of the page.
std::string SvgNumber(double value);
// A <text> at (x, y), `text` escaped, `extra` attributes as they are.
std::string SvgText(double x, double y, const char* anchor, const std::string& text,
                    const std::string& extra = "");
// The <svg> start of a chart `width` x `height` units, with its title and description for a
// screen reader.
std::string SvgOpen(const std::string& id, const std::string& title, const std::string& description,
                    double width, double height);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_SVG_CHARTS_H_
