#include "cleanup/listing.h"

namespace kestrane {
namespace {

constexpr std::uint32_t kNameSurrogate = 0x20000000;  // the tag's bit for junctions and symbolic links

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

bool IsDirectory(const FolderEntry& entry) { return (entry.attributes & attributes::kDirectory) != 0; }

bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }

EntryKind ListedKind(const FolderEntry& entry) {
  if (IsLink(entry)) return EntryKind::Link;
  return IsDirectory(entry) ? EntryKind::Folder : EntryKind::File;
}

}  // namespace kestrane
