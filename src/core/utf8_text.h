// UTF-8 texts counted in characters (code points), as the program's texts are.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrane {

// The text from its `first` character on, at most `count` characters; none cut in two.
std::string CodePointSlice(std::string_view text, std::size_t first, std::size_t count);
// The number of characters.
std::size_t CodePointCount(std::string_view text);
// The text with the capitals of the Latin, Cyrillic and Greek alphabets made small, so that
// names and paths compare without case as Windows compares them; other bytes stay as they are.
std::string FoldCase(std::string_view text);
// UTF-8 with every malformed sequence replaced by U+FFFD.
std::string ValidUtf8(std::string_view bytes);
// The text without the spaces and tabs around it.
std::string_view TrimBlanks(std::string_view text);

}  // namespace kestrane
