// Emptying folders that are reached as real folders, through a handle on each entry.
#pragma once

#include <string>
#include <vector>

#include "cleanup/held_way.h"
#include "platform/folders.h"

namespace kestrane {

// Each folder is held with the way to it and its links are removed; only when nothing on the way
// has changed does the deletion begin. Everything below a folder then goes through a handle on each
// entry: an entry is opened as itself, must be what its listing said, and goes through that handle;
// a subfolder is held while what it holds is deleted, and goes last. What cannot be opened or
// deleted (in use, no right) stays. Stops with CleanupRefused when a check cannot be made or
// something is not as listed, saying whether files had gone by then.
void EmptyFolders(FolderService& folders, HeldWay& way, const std::vector<std::string>& targets);

}  // namespace kestrane
