#include "core/text_lines.h"

#include <gtest/gtest.h>

namespace kestrane {
namespace {

TEST(TextLines, EveryLineIsKeptButATrailingBreakOpensNone) {
  using L = std::vector<std::string>;
  EXPECT_EQ(SplitLines(""), L{});
  EXPECT_EQ(SplitLines("srv1"), L{"srv1"});
  EXPECT_EQ(SplitLines("srv1\r\n"), L{"srv1"});
  EXPECT_EQ(SplitLines("\r\n"), L{""});
  EXPECT_EQ(SplitLines("a\r\n\r\nb\r\n"), (L{"a", "", "b"}));
  EXPECT_EQ(SplitLines("a\nb\rc"), (L{"a", "b", "c"}));
  EXPECT_EQ(SplitLines("a\r\n\r\n"), (L{"a", ""}));
  EXPECT_EQ(SplitLines(" srv 1 \r\nsrv1"), (L{" srv 1 ", "srv1"}));  // unaltered, duplicates kept
  EXPECT_EQ(JoinLines({"a", "", "b"}), "a\r\n\r\nb");
}

}  // namespace
}  // namespace kestrane
