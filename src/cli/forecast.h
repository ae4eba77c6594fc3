// How long until a disk is full, from its readings over time.
//
// The series is the readings since the last clean-up: a rise of free space of more than 1 % of the
// size between two readings, or a change of size, starts it anew, so that freed space never makes
// a disk look safe and a grown one never looks fine. The fall rate is the median of the slopes of
// all pairs of readings (Theil–Sen) over the series' last 7 days, thinned evenly to at most
// kMostFittedReadings readings: a burst that is a few readings of many moves it little.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "cli/durations.h"

namespace kestrane {

// One reading of one disk: when (seconds since 1970-01-01 UTC), its free space and its size.
struct DiskSample {
  std::int64_t time = 0;
  std::int64_t free = 0;
  std::int64_t size = 0;
};

struct DiskForecast {
  double freePerSecond = 0;      // bytes per second, negative: the free space falls
  std::int64_t secondsLeft = 0;  // until no space is left, whole seconds, at most a year
  bool moreThanAYear = false;    // the year is a cap, not the forecast
};

inline constexpr std::int64_t kFittedSpan = 7 * kSecondsPerDay;
inline constexpr std::int64_t kShortestForecastSpan = 6 * kSecondsPerHour;
inline constexpr std::size_t kFewestForecastReadings = 4;
inline constexpr std::size_t kMostFittedReadings = 120;

// The forecast from the disk's readings, in any order, a reading repeated at the same time counted
// once; the time left runs from the latest reading. None while the series spans less than 6 hours
// or holds fewer than 4 readings, nor when its free space is not falling.
std::optional<DiskForecast> ForecastDisk(std::span<const DiskSample> samples);

}  // namespace kestrane
