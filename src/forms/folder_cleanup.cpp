#include "forms/folder_cleanup.h"

#include <cmath>
#include <map>
#include <memory>

namespace kestrane {
namespace {

constexpr std::uint32_t kNameSurrogate = 0x20000000;  // the tag's bit for junctions and symbolic links
constexpr char kNotDeleted[] = "Файлы не удалены.";
constexpr char kSomeDeleted[] = "Удаление остановлено, часть файлов уже удалена.";

std::string WithoutBackslash(std::string folder) {
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder;
}

bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }
bool IsDirectory(const FolderEntry& entry) { return (entry.attributes & attributes::kDirectory) != 0; }

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

std::vector<std::string> Split(const std::string& steps) {
  std::vector<std::string> out;
  std::string part;
  for (char c : steps + '\\') {
    if (c != '\\') {
      part += c;
    } else if (!part.empty()) {
      out.push_back(part);
      part.clear();
    }
  }
  return out;
}

// "\\server\share" and the steps below it; false when the path names no share.
bool SplitShare(const std::string& path, std::string& share, std::string& steps) {
  const std::size_t server = path.rfind("\\\\", 0) == 0 ? path.find('\\', 2) : std::string::npos;
  const std::size_t end = server == std::string::npos ? std::string::npos : path.find('\\', server + 1);
  if (end == std::string::npos) return false;
  share = path.substr(0, end);
  steps = path.substr(end + 1);
  return true;
}

// Every entry below the folder, depth first, each folder listed whole before its subfolders: no
// recursion, so no depth of folders can exhaust the stack. `enter` says which subfolders to walk.
// Returns the first folder that could not be listed ("" when every one was); the walk goes on.
std::string Walk(FolderService& folders, const std::string& folder,
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

std::string Unchecked(const std::string& folder) { return "Не удалось проверить папку «" + WithoutBackslash(folder) + "»."; }
std::string VolumeRefusal(const std::string& path) { return "Папка «" + path + "» — точка подключения тома."; }

// The paths of the links below a folder, none of them entered. Every folder on the way must list:
// what cannot be seen might hold a link.
std::vector<std::string> LinksBelow(FolderService& folders, const std::string& folder) {
  std::vector<std::string> links;
  const std::string unlisted = Walk(folders, folder, [&](const FolderEntry& entry, const std::string& path) {
    if (IsLink(entry)) {
      links.push_back(path);
      return false;
    }
    return IsDirectory(entry);
  });
  if (!unlisted.empty()) throw CleanupRefused(Unchecked(unlisted));
  return links;
}

// The path with the closing dots and blanks of every name in it left off, as Wine names what it opened.
std::string WithoutClosingDots(const std::string& path) {
  std::string out;
  for (char c : path + '\\') {
    if (c == '\\') {
      while (!out.empty() && (out.back() == '.' || out.back() == ' ')) out.pop_back();
    }
    out += c;
  }
  out.pop_back();
  return out;
}

// What the listing says an entry is.
EntryKind ListedKind(const FolderEntry& entry) {
  if (IsLink(entry)) return EntryKind::Link;
  return IsDirectory(entry) ? EntryKind::Folder : EntryKind::File;
}

enum class WalkFor {
  Links,     // every link below, opened and checked; files are not opened
  Deletion,  // every entry, files and links as met, each folder once emptied
};

// Walks below `folder`, which is held as `hold`. Each entry wanted is opened by its path as itself
// (see OpenEntry) and must be what the listing said, named as its folder's entry (Wine opens what a
// link points to, under the target's name), in a folder still real; a subfolder is held while it
// is walked and read through its own handle. Files and links go to `each` while their folder is
// listed, a folder once what it holds is done. For the links every link and every folder must
// open; for the deletion what cannot be opened (gone, in use, no right) is left. Anything not as
// listed stops the walk with CleanupRefused; `deletedSome` says whether files had gone by then.
void WalkHeld(FolderService& folders, const std::string& folder, FolderHold& hold, const bool& deletedSome, WalkFor walk,
              const std::function<void(std::unique_ptr<HeldEntry>, const std::string& path)>& each) {
  struct Level {
    std::string base, name;  // its path as opened, and as its handle names it
    std::unique_ptr<HeldEntry> held;  // the row's own folder is held as `hold`
    std::vector<FolderEntry> subfolders;
    std::size_t next = 0;
    Held& Of(FolderHold& row) const { return held ? static_cast<Held&>(*held) : row; }
  };
  auto stop = [&](const std::string& reason) { throw CleanupRefused(reason, deletedSome); };
  auto open = [&](const Level& level, const FolderEntry& entry) {
    const std::string path = level.base + entry.name;
    std::unique_ptr<HeldEntry> opened = folders.OpenEntry(path);
    if (!opened) {
      if (walk == WalkFor::Links) stop(IsLink(entry) ? "Не удалось удалить ссылку «" + path + "»." : Unchecked(path));
      return opened;
    }
    const EntryKind kind = opened->Kind();
    if (kind == EntryKind::MountedVolume) stop(VolumeRefusal(path));
    const std::string own = opened->Name();
    if (kind == EntryKind::Unknown || own.empty()) stop("Не удалось проверить «" + path + "».");
    if (!level.Of(hold).StillAFolder()) {
      stop("Папку «" + WithoutBackslash(level.base) + "» подменили во время удаления.");
    }
    const std::string expected = level.name + '\\' + entry.name;
    if (own != expected) {
      if (kind == EntryKind::Link) stop("«" + path + "» подменили во время удаления.");
      // Wine gives names that end in dots or blanks without them: such an entry cannot be told from
      // what a link to a twin without them leads to, so it is left, and the row says so.
      if (own == WithoutClosingDots(expected)) stop("Не удалось проверить «" + path + "».");
      // Opened under another name: what a link leads to (Wine opens a link's target, and names it so).
      stop(IsLink(entry) ? "Не удалось удалить ссылку «" + path + "»." : "На месте «" + path + "» оказалась ссылка.");
    }
    if (kind != ListedKind(entry)) {
      if (kind == EntryKind::Link) stop("На месте «" + path + "» оказалась ссылка.");
      if (ListedKind(entry) == EntryKind::Link) stop("Не удалось удалить ссылку «" + path + "».");
      stop("«" + path + "» подменили во время удаления.");
    }
    return opened;
  };
  std::vector<Level> levels;  // no recursion: no depth of folders exhausts the stack
  auto enter = [&](const std::string& path, std::unique_ptr<HeldEntry> held) {
    Level level{WithBackslash(path), "", std::move(held), {}};
    level.name = WithoutBackslash(level.Of(hold).Name());
    if (level.name.empty()) stop(Unchecked(path));
    auto listed = [&](const FolderEntry& entry) {
      if (IsDotEntry(entry.name)) return;
      if (ListedKind(entry) == EntryKind::Folder) {
        level.subfolders.push_back(entry);
      } else if (walk == WalkFor::Deletion || IsLink(entry)) {
        if (std::unique_ptr<HeldEntry> opened = open(level, entry)) each(std::move(opened), level.base + entry.name);
      }
    };
    // Read through its handle: what is listed is what is held, wherever its path leads by now.
    if (!level.Of(hold).List(listed)) stop(Unchecked(path));
    levels.push_back(std::move(level));
  };
  enter(folder, nullptr);
  while (!levels.empty()) {
    Level& level = levels.back();
    if (level.next < level.subfolders.size()) {
      const FolderEntry entry = level.subfolders[level.next++];
      if (std::unique_ptr<HeldEntry> opened = open(level, entry)) enter(level.base + entry.name, std::move(opened));
      continue;  // `level` is not used past a new one
    }
    std::unique_ptr<HeldEntry> done = std::move(level.held);
    const std::string path = WithoutBackslash(level.base);
    levels.pop_back();
    if (done && walk == WalkFor::Deletion) each(std::move(done), path);
  }
}

// The folders on the way to those about to be emptied, held from before the links below them are
// swept until the deletion has run: none of them can be swapped for a link meanwhile.
class HeldWay {
 public:
  explicit HeldWay(FolderService& folders) : folders_(folders) {}
  // Holds every folder below the share down to `path`.
  void Hold(const std::string& path) {
    std::string share, steps;
    if (!SplitShare(path, share, steps)) throw CleanupRefused(Unchecked(path));
    std::string step = share;
    for (const std::string& name : Split(steps)) {
      step += '\\' + name;
      if (held_.count(step)) continue;
      std::unique_ptr<FolderHold> hold = folders_.Hold(step);
      if (!hold) throw CleanupRefused(Unchecked(step));
      held_.emplace(step, std::move(hold));
    }
  }
  // Right before the delete: every folder is still reached without a link, and is the one held.
  void CheckUnchanged(const std::vector<std::string>& folders) {
    for (const std::string& folder : folders) {
      if (ReachOnShare(folders_, folder).reach != Reach::Folder) Changed(folder);
    }
    for (auto& [path, hold] : held_) {
      if (!hold->StillThere()) Changed(path);
    }
  }
  // The hold on a folder given to Hold.
  FolderHold& Of(const std::string& path) { return *held_.at(WithoutBackslash(path)); }

 private:
  [[noreturn]] static void Changed(const std::string& folder) {
    throw CleanupRefused("Папку «" + WithoutBackslash(folder) + "» подменили во время проверки.");
  }
  FolderService& folders_;
  std::map<std::string, std::unique_ptr<FolderHold>> held_;
};

// Empties the folders, which are reached as real folders: each is held with the way to it, its
// links are removed, and only when nothing on the way has changed does the deletion begin.
void EmptyHeld(FolderService& folders, HeldWay& held, const std::vector<std::string>& targets) {
  for (const std::string& target : targets) held.Hold(target);
  for (const std::string& target : targets) RemoveLinksBelow(folders, target, held.Of(target));
  held.CheckUnchanged(targets);
  bool deletedSome = false;
  try {
    for (const std::string& target : targets) DeleteFolderContent(folders, target, held.Of(target), deletedSome);
  } catch (const CleanupRefused&) {
    throw;
  } catch (const std::exception& error) {
    // Any other failure once files have gone must not be shown as a deletion that never began.
    if (!deletedSome) throw;
    std::string reason = error.what();
    if (reason.empty() || reason.back() != '.') reason += '.';
    throw CleanupRefused(reason, true);
  }
}

// A folder that is to be emptied: it must be reached as a real folder, checked now.
bool ReachedForDeletion(const FolderReach& reach) {
  if (reach.reach == Reach::Unknown) {
    throw CleanupRefused(Unchecked(reach.where));
  }
  return reach.reach == Reach::Folder;
}

// Why a folder behind a link is left alone; a mounted volume carries a link's tag, and is named so.
std::string LinkRefusal(FolderService& folders, const std::string& folder, const std::string& link) {
  const std::unique_ptr<HeldEntry> opened = folders.OpenEntry(link);
  if (opened && opened->Kind() == EntryKind::MountedVolume) return VolumeRefusal(link) + ' ' + kNotDeleted;
  if (link == WithoutBackslash(folder)) return "Папка «" + link + "» — ссылка на другую папку. " + kNotDeleted;
  return "Путь к папке «" + WithoutBackslash(folder) + "» проходит через ссылку «" + link + "». " + kNotDeleted;
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

std::string WithBackslash(std::string folder) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

bool ListMatching(FolderService& folders, const std::string& pattern, std::uint32_t mask,
                  const std::function<void(const FolderEntry&)>& each) {
  const std::uint32_t excluded =
      ~mask & (attributes::kHidden | attributes::kSystem | attributes::kVolume | attributes::kDirectory);
  return folders.List(pattern, [&](const FolderEntry& entry) {
    if ((entry.attributes & excluded) == 0) each(entry);
  });
}

bool IsLink(const FolderEntry& entry) {
  return (entry.attributes & attributes::kReparsePoint) && (entry.reparseTag == 0 || (entry.reparseTag & kNameSurrogate));
}

FolderReach ReachBelow(FolderService& folders, const std::string& base, const std::string& steps) {
  FolderReach reach{Reach::Folder, WithoutBackslash(base)};
  for (const std::string& name : Split(steps)) {
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

void AddFolderSize(FolderService& folders, const std::string& folder, std::int64_t& bytes) {
  Walk(folders, folder, [&](const FolderEntry& entry, const std::string&) {
    if (IsLink(entry)) return false;
    if (!IsDirectory(entry)) bytes += entry.Size();
    return IsDirectory(entry);
  });
}

CleanupRefused::CleanupRefused(const std::string& reason, bool deletedSome)
    : std::runtime_error(reason + ' ' + (deletedSome ? kSomeDeleted : kNotDeleted)),
      reason_(reason),
      deletedSome_(deletedSome) {}

void RemoveLinksBelow(FolderService& folders, const std::string& folder, FolderHold& hold) {
  // Every link is found and opened through held folders and checked before the first is marked,
  // and a mark that fails takes the others back: one link that cannot go leaves every link in place.
  std::vector<std::unique_ptr<HeldEntry>> links;
  std::vector<std::string> paths;
  const bool nothingDeleted = false;
  WalkHeld(folders, folder, hold, nothingDeleted, WalkFor::Links,
           [&](std::unique_ptr<HeldEntry> link, const std::string& path) {
             links.push_back(std::move(link));
             paths.push_back(path);
           });
  for (std::size_t i = 0; i < links.size(); ++i) {
    if (links[i]->MarkDeleted(true)) continue;
    for (std::size_t j = 0; j < i; ++j) links[j]->MarkDeleted(false);
    throw CleanupRefused("Не удалось удалить ссылку «" + paths[i] + "».");
  }
  links.clear();  // the links go as their handles close
  // A removal that reports success is not taken on trust: the link must be gone from the listing.
  if (!LinksBelow(folders, folder).empty()) {
    throw CleanupRefused("Ссылка в папке «" + WithoutBackslash(folder) + "» осталась после удаления.");
  }
}

void DeleteFolderContent(FolderService& folders, const std::string& folder, FolderHold& hold, bool& deletedSome) {
  WalkHeld(folders, folder, hold, deletedSome, WalkFor::Deletion,
           [&](std::unique_ptr<HeldEntry> entry, const std::string&) {
             // A file, a link as a link, or an emptied folder; it goes as `entry` closes here.
             if (entry->MarkDeleted(true)) deletedSome = true;
           });
  // What could not be opened was left without a word (a file in use); if the folder's path no longer
  // leads to it, that was everything behind it, and the deletion did not do what it says.
  if (!hold.StillThere()) {
    throw CleanupRefused("Папку «" + WithoutBackslash(folder) + "» подменили во время удаления.", deletedSome);
  }
}

std::int64_t MeasureShareFolder(FolderService& folders, const std::string& path) {
  std::int64_t bytes = 0;
  if (ReachOnShare(folders, path).reach == Reach::Folder) AddFolderSize(folders, path, bytes);
  return bytes;
}

std::string EmptyShareFolder(FolderService& folders, const std::string& path) {
  const FolderReach reach = ReachOnShare(folders, path);
  if (reach.reach == Reach::Link) return LinkRefusal(folders, path, reach.where);
  if (!ReachedForDeletion(reach)) return "";  // nothing there to delete
  HeldWay held(folders);
  EmptyHeld(folders, held, {path});
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
  if (reach.reach == Reach::Link) return LinkRefusal(folders, root, reach.where);
  if (!ReachedForDeletion(reach)) return "";
  HeldWay held(folders);
  held.Hold(root);  // the profile root cannot change while its profiles are looked at
  std::vector<std::string> temps, skipped;
  if (!ProfileTemps(folders, root, temps, skipped, true)) throw CleanupRefused(Unchecked(root));
  EmptyHeld(folders, held, temps);
  if (skipped.empty()) return "";
  std::string text = "Ссылки на другие папки пропущены, файлы за ними не удалены:";
  for (const std::string& link : skipped) text += "\r\n" + link;
  return text;
}

std::int64_t ToMegabytes(std::int64_t bytes) {
  // nearbyint rounds in the default mode: to nearest, halves to even.
  return static_cast<std::int64_t>(std::nearbyint(static_cast<double>(bytes) / 1048576.0));
}

std::string MegabyteFigure(std::int64_t megabytes) { return std::to_string(megabytes) + " MB"; }

}  // namespace kestrane
