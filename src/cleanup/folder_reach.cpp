#include "cleanup/folder_reach.h"

#include "cleanup/listing.h"
#include "cleanup/share_path.h"

namespace kestrane {
namespace {

// Names compare as the file system does for the fixed names of the rows: without case, in ASCII.
// Profile names come from a listing and are passed on exactly as listed.
bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

// One step down: the entry `name` as its parent lists it. Where a file system tells case apart and
// several entries match, a link among them counts: a path might reach that one.
FolderReach Step(FolderService& folders, const std::string& parent, const std::string& name) {
  const std::string base = WithBackslash(parent);
  std::string link, folder;
  const bool listed = ListMatching(folders, base + "*.*", kEveryEntry, [&](const FolderEntry& entry) {
    if (!SameName(entry.name, name)) return;
    if (IsLink(entry)) {
      link = entry.name;
    } else if (IsDirectory(entry)) {
      folder = entry.name;
    }
  });
  if (!listed) return {Reach::Unknown, WithoutBackslash(parent)};
  if (!link.empty()) return {Reach::Link, base + link};
  if (folder.empty()) return {Reach::Missing, base + name};  // not there, or a file
  return {Reach::Folder, base + name};
}

}  // namespace

FolderReach ReachBelow(FolderService& folders, const std::string& base, const std::string& steps) {
  FolderReach reach{Reach::Folder, WithoutBackslash(base)};
  for (const std::string& name : Steps(steps)) {
    reach = Step(folders, reach.where, name);
    if (reach.reach != Reach::Folder) break;
  }
  return reach;
}

FolderReach ReachOnShare(FolderService& folders, const std::string& path) {
  // "\\server\share" is taken as given: the share is what the path names, not an entry of a folder.
  std::string share, steps;
  if (!SplitShare(path, share, steps)) return {Reach::Unknown, WithoutBackslash(path)};
  return ReachBelow(folders, share, steps);
}

}  // namespace kestrane
