#ifndef TARNO_TOOLS_CROSSCHECK_STATISTICS_CHARTS_H_
#define TARNO_TOOLS_CROSSCHECK_STATISTICS_CHARTS_H_

// The statistics page's charts, inline SVG drawn from the numbers alone. Each has a title
// and a description a screen reader reads (aria-labelledby), axis titles with their units,
// and marks of at least 3:1 contrast on white; the bands are told apart by colour and by a
// pattern of their own, so that no reader depends on colour. Every text is escaped here;
// the page puts the numbers of every chart in a table beside it.

#include <string>
#include <vector>

namespace tarno::score {

struct ChartText {
  std::string id;     // the svg element's id; ids of its parts start with it
  std::string title;  // the chart's name
  std::string desc;   // what it shows, in a sentence or two
  std::string xAxis;  // the axis titles, with their units
  std::string yAxis;
};

// The band's colour (Okabe and Ito's palette, darkened where white would not stand 3:1
// against it) and the pattern over it, for band index 0 (160 m) to 5 (10 m).
const char* BandColour(int band);

// The patterns' definitions, once per page (a <svg> of no size), for BandFill.
std::string BandPatterns();
// The fill of a band's marks: its pattern where one is defined on the page.
std::string BandFill(int band);

// Columns per bucket, the bands stacked from 160 m at the bottom; `values[band][bucket]`.
// A label may be "" to leave its bucket unlabelled on the axis; each mark's own title
// names its band and its bucket's full name from `bucketNames`.
std::string BandColumns(const ChartText& text, const std::vector<std::string>& labels,
                        const std::vector<std::string>& bucketNames,
                        const std::vector<std::vector<long long>>& values,
                        const std::vector<std::string>& bandNames);

// One column per class, its count written over it, and a marked line at `markerAt` (in
// classes from the left edge, fractional) labelled `markerLabel`; no line when it is < 0.
std::string CountColumns(const ChartText& text, const std::vector<std::string>& labels,
                         const std::vector<long long>& counts, double markerAt,
                         const std::string& markerLabel);

// Horizontal bars, one a row, the value written at the end of each.
std::string RowBars(const ChartText& text, const std::vector<std::string>& names,
                    const std::vector<long long>& values);

// The bands' names, each beside a swatch of its colour and pattern, as HTML.
std::string BandLegend(const std::vector<std::string>& bandNames);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_STATISTICS_CHARTS_H_
