// Spans of time as kestrane-check reads them in its options and writes them in its texts.
#pragma once

#include <cstdint>
#include <string>

namespace kestrane {

inline constexpr std::int64_t kSecondsPerHour = 3600;
inline constexpr std::int64_t kSecondsPerDay = 24 * kSecondsPerHour;
inline constexpr std::int64_t kSecondsPerYear = 365 * kSecondsPerDay;

// A duration as typed: whole numbers each with its unit, m (minutes), h, d or w ("36h", "7d",
// "1d12h"), more than nothing and at most a year. Throws UsageError naming the option.
std::int64_t ParseDuration(const std::string& option, const std::string& text);

// Whole days and hours, rounded down: "3 дн. 4 ч", "5 ч", "менее 1 ч".
std::string DurationText(std::int64_t seconds);

}  // namespace kestrane
