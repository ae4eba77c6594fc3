#include "forms/folder_cleanup.h"

#include <cmath>

namespace kestrane {
namespace {

constexpr std::uint32_t kNameSurrogate = 0x20000000;  // the tag's bit for junctions and symbolic links

std::string WithBackslash(std::string folder) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }

void RemoveLinksBelow(FolderService& folders, const std::string& folder) {
  const std::string base = WithBackslash(folder);
  ListMatching(folders, base + "*.*", kEveryEntry, [&](const FolderEntry& entry) {
    if (IsDotEntry(entry.name)) return;
    const bool directory = entry.attributes & attributes::kDirectory;
    if (IsLink(entry)) {
      folders.RemoveLink(base + entry.name, directory);
    } else if (directory) {
      RemoveLinksBelow(folders, base + entry.name);
    }
  });
}

}  // namespace

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

void AddFolderSize(FolderService& folders, const std::string& folder, std::int64_t& bytes) {
  const std::string base = WithBackslash(folder);
  ListMatching(folders, base + "*.*", kEveryEntry, [&](const FolderEntry& entry) {
    if (IsDotEntry(entry.name) || IsLink(entry)) return;
    if (entry.attributes & attributes::kDirectory) {
      AddFolderSize(folders, base + entry.name, bytes);
    } else {
      bytes += entry.Size();
    }
  });
}

void DeleteFolderContent(FolderService& folders, const std::string& folder, const std::string& mask) {
  RemoveLinksBelow(folders, folder);
  folders.DeleteContent(folder, mask);
}

std::int64_t ToMegabytes(std::int64_t bytes) {
  // nearbyint rounds in the default mode: to nearest, halves to even.
  return static_cast<std::int64_t>(std::nearbyint(static_cast<double>(bytes) / 1048576.0));
}

std::string MegabyteFigure(std::int64_t megabytes) { return std::to_string(megabytes) + " MB"; }

}  // namespace kestrane
