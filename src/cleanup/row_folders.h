// The clean-up dialog's rows: a folder on a server's share, or the temp folders of every profile,
// measured and emptied, never through a link.
#pragma once

#include <cstdint>
#include <string>

#include "platform/folders.h"

namespace kestrane {

inline constexpr char kProfileTemp[] = "AppData\\Local\\Temp";

// One folder on a share (the rows but the profiles'): the bytes of every file below it, at any
// depth; 0 when it is not a real folder. Links add nothing and are not entered.
std::int64_t MeasureShareFolder(FolderService& folders, const std::string& path);
// Checks the way to the folder and every link below it as things stand now, then empties it.
// Nothing is deleted when a check cannot be made (CleanupRefused) or the folder lies behind a
// link; the latter is returned as the text to tell the operator ("" when the folder was emptied).
std::string EmptyShareFolder(FolderService& folders, const std::string& path);

// The temp folders of every profile under the profile root "\\server\c$\users\": their bytes
// together; a profile that is a link, or whose temp folder lies behind one, adds nothing.
std::int64_t MeasureProfileTemps(FolderService& folders, const std::string& root);
// Every profile's temp folder is checked, and its links removed, before the first one is emptied:
// a refusal anywhere deletes nothing anywhere. Profiles behind a link are left alone and named in
// the returned text ("" when there were none).
std::string EmptyProfileTemps(FolderService& folders, const std::string& root);

}  // namespace kestrane
