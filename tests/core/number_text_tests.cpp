#include "core/number_text.h"

#include <gtest/gtest.h>

#include "core/errors.h"

namespace kestrane {
namespace {

TEST(ParseFloat, ReadsTheDecimalComma) {
  EXPECT_DOUBLE_EQ(ParseFloat("2"), 2.0);
  EXPECT_DOUBLE_EQ(ParseFloat("2,5"), 2.5);
  EXPECT_DOUBLE_EQ(ParseFloat(" -1,25 "), -1.25);
  EXPECT_DOUBLE_EQ(ParseFloat(",5"), 0.5);
  EXPECT_DOUBLE_EQ(ParseFloat("5,"), 5.0);
  EXPECT_DOUBLE_EQ(ParseFloat("1,5E3"), 1500.0);
}

TEST(ParseFloat, RefusesOtherSpellingsWithThePlatformMessage) {
  for (const char* text : {"", " ", "1.5", "1 000", "2 GB", ",", "-", "1e", "e5", "1,2,3", "0x10"}) {
    try {
      ParseFloat(text);
      FAIL() << "accepted '" << text << "'";
    } catch (const ConversionError& e) {
      EXPECT_EQ(e.what(), "'" + std::string(text) + "' is not a valid floating point value");
    }
  }
}

TEST(ParseInteger, ReadsWholeNumbersWithinThirtyTwoBits) {
  EXPECT_EQ(ParseInteger("30"), 30);
  EXPECT_EQ(ParseInteger("  15"), 15);
  EXPECT_EQ(ParseInteger("-5"), -5);
  EXPECT_EQ(ParseInteger("+7"), 7);
  EXPECT_EQ(ParseInteger("$1F"), 31);
  EXPECT_EQ(ParseInteger("0x10"), 16);
  EXPECT_EQ(ParseInteger("2147483647"), 2147483647);
  EXPECT_EQ(ParseInteger("-2147483648"), INT32_MIN);
}

TEST(ParseInteger, RefusesEverythingElse) {
  for (const char* text : {"", "  ", "2,5", "1.0", "15 ", "abc", "2147483648", "-2147483649", "$", "1e3",
                           "99999999999999999999"}) {
    try {
      ParseInteger(text);
      FAIL() << "accepted '" << text << "'";
    } catch (const ConversionError& e) {
      EXPECT_EQ(e.what(), "'" + std::string(text) + "' is not a valid integer value");
    }
  }
}

TEST(GroupDigits, SeparatesGroupsOfThreeFromTheRight) {
  EXPECT_EQ(GroupDigits("1", " "), "1");
  EXPECT_EQ(GroupDigits("123", " "), "123");
  EXPECT_EQ(GroupDigits("1234", " "), "1 234");
  EXPECT_EQ(GroupDigits("1234567", "."), "1.234.567");
}

}  // namespace
}  // namespace kestrane
