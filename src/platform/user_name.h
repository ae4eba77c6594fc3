// The name of the user running the program.
#pragma once

#include <string>
#include <vector>

namespace kestrane {

inline constexpr int kNameDnsDomain = 12;  // "domain.example\user"

// The user's name in an extended name format, as 8-bit text of at most 249 characters; the
// empty text when it cannot be had (a local account, a computer outside any domain).
std::string CurrentUserName(int format);

// The local computer's name (its DNS host name), as the empty server name stands for it.
std::string LocalComputerName();

// Every name the local computer goes by: its NetBIOS name, DNS host name and fully qualified name.
std::vector<std::string> LocalComputerNames();

}  // namespace kestrane
