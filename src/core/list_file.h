// A server list file's bytes as the list editor's text.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrane {

// Turns text in the system's ANSI code page into UTF-8 (the platform knows the code page).
using AnsiDecoder = std::function<std::string(std::string_view bytes)>;

// The file's text with CR LF between its lines. A file that starts with a byte-order mark is read
// in that encoding (UTF-8, UTF-16 LE or BE); any other in the ANSI code page. CR LF, a lone CR and
// a lone LF each end a line; a line break at the end stays one. Malformed sequences become U+FFFD;
// NUL characters, which would cut the editor's text short, are left out.
std::string ListTextFromFile(const std::vector<std::uint8_t>& bytes, const AnsiDecoder& ansi);

// As ListTextFromFile, but a file without a mark whose bytes are valid UTF-8 is read as UTF-8, as
// PowerShell 7 writes files; kestrane-check's rule (the window's reader keeps the one above).
std::string ListTextFromFileUtf8First(const std::vector<std::uint8_t>& bytes, const AnsiDecoder& ansi);

}  // namespace kestrane
