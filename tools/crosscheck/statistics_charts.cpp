#include "crosscheck/statistics_charts.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "crosscheck/svg_charts.h"
#include "replay/html_text.h"

namespace tarno::score {
namespace {

// The drawing's own units; the page scales them to its width.
constexpr double kWidth = 640;
constexpr double kHeight = 270;
constexpr double kLeft = 64;
constexpr double kRight = 12;
constexpr double kTop = 22;
constexpr double kBottom = 52;
constexpr double kPlotWidth = kWidth - kLeft - kRight;
constexpr double kPlotHeight = kHeight - kTop - kBottom;

constexpr const char* kBandColours[] = {"#0072B2", "#D55E00", "#009E73",
                                        "#CC79A7", "#8F6A00", "#444444"};
constexpr int kColourCount = sizeof kBandColours / sizeof kBandColours[0];

// White over the colour: none, diagonal, dots, level, cross-hatched, upright.
constexpr const char* kBandMarks[] = {
    "",
    "<path d=\"M-2 2l4-4M0 8l8-8M6 10l4-4\" stroke=\"#fff\" stroke-width=\"1.5\"/>",
    "<circle cx=\"4\" cy=\"4\" r=\"1.4\" fill=\"#fff\"/>",
    "<path d=\"M0 4h8\" stroke=\"#fff\" stroke-width=\"1.5\"/>",
    "<path d=\"M0 8l8-8M0 0l8 8\" stroke=\"#fff\" stroke-width=\"1\"/>",
    "<path d=\"M4 0v8\" stroke=\"#fff\" stroke-width=\"1.5\"/>"};

std::string Num(double value) { return SvgNumber(value); }

std::string Text(double x, double y, const char* anchor, const std::string& text,
                 const std::string& extra = "") {
  return SvgText(x, y, anchor, text, extra);
}

std::string Open(const ChartText& text, double height) {
  return SvgOpen(text.id, text.title, text.desc, kWidth, height);
}

// The y axis of counts from 0 to `high` with its title, and the x axis's title.
std::string CountAxes(const ChartText& text, double high) {
  std::string svg = "<g class=\"axis\" font-size=\"12\" fill=\"#333\">";
  int steps = 1;
  for (int candidate : {5, 4, 2}) {
    const double step = high / candidate;
    if (step >= 1 && step == std::floor(step)) {
      steps = candidate;
      break;
    }
  }
  for (int step = 0; step <= steps; ++step) {
    const double value = high * step / steps;
    const double y = kTop + kPlotHeight * (1 - value / high);
    svg += "<line x1=\"" + Num(kLeft) + "\" x2=\"" + Num(kWidth - kRight) + "\" y1=\"" + Num(y) +
           "\" y2=\"" + Num(y) + "\" stroke=\"" + (step == 0 ? "#555" : "#ddd") + "\"/>" +
           Text(kLeft - 6, y + 4, "end", Num(value));
  }
  svg += Text(kLeft + kPlotWidth / 2, kHeight - 6, "middle", text.xAxis, " font-weight=\"bold\"");
  svg += Text(
      14, kTop + kPlotHeight / 2, "middle", text.yAxis,
      " font-weight=\"bold\" transform=\"rotate(-90 14 " + Num(kTop + kPlotHeight / 2) + ")\"");
  return svg + "</g>";
}

std::string XLabels(const std::vector<std::string>& labels) {
  std::string svg = "<g class=\"axis\" font-size=\"12\" fill=\"#333\">";
  const double slot = kPlotWidth / std::max<size_t>(labels.size(), 1);
  for (size_t i = 0; i < labels.size(); ++i) {
    if (!labels[i].empty())
      svg += Text(kLeft + slot * i + slot / 2, kTop + kPlotHeight + 16, "middle", labels[i]);
  }
  return svg + "</g>";
}

}  // namespace

const char* BandColour(int band) { return kBandColours[std::clamp(band, 0, kColourCount - 1)]; }

std::string BandPatterns() {
  std::string svg =
      "<svg width=\"0\" height=\"0\" style=\"position:absolute\" aria-hidden=\"true\"><defs>";
  for (int band = 0; band < kColourCount; ++band) {
    svg += "<pattern id=\"band-p" + std::to_string(band) +
           "\" patternUnits=\"userSpaceOnUse\" width=\"8\" height=\"8\"><rect width=\"8\" "
           "height=\"8\" fill=\"" +
           std::string(kBandColours[band]) + "\"/>" + kBandMarks[band] + "</pattern>";
  }
  return svg + "</defs></svg>\n";
}

std::string BandFill(int band) {
  return "url(#band-p" + std::to_string(std::clamp(band, 0, kColourCount - 1)) + ") " +
         BandColour(band);
}

std::string BandColumns(const ChartText& text, const std::vector<std::string>& labels,
                        const std::vector<std::string>& bucketNames,
                        const std::vector<std::vector<long long>>& values,
                        const std::vector<std::string>& bandNames) {
  const size_t buckets = labels.size();
  std::vector<long long> totals(buckets, 0);
  for (const auto& band : values) {
    for (size_t i = 0; i < buckets && i < band.size(); ++i) totals[i] += band[i];
  }
  const double high = RoundScale(
      totals.empty() ? 1 : static_cast<double>(*std::max_element(totals.begin(), totals.end())));
  std::string svg = Open(text, kHeight) + CountAxes(text, high) + XLabels(labels);
  const double slot = kPlotWidth / std::max<size_t>(buckets, 1);
  std::vector<long long> base(buckets, 0);
  for (size_t band = 0; band < values.size(); ++band) {
    const std::string name = band < bandNames.size() ? bandNames[band] : "";
    svg += "<g fill=\"" + BandFill(static_cast<int>(band)) +
           "\" stroke=\"#fff\" stroke-width=\"0.5\">";
    for (size_t i = 0; i < buckets && i < values[band].size(); ++i) {
      const long long value = values[band][i];
      if (value == 0) continue;
      const double top = kTop + kPlotHeight * (1 - (base[i] + value) / high);
      const double bottom = kTop + kPlotHeight * (1 - base[i] / high);
      svg += "<rect x=\"" + Num(kLeft + slot * i + slot * 0.1) + "\" y=\"" + Num(top) +
             "\" width=\"" + Num(slot * 0.8) + "\" height=\"" + Num(bottom - top) + "\"><title>" +
             HtmlEscaped(name + " " + (i < bucketNames.size() ? bucketNames[i] : labels[i]) + ": " +
                         std::to_string(value)) +
             "</title></rect>";
      base[i] += value;
    }
    svg += "</g>";
  }
  return svg + "</svg>";
}

std::string CountColumns(const ChartText& text, const std::vector<std::string>& labels,
                         const std::vector<long long>& counts, double markerAt,
                         const std::string& markerLabel) {
  const double high = RoundScale(
      counts.empty() ? 1 : static_cast<double>(*std::max_element(counts.begin(), counts.end())));
  std::string svg = Open(text, kHeight) + CountAxes(text, high) + XLabels(labels);
  const double slot = kPlotWidth / std::max<size_t>(labels.size(), 1);
  svg += "<g font-size=\"11\" fill=\"#333\">";
  for (size_t i = 0; i < labels.size() && i < counts.size(); ++i) {
    const double top = kTop + kPlotHeight * (1 - counts[i] / high);
    const double x = kLeft + slot * i;
    if (counts[i] > 0) {
      svg += "<rect x=\"" + Num(x + slot * 0.1) + "\" y=\"" + Num(top) + "\" width=\"" +
             Num(slot * 0.8) + "\" height=\"" + Num(kTop + kPlotHeight - top) +
             "\" fill=\"#0072B2\"><title>" +
             HtmlEscaped(labels[i] + ": " + std::to_string(counts[i])) + "</title></rect>";
    }
    svg += Text(x + slot / 2, top - 4, "middle", std::to_string(counts[i]));
  }
  svg += "</g>";
  if (markerAt >= 0) {
    const double x = kLeft + slot * std::min(markerAt, static_cast<double>(labels.size()));
    svg += "<g class=\"marker\"><line x1=\"" + Num(x) + "\" x2=\"" + Num(x) + "\" y1=\"" +
           Num(kTop - 6) + "\" y2=\"" + Num(kTop + kPlotHeight) +
           "\" stroke=\"#D55E00\" stroke-width=\"2\" stroke-dasharray=\"6 3\"/>" +
           Text(x + 4, kTop - 8, x > kWidth * 0.7 ? "end" : "start", markerLabel,
                " font-size=\"12\" fill=\"#A0300A\" font-weight=\"bold\"") +
           "</g>";
  }
  return svg + "</svg>";
}

std::string RowBars(const ChartText& text, const std::vector<std::string>& names,
                    const std::vector<long long>& values) {
  constexpr double kRow = 18, kNames = 150, kHead = 8;
  const double height = kHead + kRow * names.size() + 40;
  long long most = 1;
  for (long long value : values) most = std::max(most, value);
  const double width = kWidth - kNames - 60;
  std::string svg = Open(text, height) + "<g font-size=\"12\" fill=\"#333\">";
  for (size_t i = 0; i < names.size() && i < values.size(); ++i) {
    const double y = kHead + kRow * i;
    const double length = width * static_cast<double>(values[i]) / static_cast<double>(most);
    svg += Text(kNames - 6, y + 13, "end", names[i]);
    if (values[i] > 0) {
      svg += "<rect x=\"" + Num(kNames) + "\" y=\"" + Num(y + 2) + "\" width=\"" + Num(length) +
             "\" height=\"" + Num(kRow - 4) + "\" fill=\"#0072B2\"><title>" +
             HtmlEscaped(names[i] + ": " + std::to_string(values[i])) + "</title></rect>";
    }
    svg += Text(kNames + length + 4, y + 13, "start", std::to_string(values[i]));
  }
  const double axisY = kHead + kRow * names.size();
  svg += "<line x1=\"" + Num(kNames) + "\" x2=\"" + Num(kNames) + "\" y1=\"" + Num(kHead) +
         "\" y2=\"" + Num(axisY) + "\" stroke=\"#555\"/>" +
         Text(kNames + width / 2, axisY + 24, "middle", text.xAxis, " font-weight=\"bold\"");
  return svg + "</g></svg>";
}

std::string BandLegend(const std::vector<std::string>& bandNames) {
  std::string html = "<p class=\"key\">";
  for (size_t band = 0; band < bandNames.size(); ++band) {
    html +=
        "<span class=\"k\"><svg width=\"16\" height=\"12\" aria-hidden=\"true\"><rect x=\"0.5\" "
        "y=\"0.5\" width=\"15\" height=\"11\" fill=\"" +
        BandFill(static_cast<int>(band)) + "\" stroke=\"" + BandColour(static_cast<int>(band)) +
        "\"/></svg> " + HtmlEscaped(bandNames[band]) + "</span> ";
  }
  return html + "</p>\n";
}

}  // namespace tarno::score
