// A walk below a folder by path, for what only reads: the count, and the look for links left.
#pragma once

#include <functional>
#include <string>

#include "platform/folders.h"

namespace kestrane {

// Every entry below the folder, depth first, each folder listed whole before its subfolders; no
// recursion, so no depth of folders can exhaust the stack. `enter` is given each entry with its
// path and says whether to walk it. Returns the first folder that could not be listed ("" when
// every one was); the walk goes on past it.
std::string WalkByPath(FolderService& folders, const std::string& folder,
                       const std::function<bool(const FolderEntry&, const std::string& path)>& enter);

}  // namespace kestrane
