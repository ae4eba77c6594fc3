// One disk cell as a check run handles it: the text, the size read back, the threshold test.
#include <benchmark/benchmark.h>

#include <vector>

#include "core/size_text.h"

namespace {

void BM_DiskCell(benchmark::State& state) {
  std::vector<kestrane::DiskReading> readings;
  for (std::int64_t i = 0; i < 1024; ++i) {
    readings.push_back({"C:", (i * 7919 + 13) << (i % 40), std::int64_t{1} << 42});
  }
  std::size_t i = 0;
  for (auto _ : state) {
    const kestrane::DiskReading& r = readings[i++ & 1023];
    std::string text = kestrane::FormatDiskCell(r);
    std::optional<std::int64_t> size = kestrane::ReadBackSize(text);
    bool below = kestrane::IsBelowThreshold(*size, "2", "GB");
    benchmark::DoNotOptimize(below);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DiskCell);

}  // namespace
