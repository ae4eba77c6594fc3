#include "cli/disk_selection.h"

#include <memory>

#include "core/utf8_text.h"

namespace kestrane {
namespace {

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Wildcards over characters, not bytes: '?' takes a whole UTF-8 sequence. Backtracks to the last '*'.
bool Wildcard(std::string_view pattern, std::string_view text) {
  std::size_t p = 0, t = 0, starP = std::string_view::npos, starT = 0;
  auto skipCharacter = [&](std::size_t& i) {
    ++i;
    while (i < text.size() && IsContinuation(text[i])) ++i;
  };
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starT = t;
    } else if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      skipCharacter(t);
    } else if (p < pattern.size() && pattern[p] == text[t]) {
      ++p;
      ++t;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      skipCharacter(starT);
      t = starT;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

struct Patterns {
  std::vector<std::string> only, excluded;
  bool Selected(const std::string& name) const {
    auto any = [&](const std::vector<std::string>& patterns) {
      for (const std::string& p : patterns) {
        if (DiskMatches(p, name)) return true;
      }
      return false;
    };
    return (only.empty() || any(only)) && !any(excluded);
  }
};

// Holds the patterns itself: an abandoned worker's query may outlive the command.
class SelectedDiskQuery : public DiskQuery {
 public:
  SelectedDiskQuery(std::unique_ptr<DiskQuery> query, std::shared_ptr<const Patterns> patterns)
      : query_(std::move(query)), patterns_(std::move(patterns)) {}
  void Prepare() override { query_->Prepare(); }
  void Release() override { query_->Release(); }
  void Open(const std::string& server) override { query_->Open(server); }
  std::optional<DiskReading> NextDisk() override {
    while (std::optional<DiskReading> disk = query_->NextDisk()) {
      if (patterns_->Selected(disk->DeviceID)) return disk;
    }
    return std::nullopt;
  }

 private:
  std::unique_ptr<DiskQuery> query_;
  std::shared_ptr<const Patterns> patterns_;
};

}  // namespace

bool DiskMatches(std::string_view pattern, std::string_view diskName) {
  const std::string p = FoldCase(pattern), name = FoldCase(diskName);
  auto withoutClosingBackslash = [](std::string_view s) {
    return s.size() > 1 && s.back() == '\\' ? s.substr(0, s.size() - 1) : s;
  };
  return Wildcard(p, name) || Wildcard(withoutClosingBackslash(p), withoutClosingBackslash(name));
}

DiskQueryFactory SelectDisks(DiskQueryFactory queries, std::vector<std::string> only, std::vector<std::string> excluded) {
  if (only.empty() && excluded.empty()) return queries;
  auto patterns = std::make_shared<const Patterns>(Patterns{std::move(only), std::move(excluded)});
  return [queries, patterns] { return std::unique_ptr<DiskQuery>(new SelectedDiskQuery(queries(), patterns)); };
}

}  // namespace kestrane
