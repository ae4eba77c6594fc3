#include "cleanup/link_sweep.h"

#include <memory>
#include <vector>

#include "cleanup/held_walk.h"
#include "cleanup/listing.h"
#include "cleanup/messages.h"
#include "cleanup/path_walk.h"

namespace kestrane {
namespace {

// Every link below, opened and checked; files are not opened. What cannot be opened might be, or
// hold, a link that would stay: every link and every folder must open.
class LinkSweep : public HeldWalk {
 public:
  std::vector<std::unique_ptr<HeldEntry>> links;
  std::vector<std::string> paths;

 protected:
  bool Opens(const FolderEntry& entry) override { return IsLink(entry); }
  void Unopened(const FolderEntry& entry, const std::string& path) override {
    Stop(IsLink(entry) ? LinkNotRemoved(path) : FolderUnchecked(path));
  }
  void Met(std::unique_ptr<HeldEntry> link, const std::string& path) override {
    links.push_back(std::move(link));
    paths.push_back(path);
  }
};

// Whether a link is listed below the folder, none of them entered. Every folder on the way must
// list: what cannot be seen might hold a link.
bool AnyLinkListedBelow(FolderService& folders, const std::string& folder) {
  bool found = false;
  const std::string unlisted = WalkByPath(folders, folder, [&](const FolderEntry& entry, const std::string&) {
    found = found || IsLink(entry);
    return !IsLink(entry) && IsDirectory(entry);
  });
  if (!unlisted.empty()) throw CleanupRefused(FolderUnchecked(unlisted));
  return found;
}

}  // namespace

void RemoveLinksBelow(FolderService& folders, const std::string& folder, FolderHold& hold) {
  LinkSweep sweep;
  sweep.Run(folders, folder, hold);
  for (std::size_t i = 0; i < sweep.links.size(); ++i) {
    if (sweep.links[i]->MarkDeleted(true)) continue;
    for (std::size_t j = 0; j < i; ++j) sweep.links[j]->MarkDeleted(false);
    throw CleanupRefused(LinkNotRemoved(sweep.paths[i]));
  }
  sweep.links.clear();  // the links go as their handles close
  // A removal that reports success is not taken on trust: the link must be gone from the listing.
  if (AnyLinkListedBelow(folders, folder)) throw CleanupRefused(LinkLeft(folder));
}

}  // namespace kestrane
