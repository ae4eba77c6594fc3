// Reaching a folder from a folder known to be real, one step at a time, each step looked up in its
// parent's listing, so that a link on the way is seen as the link it is.
#pragma once

#include <string>

#include "platform/folders.h"

namespace kestrane {

enum class Reach {
  Folder,   // every step is a real folder
  Missing,  // a step is not there, or is a file: there is nothing to count or delete
  Link,     // a step is a link: what lies behind it belongs to another place
  Unknown,  // a folder on the way could not be listed: nothing can be said
};
struct FolderReach {
  Reach reach = Reach::Folder;
  std::string where;  // Link: the link's path; Unknown: the folder that could not be listed
};

// Walks `steps` ("AppData\Local\Temp") down from `base`.
FolderReach ReachBelow(FolderService& folders, const std::string& base, const std::string& steps);
// A folder on a share, "\\server\share\a\b\": every step below the share.
FolderReach ReachOnShare(FolderService& folders, const std::string& path);

}  // namespace kestrane
