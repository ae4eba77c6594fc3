// libFuzzer target: any bytes read as a server list file, by the window's rule and by the command
// line's, give valid UTF-8 with CR LF line ends only, and no NUL.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/list_file.h"
#include "core/utf8_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  // The ANSI code page as 1252 would read it: every byte a character.
  auto ansi = [](std::string_view text) {
    std::string out;
    for (unsigned char c : text) {
      if (c < 0x80) {
        out += static_cast<char>(c);
      } else {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
      }
    }
    return out;
  };
  for (const std::string& text :
       {kestrane::ListTextFromFile(bytes, ansi), kestrane::ListTextFromFileUtf8First(bytes, ansi)}) {
    if (kestrane::ValidUtf8(text) != text) std::abort();
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\0') std::abort();
      if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) std::abort();
      if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) std::abort();
    }
  }
  return 0;
}
