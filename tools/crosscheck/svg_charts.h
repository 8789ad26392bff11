#ifndef TARNO_TOOLS_CROSSCHECK_SVG_CHARTS_H_
#define TARNO_TOOLS_CROSSCHECK_SVG_CHARTS_H_

// Charts drawn as inline SVG from the data alone: no script, no font, no file from
// elsewhere, and a printer prints them as the screen shows them. Each chart scales to
// the width of its box (a viewBox and width 100%); its legend is HTML beside it, so
// that it wraps between labels on a narrow screen. Every text is escaped here.

#include <string>
#include <vector>

namespace tarno::score {

struct ChartSeries {
  std::string name;
  std::string colour;          // a CSS colour, as the program chooses it
  std::vector<double> values;  // one per bucket
};

struct ChartFrame {
  std::string id;                   // the svg element's id
  std::string title;                // read out by screen readers, shown as a tooltip
  std::vector<std::string> labels;  // the buckets' labels; "" leaves one out
};

// One column per bucket, the series stacked from the bottom; one <rect class="seg"> for
// every series' non-zero value.
std::string StackedBars(const ChartFrame& frame, const std::vector<ChartSeries>& series);

// One line per series with a <circle class="pt"> at every bucket; values may be
// negative, and then the zero line is drawn.
std::string LineChart(const ChartFrame& frame, const std::vector<ChartSeries>& series);

// A grid of cells, rows by columns: state 0 empty, 1 filled, 2 outlined (one
// <rect class="cell fN"> for each filled or outlined cell).
std::string CellGrid(const ChartFrame& frame, const std::vector<std::string>& rows,
                     const std::vector<std::string>& columns,
                     const std::vector<std::vector<int>>& states);

// The series' names with their colours, as HTML.
std::string Legend(const std::vector<ChartSeries>& series);

// The smallest of 1, 2, 5, 10, 20, 50... that is at least `value`.
double RoundScale(double value);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_SVG_CHARTS_H_
