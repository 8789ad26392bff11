#include "crosscheck/svg_charts.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "crosscheck/page_style.h"

namespace tarno::score {
namespace {

// The drawing's own units; the page scales them to its width.
constexpr double kWidth = 640;
constexpr double kHeight = 250;
constexpr double kLeft = 72;
constexpr double kRight = 10;
constexpr double kTop = 12;
constexpr double kBottom = 34;
constexpr double kPlotWidth = kWidth - kLeft - kRight;
constexpr double kPlotHeight = kHeight - kTop - kBottom;

// A coordinate or value to a tenth, without a trailing ".0": a page holds thousands, and
// printf's floating-point formatting would cost more than the rest of the page.
std::string Num(double value) {
  const long long tenths = std::llround(value * 10);
  const long long whole = std::llabs(tenths) / 10;
  const int tenth = static_cast<int>(std::llabs(tenths) % 10);
  std::string out = (tenths < 0 ? "-" : "") + std::to_string(whole);
  if (tenth != 0) out += "." + std::to_string(tenth);
  return out;
}

std::string Open(const ChartFrame& frame, double height) {
  return "<svg id=\"" + HtmlEscaped(frame.id) + "\" class=\"chart\" viewBox=\"0 0 " + Num(kWidth) +
         " " + Num(height) + "\" width=\"100%\" role=\"img\">" + "<title>" +
         HtmlEscaped(frame.title) + "</title>";
}

std::string Text(double x, double y, const char* anchor, const std::string& text) {
  return "<text x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" text-anchor=\"" + anchor + "\">" +
         HtmlEscaped(text) + "</text>";
}

struct Scale {
  double low = 0;
  double high = 1;
  double Y(double value) const { return kTop + kPlotHeight * (high - value) / (high - low); }
};

// The most steps, up to five, that divide the scale into whole numbers, so that the axis
// of a count never reads 1.2.
int StepsOf(const Scale& scale) {
  const double span = scale.high - scale.low;
  for (int steps : {5, 4, 2}) {
    const double step = span / steps;
    if (step >= 1 && step == std::floor(step)) return steps;
  }
  return 1;
}

// The y axis from low to high, and the x labels under their buckets.
std::string Axes(const ChartFrame& frame, const Scale& scale, bool centred) {
  std::string svg = "<g class=\"axis\">";
  const int steps = StepsOf(scale);
  for (int step = 0; step <= steps; ++step) {
    const double value = scale.low + (scale.high - scale.low) * step / steps;
    const double y = scale.Y(value);
    svg += "<line x1=\"" + Num(kLeft) + "\" x2=\"" + Num(kWidth - kRight) + "\" y1=\"" + Num(y) +
           "\" y2=\"" + Num(y) + "\" stroke=\"" + (value == 0 ? "#555" : "#ddd") + "\"/>";
    svg += Text(kLeft - 6, y + 6, "end", Num(value));
  }
  const double slot = kPlotWidth / std::max<size_t>(frame.labels.size(), 1);
  for (size_t i = 0; i < frame.labels.size(); ++i) {
    if (frame.labels[i].empty()) continue;
    const double x = kLeft + slot * i + (centred ? slot / 2 : 0);
    svg += Text(x, kHeight - 6, centred ? "middle" : "start", frame.labels[i]);
  }
  return svg + "</g>";
}

}  // namespace

double RoundScale(double value) {
  if (value <= 1) return 1;
  double power = std::pow(10.0, std::floor(std::log10(value)));
  for (double step : {1.0, 2.0, 5.0, 10.0}) {
    if (step * power >= value) return step * power;
  }
  return 10 * power;
}

std::string StackedBars(const ChartFrame& frame, const std::vector<ChartSeries>& series) {
  const size_t buckets = frame.labels.size();
  std::vector<double> totals(buckets, 0);
  for (const ChartSeries& one : series) {
    for (size_t i = 0; i < buckets && i < one.values.size(); ++i) totals[i] += one.values[i];
  }
  Scale scale;
  scale.high = RoundScale(totals.empty() ? 1 : *std::max_element(totals.begin(), totals.end()));
  std::string svg = Open(frame, kHeight) + Axes(frame, scale, true);
  const double slot = kPlotWidth / std::max<size_t>(buckets, 1);
  std::vector<double> base(buckets, 0);
  for (const ChartSeries& one : series) {
    for (size_t i = 0; i < buckets && i < one.values.size(); ++i) {
      if (one.values[i] == 0) continue;
      const double top = scale.Y(base[i] + one.values[i]);
      svg += "<rect class=\"seg\" x=\"" + Num(kLeft + slot * i + slot * 0.1) + "\" y=\"" +
             Num(top) + "\" width=\"" + Num(slot * 0.8) + "\" height=\"" +
             Num(scale.Y(base[i]) - top) + "\" fill=\"" + HtmlEscaped(one.colour) + "\"><title>" +
             HtmlEscaped(one.name + " " + frame.labels[i] + ": " + Num(one.values[i])) +
             "</title></rect>";
      base[i] += one.values[i];
    }
  }
  return svg + "</svg>";
}

std::string LineChart(const ChartFrame& frame, const std::vector<ChartSeries>& series) {
  const size_t buckets = frame.labels.size();
  double low = 0, high = 0;
  for (const ChartSeries& one : series) {
    for (double value : one.values) {
      low = std::min(low, value);
      high = std::max(high, value);
    }
  }
  Scale scale;
  const double reach = RoundScale(std::max(high, -low));
  scale.high = high > 0 || low == 0 ? (low < 0 ? reach : RoundScale(high)) : 0;
  scale.low = low < 0 ? -reach : 0;
  std::string svg = Open(frame, kHeight) + Axes(frame, scale, true);
  const double slot = kPlotWidth / std::max<size_t>(buckets, 1);
  for (const ChartSeries& one : series) {
    std::string points, dots;
    for (size_t i = 0; i < buckets && i < one.values.size(); ++i) {
      const std::string x = Num(kLeft + slot * i + slot / 2);
      const std::string y = Num(scale.Y(one.values[i]));
      points += (points.empty() ? "" : " ") + x + "," + y;
      dots += "<circle class=\"pt\" cx=\"" + x + "\" cy=\"" + y + "\" r=\"3\"><title>" +
              HtmlEscaped(one.name + " " + frame.labels[i] + ": " + Num(one.values[i])) +
              "</title></circle>";
    }
    svg += "<g fill=\"" + HtmlEscaped(one.colour) +
           "\"><polyline class=\"line\" fill=\"none\" stroke=\"" + HtmlEscaped(one.colour) +
           "\" stroke-width=\"2\" points=\"" + points + "\"/>" + dots + "</g>";
  }
  return svg + "</svg>";
}

std::string CellGrid(const ChartFrame& frame, const std::vector<std::string>& rows,
                     const std::vector<std::string>& columns,
                     const std::vector<std::vector<int>>& states) {
  const double cell = (kWidth - kLeft - kRight) / std::max<size_t>(columns.size(), 1);
  const double rowHeight = 24;
  const double height = 28 + rowHeight * rows.size();
  std::string svg = Open(frame, height) + "<g class=\"axis grid\">";
  for (size_t c = 0; c < columns.size(); ++c)
    svg += Text(kLeft + cell * c + cell / 2, 18, "middle", columns[c]);
  for (size_t r = 0; r < rows.size(); ++r)
    svg += Text(kLeft - 6, 28 + rowHeight * r + 17, "end", rows[r]);
  svg += "</g>";
  // The empty cells are one rectangle filled with a pattern of one cell: a contest of
  // thousands of pages would otherwise carry a rectangle for every cell never worked.
  const std::string pattern = HtmlEscaped(frame.id) + "-cell";
  svg += "<defs><pattern id=\"" + pattern + "\" patternUnits=\"userSpaceOnUse\" x=\"" + Num(kLeft) +
         "\" y=\"28\" width=\"" + Num(cell) + "\" height=\"" + Num(rowHeight) +
         "\"><rect x=\"1\" y=\"1\" width=\"" + Num(cell - 2) + "\" height=\"" + Num(rowHeight - 2) +
         "\" fill=\"#fff\" stroke=\"#ccc\"/></pattern></defs><rect x=\"" + Num(kLeft) +
         "\" y=\"28\" width=\"" + Num(cell * columns.size()) + "\" height=\"" +
         Num(rowHeight * rows.size()) + "\" fill=\"url(#" + pattern + ")\"/>";
  for (size_t r = 0; r < rows.size() && r < states.size(); ++r) {
    for (size_t c = 0; c < columns.size() && c < states[r].size(); ++c) {
      const int state = states[r][c];
      if (state == 0) continue;
      svg += "<rect class=\"cell f" + std::to_string(state) + "\" x=\"" +
             Num(kLeft + cell * c + 1) + "\" y=\"" + Num(28 + rowHeight * r + 1) + "\" width=\"" +
             Num(cell - 2) + "\" height=\"" + Num(rowHeight - 2) + "\" fill=\"" +
             (state == 1 ? "#3a7ad4\" stroke=\"#3a7ad4" : "#fff\" stroke=\"#d43a3a") +
             "\" stroke-width=\"2\"><title>" + HtmlEscaped(rows[r] + " " + columns[c]) +
             "</title></rect>";
    }
  }
  return svg + "</svg>";
}

std::string Legend(const std::vector<ChartSeries>& series) {
  std::string html = "<p class=\"legend\">";
  for (const ChartSeries& one : series) {
    html += "<span class=\"item\"><span class=\"swatch\" style=\"border-color:" +
            HtmlEscaped(one.colour) + "\"></span>" + HtmlEscaped(one.name) + "</span> ";
  }
  return html + "</p>";
}

}  // namespace tarno::score
