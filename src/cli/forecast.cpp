#include "cli/forecast.h"

#include <algorithm>
#include <vector>

namespace kestrane {
namespace {

bool Earlier(const DiskSample& a, const DiskSample& b) { return a.time < b.time; }

// Where the fitted readings begin, in readings sorted by time: after the last clean-up or change of
// size, and within the fitted span.
std::size_t FittedStart(std::span<const DiskSample> sorted) {
  std::size_t start = sorted.size() - 1;
  while (start > 0 && sorted.back().time - sorted[start - 1].time <= kFittedSpan) {
    const DiskSample& before = sorted[start - 1];
    const DiskSample& after = sorted[start];
    const __int128 rise = static_cast<__int128>(after.free) - before.free;
    if (before.size != after.size || rise * 100 > after.size) break;
    --start;
  }
  return start;
}

// The median of the slopes between every two readings, in bytes per second.
double MedianSlope(const std::vector<DiskSample>& points) {
  std::vector<double> slopes;
  slopes.reserve(points.size() * (points.size() - 1) / 2);
  for (std::size_t i = 0; i < points.size(); ++i) {
    for (std::size_t j = i + 1; j < points.size(); ++j) {
      slopes.push_back(static_cast<double>(points[j].free - points[i].free) /
                       static_cast<double>(points[j].time - points[i].time));
    }
  }
  const auto middle = slopes.begin() + static_cast<std::ptrdiff_t>(slopes.size() / 2);
  std::nth_element(slopes.begin(), middle, slopes.end());
  if (slopes.size() % 2 == 1) return *middle;
  return (*middle + *std::max_element(slopes.begin(), middle)) / 2;
}

}  // namespace

std::optional<DiskForecast> ForecastDisk(std::span<const DiskSample> samples) {
  if (samples.empty()) return std::nullopt;
  std::vector<DiskSample> ordered;
  if (!std::is_sorted(samples.begin(), samples.end(), Earlier)) {
    ordered.assign(samples.begin(), samples.end());
    std::stable_sort(ordered.begin(), ordered.end(), Earlier);
    samples = ordered;
  }
  const std::int64_t latest = samples.back().time;
  // One reading per moment: of readings at the same time the last written counts.
  std::vector<DiskSample> window;
  for (auto it = samples.begin() + static_cast<std::ptrdiff_t>(FittedStart(samples)); it != samples.end(); ++it) {
    if (!window.empty() && window.back().time == it->time) window.pop_back();
    window.push_back(*it);
  }
  if (window.size() < kFewestForecastReadings || latest - window.front().time < kShortestForecastSpan) {
    return std::nullopt;
  }
  std::vector<DiskSample> fitted;
  if (window.size() <= kMostFittedReadings) {
    fitted = std::move(window);
  } else {
    for (std::size_t k = 0; k < kMostFittedReadings; ++k) {
      fitted.push_back(window[k * (window.size() - 1) / (kMostFittedReadings - 1)]);
    }
  }
  const double slope = MedianSlope(fitted);
  if (!(slope < 0)) return std::nullopt;
  DiskForecast forecast;
  forecast.freePerSecond = slope;
  const double left = std::max<double>(0, static_cast<double>(samples.back().free)) / -slope;
  forecast.moreThanAYear = left >= static_cast<double>(kSecondsPerYear);
  forecast.secondsLeft = forecast.moreThanAYear ? kSecondsPerYear : static_cast<std::int64_t>(left);
  return forecast;
}

}  // namespace kestrane
