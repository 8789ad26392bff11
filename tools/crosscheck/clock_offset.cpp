#include "crosscheck/clock_offset.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace tarno::score {
namespace {

constexpr long long kFarthest = 12 * 3600;  // no clock is off by more than half a day
constexpr size_t kDriftPoints = 16;
constexpr double kLeastDrift = 120;  // seconds over the log
constexpr size_t kMostBins = 16;

struct Difference {
  uint32_t partnerLog;
  int32_t own;      // own logged time, seconds after the contest's first line
  int32_t partner;  // the partner's logged time, likewise
};

// The nearest partner entry in time for each entry of the group; both ranges are sorted.
void CollectPairs(const PairIndex& index, size_t first, size_t last, size_t partnerFirst,
                  size_t partnerLast, uint32_t log, uint32_t partnerLog, long long base,
                  std::vector<std::vector<Difference>>* differences) {
  const auto& entries = index.entries();
  size_t j = partnerFirst;
  for (size_t i = first; i < last; ++i) {
    const long long t = entries[i].seconds;
    while (j + 1 < partnerLast &&
           std::llabs(entries[j + 1].seconds - t) <= std::llabs(entries[j].seconds - t)) {
      ++j;
    }
    const long long d = t - entries[j].seconds;
    if (std::llabs(d) > kFarthest) continue;
    const auto own = static_cast<int32_t>(t - base);
    const auto partner = static_cast<int32_t>(entries[j].seconds - base);
    (*differences)[log].push_back({partnerLog, own, partner});
    (*differences)[partnerLog].push_back({log, partner, own});
  }
}

struct Point {
  double t;  // own logged time, seconds after the contest's first line
  double d;  // own time minus the partner's
};

double Median(std::vector<double>* values) {
  const auto middle = values->begin() + static_cast<std::ptrdiff_t>(values->size() / 2);
  std::nth_element(values->begin(), middle, values->end());
  return *middle;
}

// The Theil-Sen slope over the medians of time bins of equal counts: robust to the odd pair
// that is another QSO, and quick for a log of thousands.
double RobustSlope(std::vector<Point> points) {
  std::sort(points.begin(), points.end(), [](const Point& a, const Point& b) { return a.t < b.t; });
  const size_t bins = std::clamp<size_t>(points.size() / 8, 2, kMostBins);
  std::vector<Point> medians;
  std::vector<double> ts, ds;
  for (size_t b = 0; b < bins; ++b) {
    const size_t from = points.size() * b / bins, to = points.size() * (b + 1) / bins;
    ts.clear();
    ds.clear();
    for (size_t i = from; i < to; ++i) {
      ts.push_back(points[i].t);
      ds.push_back(points[i].d);
    }
    if (!ts.empty()) medians.push_back({Median(&ts), Median(&ds)});
  }
  std::vector<double> slopes;
  for (size_t i = 0; i < medians.size(); ++i) {
    for (size_t j = i + 1; j < medians.size(); ++j) {
      if (medians[j].t > medians[i].t)
        slopes.push_back((medians[j].d - medians[i].d) / (medians[j].t - medians[i].t));
    }
  }
  return slopes.empty() ? 0.0 : Median(&slopes);
}

// How many points lie within `seconds` of d = intercept + slope * t; and the spread of the
// middle half of their distances from it.
size_t Near(const std::vector<Point>& points, double intercept, double slope, double seconds) {
  size_t near = 0;
  for (const Point& p : points) near += std::fabs(p.d - intercept - slope * p.t) <= seconds;
  return near;
}

int Spread(const std::vector<Point>& points, double intercept, double slope) {
  std::vector<double> residuals;
  residuals.reserve(points.size());
  for (const Point& p : points) residuals.push_back(p.d - intercept - slope * p.t);
  const size_t n = residuals.size();
  std::nth_element(residuals.begin(), residuals.begin() + n * 3 / 4, residuals.end());
  const double upper = residuals[n * 3 / 4];
  std::nth_element(residuals.begin(), residuals.begin() + n / 4, residuals.begin() + n * 3 / 4);
  return static_cast<int>(std::lround(upper - residuals[n / 4]));
}

ClockFit FitOf(const std::vector<Point>& points, int windowMinutes, long long base) {
  ClockFit fit;
  fit.pairs = static_cast<int>(points.size());
  if (points.size() < 3) return fit;
  const double window = 60.0 * windowMinutes;
  const double least = 60.0 * std::clamp(windowMinutes, 1, 3);
  std::vector<double> ds;
  ds.reserve(points.size());
  double first = points[0].t, last = points[0].t;
  for (const Point& p : points) {
    ds.push_back(p.d);
    first = std::min(first, p.t);
    last = std::max(last, p.t);
  }
  const double constant = Median(&ds);
  // Nearly every pair within a minute of the constant leaves no drift worth a line.
  const bool steady = Near(points, constant, 0, 60) * 10 >= points.size() * 9;
  if (!steady && points.size() >= kDriftPoints && last > first) {
    const double slope = std::clamp(RobustSlope(points), -0.5, 0.5);
    for (size_t i = 0; i < points.size(); ++i) ds[i] = points[i].d - slope * points[i].t;
    const double intercept = Median(&ds);
    const double start = intercept + slope * first, end = intercept + slope * last;
    if (std::fabs(end - start) >= kLeastDrift &&
        Near(points, intercept, slope, 60) > Near(points, constant, 0, 60) &&
        std::max(std::fabs(start), std::fabs(end)) >= least &&
        Near(points, intercept, slope, window) * 3 >= points.size() * 2) {
      fit.drifts = true;
      fit.startSeconds = static_cast<int>(std::lround(start));
      fit.endSeconds = static_cast<int>(std::lround(end));
      fit.firstSeconds = base + static_cast<long long>(first);
      fit.lastSeconds = base + static_cast<long long>(last);
      fit.offsetMinutes = static_cast<int>(std::lround((start + end) / 120.0));
      fit.spreadSeconds = Spread(points, intercept, slope);
      return fit;
    }
  }
  const int minutes = static_cast<int>(std::lround(constant / 60.0));
  if (std::abs(minutes) * 60.0 >= least &&
      Near(points, 60.0 * minutes, 0, window) * 3 >= points.size() * 2)
    fit.offsetMinutes = minutes;
  fit.spreadSeconds = Spread(points, constant, 0);
  return fit;
}

// The differences of a log as points; with `againstPartners`, against the partners' times
// corrected by their fits of the first round.
std::vector<Point> PointsOf(const std::vector<Difference>& differences, const ContestSet& set,
                            bool againstPartners, long long base) {
  std::vector<Point> points;
  points.reserve(differences.size());
  for (const Difference& d : differences) {
    double partner = d.partner;
    if (againstPartners)
      partner -= static_cast<double>(set.logs[d.partnerLog].clock.OffsetAt(base + d.partner));
    points.push_back({static_cast<double>(d.own), d.own - partner});
  }
  return points;
}

}  // namespace

