// Paths on a server's administrative share as the clean-up writes them: "\\server\c$\a\b".
#pragma once

#include <string>
#include <vector>

namespace kestrane {

// The folder with a trailing backslash added when it has none.
std::string WithBackslash(std::string folder);
// The folder without its trailing backslashes.
std::string WithoutBackslash(std::string folder);
// The names in "AppData\Local\Temp", empty ones left out.
std::vector<std::string> Steps(const std::string& steps);
// "\\server\share" and the steps below it; false when the path names no share.
bool SplitShare(const std::string& path, std::string& share, std::string& steps);

}  // namespace kestrane
