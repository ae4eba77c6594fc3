#include "cleanup/held_way.h"

#include "cleanup/folder_reach.h"
#include "cleanup/messages.h"
#include "cleanup/share_path.h"

namespace kestrane {

void HeldWay::Hold(const std::string& path) {
  std::string share, steps;
  if (!SplitShare(path, share, steps)) throw CleanupRefused(FolderUnchecked(path));
  std::string step = share;
  for (const std::string& name : Steps(steps)) {
    step += '\\' + name;
    if (held_.count(step)) continue;
    std::unique_ptr<FolderHold> hold = folders_.Hold(step);
    if (!hold) throw CleanupRefused(FolderUnchecked(step));
    held_.emplace(step, std::move(hold));
  }
}

void HeldWay::CheckUnchanged(const std::vector<std::string>& folders) {
  for (const std::string& folder : folders) {
    if (ReachOnShare(folders_, folder).reach != Reach::Folder) throw CleanupRefused(FolderSwapped(folder, Stage::Check));
  }
  for (auto& [path, hold] : held_) {
    if (!hold->StillThere()) throw CleanupRefused(FolderSwapped(path, Stage::Check));
  }
}

FolderHold& HeldWay::Of(const std::string& path) { return *held_.at(WithoutBackslash(path)); }

}  // namespace kestrane
