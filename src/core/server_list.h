// The server list: the lines of the list editor's text, in order and unaltered.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrane {

// CR LF, a lone CR and a lone LF each end a line. A line break at the very end of the
// text opens no further entry; an empty line elsewhere is an entry; "" has no entry.
std::vector<std::string> SplitServerList(std::string_view text);

// The same lines joined with CR LF between them, as the editor holds them.
std::string JoinServerList(const std::vector<std::string>& lines);

}  // namespace kestrane
