// A row button emptying a temp folder of many files through an in-memory share: the time per entry
// of the checks around the deletion, and the peak memory, which must not grow with the folder.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <string>

#include "cleanup/row_folders.h"

namespace {

using namespace kestrane;

// \\srv\c$\windows\temp holds `files` files of 4 KB and nothing else; every entry opens and goes.
class FlatShare : public FolderService {
 public:
  explicit FlatShare(std::int64_t files) : files_(files) {}
  std::int64_t marked = 0;

  bool List(const std::string& pattern, const std::function<void(const FolderEntry&)>& each) override {
    each(FolderEntry{".", attributes::kDirectory});
    if (pattern == "\\\\srv\\c$\\*.*") each(FolderEntry{"windows", attributes::kDirectory});
    if (pattern == "\\\\srv\\c$\\windows\\*.*") each(FolderEntry{"temp", attributes::kDirectory});
    if (pattern == "\\\\srv\\c$\\windows\\temp\\*.*") {
      for (std::int64_t i = 0; i < files_; ++i) each(FolderEntry{"cab_" + std::to_string(i) + ".tmp", 0x20, 0, 0, 4096});
    }
    return true;
  }
  std::unique_ptr<HeldEntry> OpenEntry(const std::string& path) override {
    struct File : HeldEntry {
      FlatShare* share;
      EntryKind Kind() override { return EntryKind::File; }
      bool StillAFolder() override { return false; }
      std::string Name() override { return path; }
      std::string path;
      bool MarkDeleted(bool deleted) override { return share->marked += deleted, true; }
      bool List(const std::function<void(const FolderEntry&)>&) override { return false; }
    };
    auto file = std::make_unique<File>();
    file->share = this;
    file->path = path;
    return file;
  }
  std::unique_ptr<FolderHold> Hold(const std::string&) override {
    struct Held : FolderHold {
      bool StillThere() override { return true; }
      bool StillAFolder() override { return true; }
      std::string Name() override { return "\\\\srv\\c$\\windows\\temp"; }
      bool List(const std::function<void(const FolderEntry&)>& each) override {
        return share->List("\\\\srv\\c$\\windows\\temp\\*.*", each);
      }
      FlatShare* share;
    };
    auto held = std::make_unique<Held>();
    held->share = this;
    return held;
  }

 private:
  std::int64_t files_;
};

double PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

void BM_EmptyTempFolder(benchmark::State& state) {
  FlatShare share(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(EmptyShareFolder(share, "\\\\srv\\c$\\windows\\temp\\"));
  }
  state.SetItemsProcessed(share.marked);
  state.counters["peak_MB"] = PeakMegabytes();
}
BENCHMARK(BM_EmptyTempFolder)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
