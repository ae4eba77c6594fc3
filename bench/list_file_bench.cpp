// A server list file of 100 000 names read into the list editor's text, and split into entries
// as the check run and the count label see them.
#include <benchmark/benchmark.h>

#include "core/list_file.h"
#include "core/text_lines.h"
#include "platform/ansi_text.h"

namespace {

std::vector<std::uint8_t> HundredThousandNames() {
  std::string text;
  for (int i = 0; i < 100000; ++i) text += "server-" + std::to_string(i) + ".corp.example\n";
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

void BM_ReadListFile(benchmark::State& state) {
  const std::vector<std::uint8_t> bytes = HundredThousandNames();
  for (auto _ : state) {
    std::string text = kestrane::ListTextFromFile(bytes, kestrane::AnsiToUtf8);
    benchmark::DoNotOptimize(kestrane::SplitLines(text).size());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ReadListFile)->Unit(benchmark::kMillisecond);

}  // namespace
