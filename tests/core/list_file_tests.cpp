#include "core/list_file.h"

#include <gtest/gtest.h>

#include "core/text_lines.h"

namespace kestrane {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view s) { return std::vector<std::uint8_t>(s.begin(), s.end()); }

// Windows-1251 for the letters the tests use, as the system would decode it.
std::string Cp1251(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c >= 0xC0) {  // А..я: U+0410 + (c - 0xC0)
      char32_t cp = 0x410 + (c - 0xC0);
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += "?";
    }
  }
  return out;
}

std::string Read(std::string_view bytes) { return ListTextFromFile(Bytes(bytes), Cp1251); }

TEST(ListFile, EveryLineEndBecomesCrLfAndTheEndStaysAsItWas) {
  EXPECT_EQ(Read("a\r\nb\r\nc\r\n"), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(Read("a\nb\nc"), "a\r\nb\r\nc");
  EXPECT_EQ(Read("a\rb\rc\r"), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(Read("a\n\rb"), "a\r\n\r\nb");  // LF then CR: two line ends
  EXPECT_EQ(Read(""), "");
}

TEST(ListFile, EntriesCountAsTheListCountsThem) {
  EXPECT_EQ(SplitLines(Read("srv1\r\nsrv2\r\nsrv3\r\n")).size(), 3u);
  EXPECT_EQ(SplitLines(Read("srv1\r\nsrv2\r\nsrv3")).size(), 3u);
  EXPECT_EQ(SplitLines(Read("srv1\n\nsrv2\n")), (std::vector<std::string>{"srv1", "", "srv2"}));
  EXPECT_EQ(SplitLines(Read("\n")), std::vector<std::string>{""});
  EXPECT_EQ(SplitLines(Read("  srv1 \t\n")), std::vector<std::string>{"  srv1 \t"});  // unaltered
}

TEST(ListFile, WithoutAMarkTheTextIsInTheAnsiCodePage) {
  EXPECT_EQ(Read("\xF1\xF0\xE2-01\r\n"), "срв-01\r\n");
  // Bytes that look like UTF-8 ("с") are ANSI all the same without a mark: 0xD1 is "С" there.
  EXPECT_EQ(Read("\xD1\x81"), "С?");
}

TEST(ListFile, AByteOrderMarkChoosesTheEncoding) {
  EXPECT_EQ(Read("\xEF\xBB\xBF" "срв-01\nsrv2"), "срв-01\r\nsrv2");
  // Windows PowerShell's Out-File: UTF-16 LE with a mark.
  EXPECT_EQ(Read(std::string_view("\xFF\xFE" "s\0r\0v\0\x41\x04\r\0\n\0", 14)), "srvс\r\n");
  EXPECT_EQ(Read(std::string_view("\xFE\xFF\0s\x04\x41\0\n", 8)), "sс\r\n");
  // A character outside the basic plane, as a surrogate pair.
  EXPECT_EQ(Read(std::string_view("\xFF\xFE\x3D\xD8\x00\xDE", 6)), "\xF0\x9F\x98\x80");
}

TEST(ListFile, MalformedTextIsReplacedAndNulsLeftOut) {
  EXPECT_EQ(Read("\xEF\xBB\xBF" "a\xFF" "b"), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(Read("\xEF\xBB\xBF" "\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");  // overlong
  EXPECT_EQ(Read("\xEF\xBB\xBF" "\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // a surrogate
  EXPECT_EQ(Read(std::string_view("\xFF\xFE\x00\xD8" "a\0", 6)), "\xEF\xBF\xBD" "a");  // a lone surrogate
  EXPECT_EQ(Read(std::string_view("\xFF\xFE" "a\0b", 5)), "a\xEF\xBF\xBD");  // half a unit at the end
  // A UTF-16 file without a mark: the NUL after each letter would end the editor's text.
  EXPECT_EQ(Read(std::string_view("s\0r\0v\0\r\0\n\0", 10)), "srv\r\n");
}

}  // namespace
}  // namespace kestrane
