#include "cleanup/held_walk.h"

#include <vector>

#include "cleanup/listing.h"
#include "cleanup/messages.h"
#include "cleanup/share_path.h"

namespace kestrane {

// A folder being walked.
struct HeldWalk::Level {
  std::string path;                     // as opened, with a closing backslash
  std::string name;                     // as its handle names it
  std::unique_ptr<HeldEntry> held;      // null for the row's own folder
  std::vector<FolderEntry> subfolders;  // listed, waiting their turn
  std::size_t next = 0;
};

namespace {

// What the handle of an entry of `folder` must name it.
std::string OwnNameOf(const std::string& folder, const FolderEntry& entry) { return folder + '\\' + entry.name; }

}  // namespace

void HeldWalk::Run(FolderService& folders, const std::string& folder, FolderHold& hold) {
  row_ = &hold;
  std::vector<Level> levels;
  levels.push_back(Enter(folders, folder, WithoutBackslash(hold.Name()), nullptr));
  while (!levels.empty()) {
    Level& level = levels.back();
    if (level.next < level.subfolders.size()) {
      const FolderEntry subfolder = level.subfolders[level.next++];
      if (std::unique_ptr<HeldEntry> held = OpenAsListed(folders, level, subfolder)) {
        levels.push_back(Enter(folders, level.path + subfolder.name, OwnNameOf(level.name, subfolder), std::move(held)));
      }
      continue;  // `level` may have moved
    }
    std::unique_ptr<HeldEntry> done = std::move(level.held);
    levels.pop_back();
    if (done) Left(std::move(done));
  }
}

void HeldWalk::Stop(const std::string& reason) const { throw CleanupRefused(reason, DeletedSome()); }

Held& HeldWalk::Of(const Level& level) const { return level.held ? static_cast<Held&>(*level.held) : *row_; }

// Lists the folder through its handle: files and links are met now, subfolders wait.
HeldWalk::Level HeldWalk::Enter(FolderService& folders, const std::string& path, std::string name,
                                std::unique_ptr<HeldEntry> held) {
  if (name.empty()) Stop(FolderUnchecked(path));
  Level level{WithBackslash(path), std::move(name), std::move(held), {}};
  const bool listed = Of(level).List([&](const FolderEntry& entry) {
    if (IsDotEntry(entry.name)) return;
    if (ListedKind(entry) == EntryKind::Folder) {
      level.subfolders.push_back(entry);
    } else if (Opens(entry)) {
      if (std::unique_ptr<HeldEntry> opened = OpenAsListed(folders, level, entry)) Met(std::move(opened), level.path + entry.name);
    }
  });
  if (!listed) Stop(FolderUnchecked(path));
  return level;
}

std::unique_ptr<HeldEntry> HeldWalk::OpenAsListed(FolderService& folders, const Level& folder, const FolderEntry& listed) {
  const std::string path = folder.path + listed.name;
  std::unique_ptr<HeldEntry> entry = folders.OpenEntry(path);
  if (!entry) {
    Unopened(listed, path);
    return nullptr;
  }
  const EntryKind kind = entry->Kind(), listedKind = ListedKind(listed);
  if (kind == EntryKind::MountedVolume) Stop(MountedVolume(path));
  const std::string own = entry->Name();
  if (kind == EntryKind::Unknown || own.empty()) Stop(EntryUnchecked(path));
  // Asked again through its handle: a folder made a link meanwhile leads elsewhere by its path.
  if (!Of(folder).StillAFolder()) Stop(FolderSwapped(folder.path, Stage::Deletion));
  // A link that does not open as itself was followed: it cannot be removed as a link.
  if (listedKind == EntryKind::Link && kind != EntryKind::Link) Stop(LinkNotRemoved(path));
  // Named by its handle as another place's entry: what a link on its path leads to was opened.
  if (own != OwnNameOf(folder.name, listed)) Stop(kind == EntryKind::Link ? EntrySwapped(path) : LinkInPlace(path));
  if (kind != listedKind) Stop(kind == EntryKind::Link ? LinkInPlace(path) : EntrySwapped(path));
  return entry;
}

}  // namespace kestrane
