#include "cleanup/path_walk.h"

#include <vector>

#include "cleanup/listing.h"
#include "cleanup/share_path.h"

namespace kestrane {

std::string WalkByPath(FolderService& folders, const std::string& folder,
                       const std::function<bool(const FolderEntry&, const std::string& path)>& enter) {
  std::string unlisted;
  std::vector<std::string> pending{WithBackslash(folder)};
  while (!pending.empty()) {
    const std::string base = pending.back();
    pending.pop_back();
    std::vector<std::string> below;
    const bool listed = ListMatching(folders, base + "*.*", kEveryEntry, [&](const FolderEntry& entry) {
      if (IsDotEntry(entry.name)) return;
      if (enter(entry, base + entry.name)) below.push_back(base + entry.name + '\\');
    });
    if (!listed && unlisted.empty()) unlisted = WithoutBackslash(base);
    pending.insert(pending.end(), below.rbegin(), below.rend());
  }
  return unlisted;
}

}  // namespace kestrane
