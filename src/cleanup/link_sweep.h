// The links below a folder about to be emptied, removed as links before anything else goes.
#pragma once

#include <string>

#include "platform/folders.h"

namespace kestrane {

// Removes every link below the folder, which is held as `hold`, as a link, then lists the folder
// again to make sure none is left. Every link is found through held folders, opened and checked
// before the first is removed, and one that cannot go leaves every link in place. Throws
// CleanupRefused when a folder below cannot be listed or opened, a link cannot be removed (or is a
// mounted volume), something is not as listed, or a link is still there.
void RemoveLinksBelow(FolderService& folders, const std::string& folder, FolderHold& hold);

}  // namespace kestrane
