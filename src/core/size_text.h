// The texts of the server table's disk cells and the threshold test that reads them back.
// All texts are UTF-8; the group separator is the no-break space U+00A0.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/disk_reading.h"

namespace kestrane {

inline constexpr std::string_view kGroupSeparator = "\xC2\xA0";

// "512 Bytes", "1,5 KB", "700 MB", "12,3 GB". Never throws.
std::string FormatDiskSize(std::int64_t bytes);

// "C: 12,3 GB (24%)". Throws DivisionByZeroError when Size == 0.
std::string FormatDiskCell(const DiskReading& reading);

// The text without every character that is neither '0'..'9' nor ','.
std::string KeepDigitsAndCommas(std::string_view text);

// The byte count of the shown figure, e.g. 13207024435 for "C: 12,3 GB (24%)".
// nullopt: the text holds no unit word. Throws ConversionError on a malformed number.
std::optional<std::int64_t> ReadBackSize(std::string_view text);

// The threshold in bytes. nullopt: the unit text is neither exactly "MB" nor "GB".
// Throws ConversionError when the threshold text is not a number.
std::optional<double> ThresholdBytes(std::string_view thresholdText, std::string_view unitText);

// Whether the byte count lies below the threshold; false when there is none.
bool IsBelowThreshold(std::int64_t bytes, std::string_view thresholdText, std::string_view unitText);

}  // namespace kestrane