void DetectClockOffsets(const PairIndex& index, int windowMinutes, ContestSet* set) {
  long long base = 0;
  for (size_t i = 0; i < index.entries().size(); ++i)
    base = i == 0 ? index.entries()[i].seconds : std::min(base, index.entries()[i].seconds);
  std::vector<std::vector<Difference>> differences(set->logs.size());
  for (size_t first = 0; first < index.entries().size();) {
    const PairIndex::Group group = index.GroupAt(first);
    if (group.first < group.split && group.split < group.last) {
      // Each side's lines are those of the one used log of its call: its log is found by
      // the call, not by a record far from every other in memory.
      const uint32_t low = static_cast<uint32_t>(set->logOfCall[index.entries()[group.first].low]);
      const uint32_t high =
          static_cast<uint32_t>(set->logOfCall[index.entries()[group.split].high]);
      if (low != high) {
        CollectPairs(index, group.first, group.split, group.split, group.last, low, high, base,
                     &differences);
      }
    }
    first = group.last;
  }
  for (bool againstPartners : {false, true}) {
    std::vector<ClockFit> fits(set->logs.size());
    for (size_t i = 0; i < set->logs.size(); ++i) {
      // Against partners none of whose clocks needed a correction, the second round would
      // only find the first round's fit again.
      const auto corrected = [&](const Difference& d) {
        return set->logs[d.partnerLog].clock.Corrected();
      };
      if (againstPartners &&
          std::none_of(differences[i].begin(), differences[i].end(), corrected)) {
        fits[i] = set->logs[i].clock;
        continue;
      }
      fits[i] = FitOf(PointsOf(differences[i], *set, againstPartners, base), windowMinutes, base);
    }
    for (size_t i = 0; i < set->logs.size(); ++i) set->logs[i].clock = fits[i];
  }
}

}  // namespace tarno::score
