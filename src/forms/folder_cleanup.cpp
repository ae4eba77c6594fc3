#include "forms/folder_cleanup.h"

#include <cmath>

namespace kestrane {
namespace {

constexpr std::uint32_t kNameSurrogate = 0x20000000;  // the tag's bit for junctions and symbolic links
constexpr char kNotDeleted[] = "Файлы не удалены.";

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
// several entries match, a link among them counts: the shell might reach that one.
FolderReach Step(FolderService& folders, const std::string& parent, const std::string& name) {
  bool found = false, link = false, folder = false;
  const bool listed = ListMatching(folders, WithBackslash(parent) + "*.*", kEveryEntry, [&](const FolderEntry& entry) {
    if (!SameName(entry.name, name)) return;
    found = true;
    link = link || IsLink(entry);
    folder = folder || IsDirectory(entry);
  });
  const std::string path = WithBackslash(parent) + name;
  if (!listed) return {Reach::Unknown, WithoutBackslash(parent)};
  if (link) return {Reach::Link, path};
  if (!found || !folder) return {Reach::Missing, path};
  return {Reach::Folder, path};
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

// Walks the links below a folder, removing each when asked. Every folder on the way must list:
// what cannot be seen might hold a link the shell would follow.
int SweepLinks(FolderService& folders, const std::string& folder, bool remove) {
  const std::string base = WithBackslash(folder);
  int links = 0;
  const bool listed = ListMatching(folders, base + "*.*", kEveryEntry, [&](const FolderEntry& entry) {
    if (IsDotEntry(entry.name)) return;
    const std::string path = base + entry.name;
    if (IsLink(entry)) {
      ++links;
      if (remove && !folders.RemoveLink(path, IsDirectory(entry))) {
        throw CleanupRefused("Не удалось удалить ссылку «" + path + "». " + kNotDeleted);
      }
    } else if (IsDirectory(entry)) {
      links += SweepLinks(folders, path, remove);
    }
  });
  if (!listed) throw CleanupRefused("Не удалось проверить папку «" + WithoutBackslash(folder) + "». " + kNotDeleted);
  return links;
}

// A folder that is to be emptied: it must be reached as a real folder, checked now.
bool ReachedForDeletion(const FolderReach& reach) {
  if (reach.reach == Reach::Unknown) {
    throw CleanupRefused("Не удалось проверить папку «" + reach.where + "». " + kNotDeleted);
  }
  return reach.reach == Reach::Folder;
}

std::string LinkRefusal(const std::string& folder, const std::string& link) {
  if (link == WithoutBackslash(folder)) return "Папка «" + link + "» — ссылка на другую папку. " + kNotDeleted;
  return "Путь к папке «" + folder + "» проходит через ссылку «" + link + "». " + kNotDeleted;
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
  std::size_t share = path.rfind("\\\\", 0) == 0 ? path.find('\\', 2) : std::string::npos;
  std::size_t steps = share == std::string::npos ? std::string::npos : path.find('\\', share + 1);
  if (steps == std::string::npos) return {Reach::Unknown, WithoutBackslash(path)};
  return ReachBelow(folders, path.substr(0, steps), path.substr(steps + 1));
}

void AddFolderSize(FolderService& folders, const std::string& folder, std::int64_t& bytes) {
  const std::string base = WithBackslash(folder);
  ListMatching(folders, base + "*.*", kEveryEntry, [&](const FolderEntry& entry) {
    if (IsDotEntry(entry.name) || IsLink(entry)) return;
    if (IsDirectory(entry)) {
      AddFolderSize(folders, base + entry.name, bytes);
    } else {
      bytes += entry.Size();
    }
  });
}

void DeleteFolderContent(FolderService& folders, const std::string& folder, const std::string& mask) {
  folders.DeleteContent(folder, mask);
}

void RemoveLinksBelow(FolderService& folders, const std::string& folder) {
  if (SweepLinks(folders, folder, true) == 0) return;
  // A removal that reports success is not taken on trust: the link must be gone from the listing.
  if (SweepLinks(folders, folder, false) != 0) {
    throw CleanupRefused("Ссылка в папке «" + WithoutBackslash(folder) + "» осталась после удаления. " + kNotDeleted);
  }
}

std::int64_t MeasureShareFolder(FolderService& folders, const std::string& path) {
  std::int64_t bytes = 0;
  if (ReachOnShare(folders, path).reach == Reach::Folder) AddFolderSize(folders, path, bytes);
  return bytes;
}

std::string EmptyShareFolder(FolderService& folders, const std::string& path) {
  const FolderReach reach = ReachOnShare(folders, path);
  if (reach.reach == Reach::Link) return LinkRefusal(path, reach.where);
  if (!ReachedForDeletion(reach)) return "";  // nothing there to delete
  RemoveLinksBelow(folders, path);
  DeleteFolderContent(folders, path, "*.*");
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
  if (reach.reach == Reach::Link) return LinkRefusal(root, reach.where);
  if (!ReachedForDeletion(reach)) return "";
  std::vector<std::string> temps, skipped;
  if (!ProfileTemps(folders, root, temps, skipped, true)) {
    throw CleanupRefused("Не удалось проверить папку «" + WithoutBackslash(root) + "». " + kNotDeleted);
  }
  for (const std::string& temp : temps) RemoveLinksBelow(folders, temp);
  for (const std::string& temp : temps) DeleteFolderContent(folders, temp, "*.*");
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
