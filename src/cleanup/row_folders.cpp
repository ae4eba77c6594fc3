#include "cleanup/row_folders.h"

#include <memory>
#include <vector>

#include "cleanup/folder_deletion.h"
#include "cleanup/folder_reach.h"
#include "cleanup/listing.h"
#include "cleanup/messages.h"
#include "cleanup/path_walk.h"
#include "cleanup/share_path.h"

namespace kestrane {
namespace {

void AddFolderSize(FolderService& folders, const std::string& folder, std::int64_t& bytes) {
  // Folders that cannot be listed add nothing.
  WalkByPath(folders, folder, [&](const FolderEntry& entry, const std::string&) {
    if (IsLink(entry)) return false;
    if (!IsDirectory(entry)) bytes += entry.Size();
    return IsDirectory(entry);
  });
}

// A folder that is to be emptied: it must be reached as a real folder, checked now.
bool ReachedForDeletion(const FolderReach& reach) {
  if (reach.reach == Reach::Unknown) throw CleanupRefused(FolderUnchecked(reach.where));
  return reach.reach == Reach::Folder;
}

// Why a folder behind a link is left alone; a mounted volume carries a link's tag, and is named so.
std::string LinkNotice(FolderService& folders, const std::string& folder, const std::string& link) {
  const std::unique_ptr<HeldEntry> opened = folders.OpenEntry(link);
  if (opened && opened->Kind() == EntryKind::MountedVolume) return MountedVolumeNotice(link);
  if (link == WithoutBackslash(folder)) return FolderIsLinkNotice(link);
  return PathThroughLinkNotice(folder, link);
}

// The temp folders of the profiles that are real all the way down; `skipped` collects the links
// met on the way. False when the profile root cannot be listed.
bool ProfileTemps(FolderService& folders, const std::string& root, std::vector<std::string>& temps,
                  std::vector<std::string>& skipped, bool deleting) {
  const std::string base = WithBackslash(root);
  return ListMatching(folders, base + "*.*", kFoldersAndFiles, [&](const FolderEntry& entry) {
    if (entry.name.empty() || IsDotEntry(entry.name)) return;
    if (IsLink(entry)) {
      skipped.push_back(base + entry.name);
      return;
    }
    if (!IsDirectory(entry)) return;  // a plain file holds no temp folder
    FolderReach reach = ReachBelow(folders, base + entry.name, kProfileTemp);
    if (reach.reach == Reach::Link) skipped.push_back(reach.where);
    if (deleting ? ReachedForDeletion(reach) : reach.reach == Reach::Folder) temps.push_back(reach.where);
  });
}

}  // namespace

std::int64_t MeasureShareFolder(FolderService& folders, const std::string& path) {
  std::int64_t bytes = 0;
  if (ReachOnShare(folders, path).reach == Reach::Folder) AddFolderSize(folders, path, bytes);
  return bytes;
}

std::string EmptyShareFolder(FolderService& folders, const std::string& path) {
  const FolderReach reach = ReachOnShare(folders, path);
  if (reach.reach == Reach::Link) return LinkNotice(folders, path, reach.where);
  if (!ReachedForDeletion(reach)) return "";  // nothing there to delete
  HeldWay way(folders);
  EmptyFolders(folders, way, {path});
  return "";
}

std::int64_t MeasureProfileTemps(FolderService& folders, const std::string& root) {
  std::int64_t bytes = 0;
  if (ReachOnShare(folders, root).reach != Reach::Folder) return 0;
  std::vector<std::string> temps, skipped;
  ProfileTemps(folders, root, temps, skipped, false);
  for (const std::string& temp : temps) AddFolderSize(folders, temp, bytes);
  return bytes;
}

std::string EmptyProfileTemps(FolderService& folders, const std::string& root) {
  const FolderReach reach = ReachOnShare(folders, root);
  if (reach.reach == Reach::Link) return LinkNotice(folders, root, reach.where);
  if (!ReachedForDeletion(reach)) return "";
  HeldWay way(folders);
  way.Hold(root);  // the profile root cannot change while its profiles are looked at
  std::vector<std::string> temps, skipped;
  if (!ProfileTemps(folders, root, temps, skipped, true)) throw CleanupRefused(FolderUnchecked(root));
  EmptyFolders(folders, way, temps);
  return skipped.empty() ? "" : LinksSkippedNotice(skipped);
}

}  // namespace kestrane
