// The lines of a text as an editor shows them, in order and unaltered: the server list is the
// lines of the list editor, and a list file is read the same way.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrane {

// CR LF, a lone CR and a lone LF each end a line. A line break at the very end of the
// text opens no further line; an empty line elsewhere is a line; "" has no line.
std::vector<std::string> SplitLines(std::string_view text);

// The same lines joined with CR LF between them, as an editor holds them.
std::string JoinLines(const std::vector<std::string>& lines);

}  // namespace kestrane
