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

// A coordinate or value to a tenth, without a trailing ".0", appended: a page holds
// thousands, and printf's floating-point formatting, or a string for each, would cost more
// than the rest of the page.
void AppendNum(std::string* out, double value) {
  const long long tenths = std::llround(value * 10);
  unsigned long long magnitude =
      tenths < 0 ? 0ULL - static_cast<unsigned long long>(tenths) : tenths;
  char buffer[32];
  char* const end = buffer + sizeof buffer;
  char* at = end;
  if (magnitude % 10 != 0) {
    *--at = static_cast<char>('0' + magnitude % 10);
    *--at = '.';
  }
  magnitude /= 10;
  do {
    *--at = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (tenths < 0) *--at = '-';
  out->append(at, static_cast<size_t>(end - at));
}

std::string Num(double value) {
  std::string out;
  AppendNum(&out, value);
  return out;
}

// Appends the parts in turn: texts as they are, numbers by AppendNum.
void Put(std::string*) {}
template <typename... Rest>
void Put(std::string* out, double value, const Rest&... rest);
template <typename... Rest>
void Put(std::string* out, const char* text, const Rest&... rest);
template <typename... Rest>
void Put(std::string* out, const std::string& text, const Rest&... rest);
template <typename... Rest>
void Put(std::string* out, const char* text, const Rest&... rest) {
  out->append(text);
  Put(out, rest...);
}
template <typename... Rest>
void Put(std::string* out, const std::string& text, const Rest&... rest) {
  out->append(text);
  Put(out, rest...);
}
template <typename... Rest>
void Put(std::string* out, double value, const Rest&... rest) {
  AppendNum(out, value);
  Put(out, rest...);
}

void Open(std::string* svg, const ChartFrame& frame, double height) {
  svg->append("<svg id=\"");
  AppendHtmlEscaped(svg, frame.id);
  Put(svg, "\" class=\"chart\" viewBox=\"0 0 ", kWidth, " ", height,
      "\" width=\"100%\" role=\"img\"><title>");
  AppendHtmlEscaped(svg, frame.title);
  svg->append("</title>");
}

void Text(std::string* svg, double x, double y, const char* anchor, std::string_view text) {
  Put(svg, "<text x=\"", x, "\" y=\"", y, "\" text-anchor=\"", anchor, "\">");
  AppendHtmlEscaped(svg, text);
  svg->append("</text>");
}

// "<title>name label: value</title>", escaped.
void ValueTitle(std::string* svg, const std::string& name, const std::string& label, double value) {
  svg->append("<title>");
  AppendHtmlEscaped(svg, name);
  svg->push_back(' ');
  AppendHtmlEscaped(svg, label);
  svg->append(": ");
  AppendNum(svg, value);
  svg->append("</title>");
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
void Axes(std::string* svg, const ChartFrame& frame, const Scale& scale, bool centred) {
  svg->append("<g class=\"axis\">");
  const int steps = StepsOf(scale);
  for (int step = 0; step <= steps; ++step) {
    const double value = scale.low + (scale.high - scale.low) * step / steps;
    const double y = scale.Y(value);
    Put(svg, "<line x1=\"", kLeft, "\" x2=\"", kWidth - kRight, "\" y1=\"", y, "\" y2=\"", y,
        "\" stroke=\"", value == 0 ? "#555" : "#ddd", "\"/>");
    Text(svg, kLeft - 6, y + 6, "end", Num(value));
  }
  const double slot = kPlotWidth / std::max<size_t>(frame.labels.size(), 1);
  for (size_t i = 0; i < frame.labels.size(); ++i) {
    if (frame.labels[i].empty()) continue;
    const double x = kLeft + slot * i + (centred ? slot / 2 : 0);
    Text(svg, x, kHeight - 6, centred ? "middle" : "start", frame.labels[i]);
  }
  svg->append("</g>");
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
  std::string svg;
  Open(&svg, frame, kHeight);
  Axes(&svg, frame, scale, true);
  const double slot = kPlotWidth / std::max<size_t>(buckets, 1);
  std::vector<double> base(buckets, 0);
  for (const ChartSeries& one : series) {
    const std::string colour = HtmlEscaped(one.colour);
    for (size_t i = 0; i < buckets && i < one.values.size(); ++i) {
      if (one.values[i] == 0) continue;
      const double top = scale.Y(base[i] + one.values[i]);
      Put(&svg, "<rect class=\"seg\" x=\"", kLeft + slot * i + slot * 0.1, "\" y=\"", top,
          "\" width=\"", slot * 0.8, "\" height=\"", scale.Y(base[i]) - top, "\" fill=\"", colour,
          "\">");
      ValueTitle(&svg, one.name, frame.labels[i], one.values[i]);
      svg.append("</rect>");
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
  std::string svg;
  Open(&svg, frame, kHeight);
  Axes(&svg, frame, scale, true);
  const double slot = kPlotWidth / std::max<size_t>(buckets, 1);
  std::string points, dots;
  for (const ChartSeries& one : series) {
    points.clear();
    dots.clear();
    for (size_t i = 0; i < buckets && i < one.values.size(); ++i) {
      const double x = kLeft + slot * i + slot / 2, y = scale.Y(one.values[i]);
      if (!points.empty()) points.push_back(' ');
      Put(&points, x, ",", y);
      Put(&dots, "<circle class=\"pt\" cx=\"", x, "\" cy=\"", y, "\" r=\"3\">");
      ValueTitle(&dots, one.name, frame.labels[i], one.values[i]);
      dots.append("</circle>");
    }
    const std::string colour = HtmlEscaped(one.colour);
    Put(&svg, "<g fill=\"", colour, "\"><polyline class=\"line\" fill=\"none\" stroke=\"", colour,
        "\" stroke-width=\"2\" points=\"", points, "\"/>", dots, "</g>");
  }
  return svg + "</svg>";
}

std::string CellGrid(const ChartFrame& frame, const std::vector<std::string>& rows,
                     const std::vector<std::string>& columns,
                     const std::vector<std::vector<int>>& states) {
  const double cell = (kWidth - kLeft - kRight) / std::max<size_t>(columns.size(), 1);
  const double rowHeight = 24;
  const double height = 28 + rowHeight * rows.size();
  std::string svg;
  Open(&svg, frame, height);
  svg.append("<g class=\"axis grid\">");
  for (size_t c = 0; c < columns.size(); ++c)
    Text(&svg, kLeft + cell * c + cell / 2, 18, "middle", columns[c]);
  for (size_t r = 0; r < rows.size(); ++r)
    Text(&svg, kLeft - 6, 28 + rowHeight * r + 17, "end", rows[r]);
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
      Put(&svg, "<rect class=\"cell f", std::to_string(state), "\" x=\"", kLeft + cell * c + 1,
          "\" y=\"", 28 + rowHeight * r + 1, "\" width=\"", cell - 2, "\" height=\"", rowHeight - 2,
          "\" fill=\"", state == 1 ? "#3a7ad4\" stroke=\"#3a7ad4" : "#fff\" stroke=\"#d43a3a",
          "\" stroke-width=\"2\"><title>");
      AppendHtmlEscaped(&svg, rows[r]);
      svg.push_back(' ');
      AppendHtmlEscaped(&svg, columns[c]);
      svg.append("</title></rect>");
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
