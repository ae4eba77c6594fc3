#include "cli/forecast.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <vector>

#include "cli/history_file.h"

namespace kestrane {
namespace {

constexpr std::int64_t kSize = 1'000'000'000'000;
constexpr std::int64_t kQuarter = 15 * 60;
constexpr double kPercentPerDay = kSize / 100.0 / kSecondsPerDay;  // bytes per second

// Readings every 15 minutes over `days`, ending at 1 000 000 000 s; `free` gives the free space
// `t` seconds after the first reading.
std::vector<DiskSample> Readings(double days, const std::function<double(std::int64_t t)>& free,
                                 std::int64_t size = kSize) {
  std::vector<DiskSample> out;
  const auto span = static_cast<std::int64_t>(days * kSecondsPerDay);
  for (std::int64_t t = 0; t <= span; t += kQuarter) {
    out.push_back({1'000'000'000 - span + t, static_cast<std::int64_t>(free(t)), size});
  }
  return out;
}

struct Case {
  const char* name;
  std::vector<DiskSample> samples;
  double fallPercentPerDay;  // the true fall after the last clean-up; 0: no forecast expected
};

double Steady(std::int64_t t) { return 0.5 * kSize - 2 * kPercentPerDay * static_cast<double>(t); }

std::vector<Case> Cases() {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> noise(-0.005 * kSize, 0.005 * kSize);
  std::vector<DiskSample> shuffled = Readings(8, Steady);
  for (std::size_t i = 0; i < shuffled.size(); i += 3) shuffled.push_back(shuffled[i]);
  std::shuffle(shuffled.begin(), shuffled.end(), random);
  const std::vector<DiskSample> sixHours = Readings(6.0 / 24, Steady);
  // The larger disk starts with about the free space the old one had: no rise tells of the change.
  std::vector<DiskSample> replaced = Readings(5, Steady);
  for (DiskSample& s : replaced) s.time -= kSecondsPerDay / 2 + kQuarter;  // before the new disk's readings
  for (DiskSample s : Readings(0.5, [](std::int64_t t) { return 0.4 * kSize - 4 * kPercentPerDay * t; }, 2 * kSize)) {
    replaced.push_back(s);
  }
  return {
      {"a steady fall", Readings(8, Steady), 2},
      {"the same with noise of 0.5 % of the size",
       Readings(8, [&](std::int64_t t) { return Steady(t) + noise(random); }), 2},
      // 3 % a day used, 2,5 % freed at each midnight; the last clean-up 10 hours before the end.
      {"a daily clean-up", Readings(6 + 10.0 / 24, [](std::int64_t t) {
         return 0.6 * kSize - 3 * kPercentPerDay * t + 2.5 * kSize / 100 * (t / kSecondsPerDay);
       }), 3},
      {"a burst of 10 % of the size a day ago",
       Readings(7, [](std::int64_t t) { return Steady(t) - (t > 6 * kSecondsPerDay ? 0.1 * kSize : 0); }), 2},
      {"growing free space", Readings(3, [](std::int64_t t) { return 0.3 * kSize + 0.5 * kPercentPerDay * t; }), 0},
      {"a disk replaced by a larger one", replaced, 4},
      {"readings out of order and repeated", shuffled, 2},
      {"less than 6 hours", Readings(5.75 / 24, Steady), 0},
      {"3 readings over 6 hours, two written twice",
       {sixHours[0], sixHours[0], sixHours[12], sixHours[24], sixHours[24]}, 0},
      {"a fall that takes more than a year",
       Readings(2, [](std::int64_t t) { return 0.5 * kSize - 0.01 * kPercentPerDay * t; }), 0.01},
  };
}

TEST(ForecastTest, TimeLeftIsWithinFivePercentOfTheTrueFall) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    const std::optional<DiskForecast> forecast = ForecastDisk(c.samples);
    if (c.fallPercentPerDay == 0) {
      EXPECT_FALSE(forecast);
      continue;
    }
    ASSERT_TRUE(forecast);
    const DiskSample latest = *std::max_element(c.samples.begin(), c.samples.end(),
                                                [](auto& a, auto& b) { return a.time < b.time; });
    const double fall = c.fallPercentPerDay * kPercentPerDay;
    const double expected = std::min<double>(static_cast<double>(latest.free) / fall, kSecondsPerYear);
    EXPECT_NEAR(static_cast<double>(forecast->secondsLeft), expected, 0.05 * expected);
    EXPECT_NEAR(forecast->freePerSecond, -fall, 0.05 * fall);
    EXPECT_EQ(forecast->moreThanAYear, expected == kSecondsPerYear);
  }
}

// The same series as python3 computes it in forecast_data/README.md: 73 readings, all pairs fitted.
TEST(ForecastTest, TheSlopeIsTheMedianOfPairwiseSlopesAsComputedElsewhere) {
  std::ostringstream text;
  text << std::ifstream(KESTRANE_FORECAST_DATA "/fall_noise_burst.csv", std::ios::binary).rdbuf();
  const std::optional<DiskForecast> forecast = ForecastDisk(History::Parse(text.str()).Find("FILES01", "D:")->samples);
  ASSERT_TRUE(forecast);
  EXPECT_NEAR(forecast->freePerSecond, -583014.296756536, 1e-6);
}

}  // namespace
}  // namespace kestrane
