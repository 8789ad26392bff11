#include "crosscheck/svg_charts.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "crosscheck/html_out.h"
#include "crosscheck/page_style.h"

namespace tarno::score {
namespace {

void PutText(HtmlOut& svg, double x, double y, const char* anchor, std::string_view text,
             std::string_view extra = {}) {
  svg << "<text x=\"" << x << "\" y=\"" << y << "\" text-anchor=\"" << anchor << '"' << extra << '>'
      << Escaped{text} << "</text>";
}

void PutOpen(HtmlOut& svg, std::string_view id, std::string_view title,
             std::string_view description, double width, double height) {
  const Escaped escaped{id};
  svg << "<svg id=\"" << escaped << "\" class=\"chart\" viewBox=\"0 0 " << width << ' ' << height
      << "\" width=\"100%\" role=\"img\" aria-labelledby=\"" << escaped << "-t " << escaped
      << "-d\"><title id=\"" << escaped << "-t\">" << Escaped{title} << "</title><desc id=\""
      << escaped << "-d\">" << Escaped{description} << "</desc>";
}

}  // namespace

std::string SvgNumber(double value) {
  std::string out;
  AppendSvgNumber(&out, value);
  return out;
}

std::string SvgText(double x, double y, const char* anchor, const std::string& text,
                    const std::string& extra) {
  std::string out;
  HtmlOut svg(&out);
  PutText(svg, x, y, anchor, text, extra);
  return out;
}

std::string SvgOpen(const std::string& id, const std::string& title, const std::string& description,
                    double width, double height) {
  std::string out;
  HtmlOut svg(&out);
  PutOpen(svg, id, title, description, width, height);
  return out;
}

namespace {

// The drawing's own units; the page scales them to its width.
constexpr double kWidth = 640;
constexpr double kHeight = 280;
constexpr double kLeft = 86;  // the vertical axis's title and numbers
constexpr double kRight = 10;
constexpr double kTop = 14;
constexpr double kBottom = 62;  // the buckets' labels and the horizontal axis's title
constexpr double kPlotWidth = kWidth - kLeft - kRight;
constexpr double kPlotHeight = kHeight - kTop - kBottom;

// Every mark at least 3:1 against the white page.
constexpr char kGridLine[] = "#ddd";  // a guide, not a mark
constexpr char kZeroLine[] = "#222";
constexpr char kEmptyCell[] = "#949494";
constexpr char kFilledCell[] = "#0072b2";
constexpr char kLostCell[] = "#d55e00";

// An axis's number, short enough for the margin: 1500 stays, 25000 is "25k", 1500000 "1.5M".
std::string AxisNumber(double value, char decimalMark) {
  const double size = std::fabs(value);
  std::string text = size >= 1e6   ? SvgNumber(value / 1e6) + "M"
                     : size >= 1e4 ? SvgNumber(value / 1e3) + "k"
                                   : SvgNumber(value);
  std::replace(text.begin(), text.end(), '.', decimalMark);
  return text;
}

// A mark's tooltip: "40m 09:00: 12". Every bucket is named, labelled on the axis or not.
void PutTitle(HtmlOut& svg, const std::string& name, const ChartFrame& frame, size_t bucket,
              double value) {
  const std::string& tip = bucket < frame.tips.size() ? frame.tips[bucket] : frame.labels[bucket];
  svg << "<title>" << Escaped{name} << ' ' << Escaped{tip} << ": " << value << "</title>";
}

// White strokes over the series' colour, one drawing per hatching.
const char* const kHatchings[] = {
    "",
    "<path d=\"M-2,2 2,-2M0,8 8,0M6,10 10,6\"/>",
    "<path d=\"M0,4H8\"/>",
    "<path d=\"M-2,6 2,10M0,0 8,8M6,-2 10,2\"/>",
    "<path d=\"M4,0V8\"/>",
    "<circle cx=\"4\" cy=\"4\" r=\"1.6\" fill=\"#fff\" stroke=\"none\"/>",
    "<path d=\"M0,4H8M4,0V8\"/>",
};
constexpr int kHatchingCount = sizeof kHatchings / sizeof kHatchings[0];

bool Hatched(const ChartSeries& one) { return one.pattern > 0 && one.pattern < kHatchingCount; }

void PutPatternId(HtmlOut& svg, const std::string& frameId, size_t series) {
  svg << Escaped{frameId} << "-p" << series;
}

void PutFill(HtmlOut& svg, const std::string& frameId, size_t index, const ChartSeries& one) {
  if (!Hatched(one)) {
    svg << Escaped{one.colour};
    return;
  }
  svg << "url(#";
  PutPatternId(svg, frameId, index);
  svg << ')';
}

void PutPatterns(HtmlOut& svg, const ChartFrame& frame, const std::vector<ChartSeries>& series) {
  if (std::none_of(series.begin(), series.end(), Hatched)) return;
  svg << "<defs>";
  for (size_t i = 0; i < series.size(); ++i) {
    if (!Hatched(series[i])) continue;
    svg << "<pattern id=\"";
    PutPatternId(svg, frame.id, i);
    svg << "\" patternUnits=\"userSpaceOnUse\" width=\"8\" height=\"8\"><rect width=\"8\" "
           "height=\"8\" fill=\""
        << Escaped{series[i].colour} << "\"/><g stroke=\"#fff\" stroke-width=\"1.6\">"
        << kHatchings[series[i].pattern] << "</g></pattern>";
  }
  svg << "</defs>";
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

// The y axis from low to high with its title, and the x labels under their buckets with
// the axis's title beneath them.
void PutAxes(HtmlOut& svg, const ChartFrame& frame, const Scale& scale) {
  svg << "<g class=\"axis\">";
  const int steps = StepsOf(scale);
  for (int step = 0; step <= steps; ++step) {
    const double value = scale.low + (scale.high - scale.low) * step / steps;
    const double y = scale.Y(value);
    svg << "<line x1=\"" << kLeft << "\" x2=\"" << kWidth - kRight << "\" y1=\"" << y << "\" y2=\""
        << y << "\" stroke=\"" << (value == 0 ? kZeroLine : kGridLine) << "\"/>";
    PutText(svg, kLeft - 6, y + 6, "end", AxisNumber(value, frame.decimalMark));
  }
  const double slot = kPlotWidth / std::max<size_t>(frame.labels.size(), 1);
  for (size_t i = 0; i < frame.labels.size(); ++i) {
    if (frame.labels[i].empty()) continue;
    PutText(svg, kLeft + slot * i + slot / 2, kHeight - 34, "middle", frame.labels[i]);
  }
  const double middle = kTop + kPlotHeight / 2;
  std::string rotate;
  HtmlOut(&rotate) << " class=\"title\" transform=\"rotate(-90 18 " << middle << ")\"";
  PutText(svg, 18, middle, "middle", frame.yTitle, rotate);
  PutText(svg, kLeft + kPlotWidth / 2, kHeight - 6, "middle", frame.xTitle, " class=\"title\"");
  svg << "</g>";
}

// The marks of the last chart of a kind drawn on this thread, and what they were drawn
// from. An entrant's page is written in each language in turn; where the buckets' names
// and the series read alike in both (a one-day contest's hours, bands, calls), the marks
// are the same to the byte, and the second language copies them.
struct DrawnMarks {
  char kind = 0;  // 'b' bars, 'l' lines
  std::string id;
  std::vector<std::string> labels;
  std::vector<std::string> tips;
  std::vector<ChartSeries> series;
  double low = 0;
  double high = 0;
  std::string svg;

  bool DrawnFrom(const ChartFrame& frame, const std::vector<ChartSeries>& drawn,
                 const Scale& scale) const {
    return !svg.empty() && low == scale.low && high == scale.high && id == frame.id &&
           labels == frame.labels && tips == frame.tips && series.size() == drawn.size() &&
           std::equal(series.begin(), series.end(), drawn.begin(),
                      [](const ChartSeries& a, const ChartSeries& b) {
                        return a.pattern == b.pattern && a.values == b.values && a.name == b.name &&
                               a.colour == b.colour;
                      });
  }
  // The marks and the chart's end written to `svg` where they were drawn from the same;
  // else false, with the marks emptied for drawing.
  bool CopiedTo(HtmlOut& svg, const ChartFrame& frame, const std::vector<ChartSeries>& drawn,
                const Scale& scale) {
    if (DrawnFrom(frame, drawn, scale)) {
      svg << this->svg << "</svg>";
      return true;
    }
    this->svg.clear();
    return false;
  }
  void Keep(const ChartFrame& frame, const std::vector<ChartSeries>& drawn, const Scale& scale) {
    id = frame.id;
    labels = frame.labels;
    tips = frame.tips;
    series = drawn;
    low = scale.low;
    high = scale.high;
  }
};

// The marks last drawn on this thread for the chart `id`: a page's charts are drawn in
// turn, each its own. A few ids are kept, the oldest given up for a new one.
DrawnMarks& DrawnMarksOf(char kind, const std::string& id) {
  constexpr size_t kKept = 8;
  thread_local std::vector<DrawnMarks> kept;
  thread_local size_t next = 0;
  for (DrawnMarks& drawn : kept) {
    if (drawn.kind == kind && drawn.id == id) return drawn;
  }
  const bool room = kept.size() < kKept;
  if (room) kept.emplace_back();
  DrawnMarks& given = room ? kept.back() : kept[next++ % kKept];
  given = DrawnMarks();
  given.kind = kind;
  given.id = id;
  return given;
}

// The y at which each series' name is written at its end: beside its last point, apart
// from the others' by a line of text.
std::vector<double> EndLabels(const std::vector<double>& ends) {
  std::vector<size_t> order(ends.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return ends[a] < ends[b]; });
  std::vector<double> y(ends.size());
  double last = -1e9;
  for (size_t i : order) {
    y[i] = std::max(ends[i] - 8, last + 22);
    last = y[i];
  }
  return y;
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
  std::string out;
  out.reserve(4096);
  HtmlOut svg(&out);
  PutOpen(svg, frame.id, frame.title, frame.description, kWidth, kHeight);
  PutPatterns(svg, frame, series);
  PutAxes(svg, frame, scale);
  DrawnMarks& drawn = DrawnMarksOf('b', frame.id);
  if (drawn.CopiedTo(svg, frame, series, scale)) return out;
  HtmlOut marks(&drawn.svg);
  const double slot = kPlotWidth / std::max<size_t>(buckets, 1);
  std::vector<double> base(buckets, 0);
  for (size_t s = 0; s < series.size(); ++s) {
    const ChartSeries& one = series[s];
    // A white edge parts one band's segment from the next.
    marks << "<g fill=\"";
    PutFill(marks, frame.id, s, one);
    marks << "\" stroke=\"#fff\" stroke-width=\"0.8\">";
    for (size_t i = 0; i < buckets && i < one.values.size(); ++i) {
      if (one.values[i] == 0) continue;
      const double top = scale.Y(base[i] + one.values[i]);
      marks << "<rect class=\"seg\" x=\"" << kLeft + slot * i + slot * 0.1 << "\" y=\"" << top
            << "\" width=\"" << slot * 0.8 << "\" height=\"" << scale.Y(base[i]) - top << "\">";
      PutTitle(marks, one.name, frame, i, one.values[i]);
      marks << "</rect>";
      base[i] += one.values[i];
    }
    marks << "</g>";
  }
  drawn.Keep(frame, series, scale);
  svg << drawn.svg << "</svg>";
  return out;
}

std::string LineChart(const ChartFrame& frame, const std::vector<ChartSeries>& series,
                      const std::string& zeroLabel) {
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
  std::string out;
  out.reserve(4096);
  HtmlOut svg(&out);
  PutOpen(svg, frame.id, frame.title, frame.description, kWidth, kHeight);
  PutAxes(svg, frame, scale);
  if (!zeroLabel.empty()) {
    const double zero = scale.Y(0);
    // Above the line where there is room for a line of text, else under it.
    svg << "<line class=\"zero\" x1=\"" << kLeft << "\" x2=\"" << kWidth - kRight << "\" y1=\""
        << zero << "\" y2=\"" << zero << "\" stroke=\"" << kZeroLine << "\" stroke-width=\"2.5\"/>";
    PutText(svg, kLeft + 6, zero - kTop > 24 ? zero - 6 : zero + 20, "start", zeroLabel,
            " class=\"name\"");
  }
  DrawnMarks& drawn = DrawnMarksOf('l', frame.id);
  if (drawn.CopiedTo(svg, frame, series, scale)) return out;
  HtmlOut lines(&drawn.svg);
  const double slot = kPlotWidth / std::max<size_t>(buckets, 1);
  std::vector<double> ends;
  std::string points, dots;
  for (const ChartSeries& one : series) {
    points.clear();
    dots.clear();
    HtmlOut line(&points), marks(&dots);
    for (size_t i = 0; i < buckets && i < one.values.size(); ++i) {
      const double x = kLeft + slot * i + slot / 2;
      const double y = scale.Y(one.values[i]);
      if (i > 0) line << ' ';
      line << x << ',' << y;
      marks << "<circle class=\"pt\" cx=\"" << x << "\" cy=\"" << y << "\" r=\"3\">";
      PutTitle(marks, one.name, frame, i, one.values[i]);
      marks << "</circle>";
    }
    ends.push_back(one.values.empty() || buckets == 0
                       ? scale.Y(0)
                       : scale.Y(one.values[std::min(buckets, one.values.size()) - 1]));
    lines << "<g fill=\"" << Escaped{one.colour}
          << "\"><polyline class=\"line\" fill=\"none\" stroke=\"" << Escaped{one.colour}
          << "\" stroke-width=\"2.5\"" << (one.pattern > 0 ? " stroke-dasharray=\"9 5\"" : "")
          << " points=\"" << points << "\"/>" << dots << "</g>";
  }
  // Where there are several lines, each says its name at its end.
  if (series.size() > 1) {
    const std::vector<double> at = EndLabels(ends);
    for (size_t s = 0; s < series.size(); ++s) {
      std::string extra;
      HtmlOut(&extra) << " class=\"name\" fill=\"" << Escaped{series[s].colour} << '"';
      PutText(lines, kWidth - kRight - 4, std::max(at[s], kTop + 14), "end", series[s].name, extra);
    }
  }
  drawn.Keep(frame, series, scale);
  svg << drawn.svg << "</svg>";
  return out;
}

std::string CellGrid(const ChartFrame& frame, const std::vector<std::string>& rows,
                     const std::vector<std::string>& columns,
                     const std::vector<std::vector<int>>& states,
                     const std::vector<std::string>& cellTitles) {
  const double cell = (kWidth - kLeft - kRight) / std::max<size_t>(columns.size(), 1);
  const double rowHeight = 24;
  const double height = 28 + rowHeight * rows.size();
  std::string out;
  out.reserve(8192);
  HtmlOut svg(&out);
  PutOpen(svg, frame.id, frame.title, frame.description, kWidth, height);
  svg << "<g class=\"axis grid\">";
  for (size_t c = 0; c < columns.size(); ++c)
    PutText(svg, kLeft + cell * c + cell / 2, 18, "middle", columns[c]);
  for (size_t r = 0; r < rows.size(); ++r)
    PutText(svg, kLeft - 6, 28 + rowHeight * r + 17, "end", rows[r]);
  svg << "</g>";
  // The empty cells are one rectangle filled with a pattern of one cell: a contest of
  // thousands of pages would otherwise carry a rectangle for every cell never worked.
  const Escaped id{frame.id};
  svg << "<defs><pattern id=\"" << id << "-cell\" patternUnits=\"userSpaceOnUse\" x=\"" << kLeft
      << "\" y=\"28\" width=\"" << cell << "\" height=\"" << rowHeight
      << "\"><rect x=\"1\" y=\"1\" width=\"" << cell - 2 << "\" height=\"" << rowHeight - 2
      << "\" fill=\"#fff\" stroke=\"" << kEmptyCell << "\"/></pattern></defs><rect x=\"" << kLeft
      << "\" y=\"28\" width=\"" << cell * columns.size() << "\" height=\""
      << rowHeight * rows.size() << "\" fill=\"url(#" << id << "-cell)\"/>";
  // The cells of one state in one group, which gives their colours once.
  for (int state : {1, 2}) {
    svg << "<g fill=\"" << (state == 1 ? kFilledCell : "#fff") << "\" stroke=\""
        << (state == 1 ? kFilledCell : kLostCell) << "\" stroke-width=\"2\">";
    const bool titled = static_cast<size_t>(state) < cellTitles.size();
    for (size_t r = 0; r < rows.size() && r < states.size(); ++r) {
      for (size_t c = 0; c < columns.size() && c < states[r].size(); ++c) {
        if (states[r][c] != state) continue;
        const double x = kLeft + cell * c + 1, y = 28 + rowHeight * r + 1;
        svg << "<rect class=\"cell f" << state << "\" x=\"" << x << "\" y=\"" << y << "\" width=\""
            << cell - 2 << "\" height=\"" << rowHeight - 2 << "\"><title>" << Escaped{rows[r]}
            << ' ' << Escaped{columns[c]};
        if (titled) svg << ": " << Escaped{cellTitles[static_cast<size_t>(state)]};
        svg << "</title></rect>";
        // A lost cell is crossed, which tells it from a credited one without its colour.
        if (state == 2) {
          svg << "<path d=\"M" << x + 4 << ',' << y + 4 << ' ' << x + cell - 6 << ','
              << y + rowHeight - 6 << 'M' << x + 4 << ',' << y + rowHeight - 6 << ' '
              << x + cell - 6 << ',' << y + 4 << "\"/>";
        }
      }
    }
    svg << "</g>";
  }
  svg << "</svg>";
  return out;
}

std::string ShareBar(const ChartFrame& frame, const std::vector<ChartSeries>& series) {
  double total = 0;
  for (const ChartSeries& one : series) total += one.values.empty() ? 0 : one.values[0];
  constexpr double kBarHeight = 28;
  std::string out;
  HtmlOut svg(&out);
  PutOpen(svg, frame.id, frame.title, frame.description, kWidth, kBarHeight);
  PutPatterns(svg, frame, series);
  double x = 0;
  for (size_t s = 0; s < series.size() && total > 0; ++s) {
    const double value = series[s].values.empty() ? 0 : series[s].values[0];
    if (value <= 0) continue;
    const double width = kWidth * value / total;
    svg << "<rect class=\"share\" x=\"" << x << "\" y=\"0\" width=\"" << width << "\" height=\""
        << kBarHeight << "\" fill=\"";
    PutFill(svg, frame.id, s, series[s]);
    svg << "\" stroke=\"#fff\" stroke-width=\"1\"><title>" << Escaped{series[s].name} << ": "
        << value << "</title></rect>";
    x += width;
  }
  svg << "</svg>";
  return out;
}

std::string Legend(const std::string& frameId, const std::vector<ChartSeries>& series, bool lines) {
  std::string out;
  HtmlOut html(&out);
  html << "<p class=\"key\">";
  for (size_t i = 0; i < series.size(); ++i) {
    const ChartSeries& one = series[i];
    html << "<span class=\"k\"><svg viewBox=\"0 0 16 12\" aria-hidden=\"true\">";
    if (lines) {
      html << "<line x1=\"0\" y1=\"6\" x2=\"16\" y2=\"6\" stroke=\"" << Escaped{one.colour}
           << "\" stroke-width=\"3\"" << (one.pattern > 0 ? " stroke-dasharray=\"6 3\"" : "")
           << "/>";
    } else {
      html << "<rect width=\"16\" height=\"12\" fill=\"";
      PutFill(html, frameId, i, one);
      html << "\"/>";
    }
    html << "</svg>" << Escaped{one.name} << "</span> ";
  }
  html << "</p>";
  return out;
}

}  // namespace tarno::score
