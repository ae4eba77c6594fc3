// What a folder's listing says of an entry, as the clean-up reads it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/folders.h"

namespace kestrane {

inline constexpr std::uint32_t kEveryEntry = 63;       // read-only, hidden, system, volume, directory, archive
inline constexpr std::uint32_t kFoldersAndFiles = 16;  // hidden, system and volume entries left out

// Lists the pattern, leaving out entries that carry one of the attributes hidden, system, volume
// or directory which the mask does not name. False when the listing cannot be opened.
bool ListMatching(FolderService& folders, const std::string& pattern, std::uint32_t mask,
                  const std::function<void(const FolderEntry&)>& each);

// A junction or a symbolic link (a reparse point whose tag is a name surrogate), or a reparse
// point whose kind is not told (Wine lists a link so): never entered, never counted.
bool IsLink(const FolderEntry& entry);
bool IsDirectory(const FolderEntry& entry);
// "." or "..": the folder itself and its parent, never an entry of it.
bool IsDotEntry(const std::string& name);
// What the listing says an entry is: a file, a folder or a link.
EntryKind ListedKind(const FolderEntry& entry);

}  // namespace kestrane
