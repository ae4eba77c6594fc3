// The time left: a full history (35 days at one reading in 5 minutes, 100 disks) read and every disk
// fitted, and one run's whole update of it; and the false alarms of --critical-time 2d over a
// month of simulated use against a least-squares line over the last 6 hours.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <unistd.h>

#include "cli/forecast.h"
#include "cli/history_file.h"
#include "cli/history_update.h"
#include "platform/files.h"

namespace {

using namespace kestrane;

constexpr std::int64_t kNow = 1'714'558'500;
constexpr std::int64_t kSize = 1'000'000'000'000;

// A history file of 100 disks (50 servers of two), each with 35 days of readings every 5 minutes.
struct FullHistory {
  std::string path =
      (std::filesystem::temp_directory_path() / ("kestrane_bench_" + std::to_string(::getpid()) + ".csv")).string();
  std::size_t bytes = 0;
  FullHistory() {
    History history;
    std::mt19937_64 random(1);
    for (int d = 0; d < 100; ++d) {
      const std::string server = "srv-files-" + std::to_string(d / 2);
      const std::string disk = d % 2 ? "D:" : "C:";
      for (std::int64_t t = kNow - kHistoryDays * kSecondsPerDay + 300; t <= kNow; t += 300) {
        const auto free = static_cast<std::int64_t>(0.4 * kSize + (kNow - t) * 2e4 + random() % 1'000'000);
        history.Add(server, disk, {t, free, kSize});
      }
    }
    history.Trim(kNow);
    const std::string text = history.Text();
    bytes = text.size();
    ReplaceFileAtomically(path, text);
  }
  ~FullHistory() {
    std::remove(path.c_str());
    std::remove((path + ".lock").c_str());
  }
};

void BM_ReadAndFitFullHistory(benchmark::State& state) {
  const FullHistory file;
  std::size_t forecasts = 0;
  for (auto _ : state) {
    const History history = History::Parse(FileView::Open(file.path)->Text());
    forecasts = 0;
    for (const DiskHistory& disk : history.Disks()) forecasts += ForecastDisk(disk.samples).has_value();
  }
  state.counters["disks_forecast"] = static_cast<double>(forecasts);
  state.counters["file_MB"] = static_cast<double>(file.bytes) / 1e6;
}
BENCHMARK(BM_ReadAndFitFullHistory)->Unit(benchmark::kMillisecond);

// Lock, read, add 100 readings, trim, write beside and rename over: what each run spends on it.
void BM_UpdateFullHistory(benchmark::State& state) {
  const FullHistory file;
  std::int64_t now = kNow;
  for (auto _ : state) {
    std::vector<HistoryReading> readings;
    now += 300;
    for (int d = 0; d < 100; ++d) {
      readings.push_back({"srv-files-" + std::to_string(d / 2), d % 2 ? "D:" : "C:", {now, kSize / 2, kSize}});
    }
    benchmark::DoNotOptimize(UpdateHistory(file.path, readings, now, std::chrono::seconds(1)));
  }
}
BENCHMARK(BM_UpdateFullHistory)->Unit(benchmark::kMillisecond);

// A month of readings every 15 minutes of a 1 TB disk: 1,5 % of it used a day, 8 % freed by a
// weekly clean-up, and each day a burst that takes 10 % for two hours; noise of 0,2 %. The disk has
// weeks left throughout, so every run where a forecast says less than 2 days is a false alarm.
void BM_FalseAlarmsOfCriticalTime2d(benchmark::State& state) {
  constexpr std::int64_t kStep = 900;
  constexpr double kFall = 0.015 * kSize / kSecondsPerDay;
  std::mt19937 random(3);
  std::uniform_real_distribution<double> noise(-0.002 * kSize, 0.002 * kSize);
  std::uniform_int_distribution<std::int64_t> burstHour(0, 21);
  std::vector<DiskSample> readings;
  std::vector<double> truth;  // the seconds left at the true rate
  std::int64_t burstStart = 0;
  for (std::int64_t t = 0; t <= 30 * kSecondsPerDay; t += kStep) {
    if (t % kSecondsPerDay == 0) burstStart = t + burstHour(random) * kSecondsPerHour;
    const bool burst = t >= burstStart && t < burstStart + 2 * kSecondsPerHour;
    const double free = 0.6 * kSize - kFall * t + 0.08 * kSize * (t / (7 * kSecondsPerDay)) - (burst ? 0.1 * kSize : 0);
    readings.push_back({kNow + t, static_cast<std::int64_t>(free + noise(random)), kSize});
    truth.push_back(free / kFall);
  }
  std::int64_t robust = 0, leastSquares = 0, runs = 0, forecasts = 0;
  for (auto _ : state) {
    robust = leastSquares = runs = forecasts = 0;
    for (std::size_t i = 24; i < readings.size(); ++i) {
      if (truth[i] <= 7 * kSecondsPerDay) continue;
      ++runs;
      const std::optional<DiskForecast> f = ForecastDisk(std::span(readings.data(), i + 1));
      forecasts += f.has_value();
      robust += f && f->secondsLeft < 2 * kSecondsPerDay;
      double mt = 0, mf = 0, stt = 0, stf = 0;
      const std::size_t first = i - 24;  // the last 6 hours
      for (std::size_t j = first; j <= i; ++j) mt += readings[j].time, mf += readings[j].free;
      mt /= 25, mf /= 25;
      for (std::size_t j = first; j <= i; ++j) {
        stt += (readings[j].time - mt) * (readings[j].time - mt);
        stf += (readings[j].time - mt) * (readings[j].free - mf);
      }
      const double slope = stf / stt;
      leastSquares += slope < 0 && readings[i].free / -slope < 2 * kSecondsPerDay;
    }
  }
  state.counters["runs"] = static_cast<double>(runs);
  state.counters["runs_with_forecast"] = static_cast<double>(forecasts);
  state.counters["false_alarms_median_slope"] = static_cast<double>(robust);
  state.counters["false_alarms_least_squares_6h"] = static_cast<double>(leastSquares);
}
BENCHMARK(BM_FalseAlarmsOfCriticalTime2d)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
