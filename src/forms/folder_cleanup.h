// Measuring and emptying folders on a server's administrative share, never through a link.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/folders.h"

namespace kestrane {

inline constexpr std::uint32_t kEveryEntry = 63;   // read-only, hidden, system, volume, directory, archive
inline constexpr std::uint32_t kFoldersAndFiles = 16;  // hidden, system and volume entries left out

// Lists the pattern, leaving out entries that carry one of the attributes hidden, system, volume
// or directory which the mask does not name. False when the listing cannot be opened.
bool ListMatching(FolderService& folders, const std::string& pattern, std::uint32_t mask,
                  const std::function<void(const FolderEntry&)>& each);

// A junction or a symbolic link (a reparse point whose tag is a name surrogate), or a reparse
// point whose kind is not told (Wine lists a link so): never entered, never counted.
bool IsLink(const FolderEntry& entry);

// Adds the size of every file below the folder, at any depth, to `bytes`. Folders that cannot be
// listed add nothing; links add nothing and are not entered.
void AddFolderSize(FolderService& folders, const std::string& folder, std::int64_t& bytes);

// Removes every link below the folder as a link, then asks the shell to delete the folder's entries
// that match the mask: the shell never reaches through a link.
void DeleteFolderContent(FolderService& folders, const std::string& folder, const std::string& mask);

// Bytes to whole megabytes, a value exactly halfway going to the even neighbour.
std::int64_t ToMegabytes(std::int64_t bytes);
// "512 MB"
std::string MegabyteFigure(std::int64_t megabytes);

}  // namespace kestrane
