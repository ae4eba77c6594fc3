#include "core/size_text.h"

#include <gtest/gtest.h>

#include "core/errors.h"

namespace kestrane {
namespace {

// Shows the group separator as a blank, as people write the figures.
std::string Plain(std::string text) {
  for (std::size_t p; (p = text.find(kGroupSeparator)) != std::string::npos;) text.replace(p, 2, " ");
  return text;
}

TEST(FormatDiskSize, ChoosesTheUnitAtEachBound) {
  EXPECT_EQ(Plain(FormatDiskSize(0)), "0 Bytes");
  EXPECT_EQ(Plain(FormatDiskSize(512)), "512 Bytes");
  EXPECT_EQ(Plain(FormatDiskSize(1023)), "1 023 Bytes");
  EXPECT_EQ(Plain(FormatDiskSize(1024)), "1,0 KB");
  EXPECT_EQ(Plain(FormatDiskSize(1536)), "1,5 KB");
  EXPECT_EQ(Plain(FormatDiskSize(1048575)), "1 024,0 KB");
  EXPECT_EQ(Plain(FormatDiskSize(1048576)), "1 MB");
  EXPECT_EQ(Plain(FormatDiskSize(734003200)), "700 MB");
  EXPECT_EQ(Plain(FormatDiskSize(1073741823)), "1024 MB");  // MB texts are never grouped
  EXPECT_EQ(Plain(FormatDiskSize(1073741824)), "1,0 GB");
  EXPECT_EQ(Plain(FormatDiskSize(13207024435)), "12,3 GB");
  EXPECT_EQ(Plain(FormatDiskSize(1099511627776)), "1 024,0 GB");
  EXPECT_EQ(Plain(FormatDiskSize(2100000000)), "2,0 GB");
}

TEST(FormatDiskSize, RoundsHalvesAwayFromZero) {
  EXPECT_EQ(FormatDiskSize(1280), "1,3 KB");     // 1.25 KB
  EXPECT_EQ(FormatDiskSize(1572864), "2 MB");    // 1.5 MB
  EXPECT_EQ(FormatDiskSize(2621440), "3 MB");    // 2.5 MB
  EXPECT_EQ(FormatDiskSize(1126), "1,1 KB");     // 1.0996 KB
}

TEST(FormatDiskSize, GroupsWithNoBreakSpaceAndShowsNegativeCountsAsBytes) {
  EXPECT_EQ(FormatDiskSize(1023), "1\xC2\xA0" "023 Bytes");
  EXPECT_EQ(Plain(FormatDiskSize(-512)), "-512 Bytes");
  EXPECT_EQ(Plain(FormatDiskSize(-1234567)), "-1 234 567 Bytes");
  EXPECT_EQ(Plain(FormatDiskSize(INT64_MAX)), "8 589 934 592,0 GB");
}

TEST(FormatDiskCell, JoinsDeviceSizeAndTruncatedShare) {
  EXPECT_EQ(FormatDiskCell({"C:", 13207024435, 53687091200}), "C: 12,3 GB (24%)");
  EXPECT_EQ(FormatDiskCell({"D:", 734003200, 53687091200}), "D: 700 MB (1%)");
  EXPECT_EQ(FormatDiskCell({"E:", 100, 100}), "E: 100 Bytes (100%)");
  EXPECT_EQ(FormatDiskCell({"F:", 1, 3}), "F: 1 Bytes (33%)");
  // Past 92 PB free the 64-bit product would wrap; the share stays right.
  EXPECT_TRUE(FormatDiskCell({"G:", INT64_MAX / 2, INT64_MAX}).ends_with(" (49%)"));
}

TEST(FormatDiskCell, FailsForADiskOfSizeZero) {
  EXPECT_THROW(FormatDiskCell({"C:", 0, 0}), DivisionByZeroError);
  try {
    FormatDiskCell({"C:", 5, 0});
    FAIL() << "no failure";
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "Division by zero");
  }
}

TEST(KeepDigitsAndCommas, KeepsOnlyDigitsAndCommasInOrder) {
  EXPECT_EQ(KeepDigitsAndCommas("C: 12,3"), "12,3");
  EXPECT_EQ(KeepDigitsAndCommas("1\xC2\xA0" "024,0"), "1024,0");
  EXPECT_EQ(KeepDigitsAndCommas("Недоступно 7"), "7");
  EXPECT_EQ(KeepDigitsAndCommas(""), "");
}

TEST(ReadBackSize, ReadsTheShownFigureInItsUnit) {
  EXPECT_EQ(ReadBackSize("C: 12,3 GB (24%)"), 13207024435);
  EXPECT_EQ(ReadBackSize("D: 700 MB (1%)"), 734003200);
  EXPECT_EQ(ReadBackSize("E: 1\xC2\xA0" "024,0 GB (50%)"), 1099511627776);
  EXPECT_EQ(ReadBackSize("F: 300,5 KB (0%)"), 307712);
  EXPECT_EQ(ReadBackSize("G: 512 Bytes (0%)"), 512);
  // The drawing passes the text without its first three characters: the same size.
  EXPECT_EQ(ReadBackSize("12,3 GB (24%)"), 13207024435);
}

TEST(ReadBackSize, TextsWithoutAUnitWordHaveNoSize) {
  EXPECT_EQ(ReadBackSize("Недоступно"), std::nullopt);
  EXPECT_EQ(ReadBackSize("  ."), std::nullopt);
  EXPECT_EQ(ReadBackSize("1"), std::nullopt);
  EXPECT_EQ(ReadBackSize(""), std::nullopt);
  EXPECT_EQ(ReadBackSize("gb 12"), std::nullopt);
}

TEST(ReadBackSize, FailsWhenNoNumberStandsBeforeTheUnit) {
  try {
    ReadBackSize("GB (12%)");
    FAIL();
  } catch (const ConversionError& e) {
    EXPECT_STREQ(e.what(), "'' is not a valid floating point value");
  }
  try {
    ReadBackSize("1,2,3 MB");
    FAIL();
  } catch (const ConversionError& e) {
    EXPECT_STREQ(e.what(), "'1,2,3' is not a valid floating point value");
  }
  EXPECT_THROW(ReadBackSize("x: 99999999999999999999 GB"), InvalidFloatOperationError);
}

TEST(ReadBackSize, DropsExactlyTheOneCharacterBeforeTheUnitWord) {
  // Whatever stands there: normally the blank, here a digit or a letter.
  EXPECT_EQ(ReadBackSize("12,34GB"), 13207024435);   // "12,3" read
  EXPECT_EQ(ReadBackSize("C: 7  MB (1%)"), 7340032);  // only one of the two blanks dropped
  EXPECT_EQ(ReadBackSize("5x Bytes"), 5);
}

TEST(ReadBackSize, RoundTripsEveryUnitBound) {
  // Read back, a count shows as a figure that formats to the same text again...
  for (std::int64_t bytes : {std::int64_t{0}, std::int64_t{1023}, std::int64_t{1024}, std::int64_t{1048576},
                             std::int64_t{1073741824}, std::int64_t{13207024435}}) {
    std::string text = FormatDiskCell({"C:", bytes, INT64_MAX});
    std::optional<std::int64_t> back = ReadBackSize(text);
    ASSERT_TRUE(back) << text;
    EXPECT_EQ(FormatDiskCell({"C:", *back, INT64_MAX}), text);
  }
  // ... but just below a unit's bound the shown figure is the bound itself.
  EXPECT_EQ(ReadBackSize(FormatDiskCell({"C:", 1048575, 2097152})), 1048576);
  EXPECT_EQ(ReadBackSize(FormatDiskCell({"C:", 1073741823, INT64_MAX})), 1073741824);
}

TEST(ThresholdBytes, ExactUnitsOnly) {
  EXPECT_EQ(ThresholdBytes("2", "GB"), 2147483648.0);
  EXPECT_EQ(ThresholdBytes("500", "MB"), 524288000.0);
  EXPECT_EQ(ThresholdBytes("1,5", "GB"), 1610612736.0);
  EXPECT_EQ(ThresholdBytes("0", "GB"), 0.0);
  EXPECT_EQ(ThresholdBytes("-1", "MB"), -1048576.0);
  EXPECT_EQ(ThresholdBytes("2", "gb"), std::nullopt);
  EXPECT_EQ(ThresholdBytes("2", "GB "), std::nullopt);
  EXPECT_EQ(ThresholdBytes("not read", "TB"), std::nullopt);  // no unit: the text is not read
}

TEST(ThresholdBytes, FailsOnATextThatIsNotANumber) {
  for (const char* text : {"1.5", "", "abc", "2,5,", "1,,5"}) {
    try {
      ThresholdBytes(text, "GB");
      FAIL() << text;
    } catch (const ConversionError& e) {
      EXPECT_EQ(e.what(), "'" + std::string(text) + "' is not a valid floating point value");
    }
  }
}

TEST(IsBelowThreshold, WorkedExamples) {
  EXPECT_TRUE(IsBelowThreshold(*ReadBackSize("C: 1,9 GB (4%)"), "2", "GB"));
  EXPECT_FALSE(IsBelowThreshold(*ReadBackSize("D: 2,0 GB (10%)"), "2", "GB"));  // equal is not below
  EXPECT_TRUE(IsBelowThreshold(*ReadBackSize("E: 1024 MB (2%)"), "2", "GB"));
  EXPECT_FALSE(IsBelowThreshold(*ReadBackSize("F: 850 MB (3%)"), "500", "MB"));
  EXPECT_TRUE(IsBelowThreshold(*ReadBackSize("G: 300,5 KB (0%)"), "500", "MB"));
  EXPECT_FALSE(IsBelowThreshold(1, "2", "gb"));
  EXPECT_FALSE(IsBelowThreshold(0, "0", "GB"));
  // 2 100 000 000 bytes show as 2,0 GB and read back at the threshold: not below.
  EXPECT_FALSE(IsBelowThreshold(*ReadBackSize(FormatDiskCell({"C:", 2100000000, 4200000000})), "2", "GB"));
  // Less than 1 MB reads back in KB, at most 1 048 576 bytes: below 2 MB.
  EXPECT_TRUE(IsBelowThreshold(*ReadBackSize(FormatDiskCell({"C:", 1048575, 4200000000})), "2", "MB"));
  EXPECT_THROW(IsBelowThreshold(1, "1.5", "GB"), ConversionError);
}

}  // namespace
}  // namespace kestrane
