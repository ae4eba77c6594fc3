// One full repaint of the visible page of the server table at 10 000 rows, through the
// window's cell-drawing handler: what scrolling costs on the window thread.
#include <benchmark/benchmark.h>

#include "forms/unit1.h"
#include "support/simulated_disk_query.h"

namespace {

using namespace kestrane;

class SilentDialogs : public Dialogs {
 public:
  void Information(const std::string&) override {}
  bool Confirm(const std::string&) override { return true; }
  void Error(const std::string&) override {}
};

class CountingCanvas : public Canvas {
 public:
  long calls = 0;
  void FillRect(const Rect&) override { ++calls; }
  void TextRect(const Rect&, int, int, const std::string& text) override { calls += static_cast<long>(text.size() > 0); }
  void DrawFocusRect(const Rect&) override { ++calls; }
  void DrawImage(int, int, int) override { ++calls; }
};

void BM_RepaintVisiblePage(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  SilentDialogs dialogs;
  TForm1 form(FormServices{std::make_shared<QueueDispatcher>(), &dialogs,
                           SimulatedFleet::Factory(std::make_shared<SimulatedFleet>()), "no-such-file"});
  form.StringGrid1.SetRowCount(rows);
  for (int r = 0; r < rows; ++r) {
    form.StringGrid1.SetCell(3, r, "srv" + std::to_string(r));
    for (int c = 4; c < 9; ++c) form.StringGrid1.SetCell(c, r, "C: 1,9 GB (4%)");
    if (r % 7 == 0) form.StringGrid1.SetCell(0, r, "  .");
  }
  const int pageRows = 20;  // 482 pixels of rows 25 high
  form.StringGrid1.SetViewport(712, 482);
  CountingCanvas canvas;
  int top = 0;
  for (auto _ : state) {
    form.StringGrid1.SetTopRow(top);
    form.StringGrid1.PaintVisible(canvas);
    top = (top + 997) % (rows - pageRows);
  }
  benchmark::DoNotOptimize(canvas.calls);
  state.counters["cells_per_page"] = pageRows * 7;
}
BENCHMARK(BM_RepaintVisiblePage)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace
