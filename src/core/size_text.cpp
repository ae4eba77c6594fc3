#include "core/size_text.h"

#include <array>
#include <cmath>
#include <cstdio>

#include "core/errors.h"
#include "core/number_text.h"

namespace kestrane {
namespace {

constexpr std::int64_t kKiB = 1024;
constexpr std::int64_t kMiB = kKiB * 1024;
constexpr std::int64_t kGiB = kMiB * 1024;

// Rounds value to `decimals` places, halves away from zero, and writes it with ',' as the
// decimal mark, the integer part grouped when asked.
std::string FormatFixed(double value, int decimals, bool grouped) {
  double scale = decimals == 0 ? 1.0 : 10.0;
  double scaled = std::round(value * scale);  // std::round takes halves away from zero
  bool negative = scaled < 0;
  double magnitude = std::fabs(scaled);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.0f", magnitude);
  std::string digits = buffer;
  std::string fraction;
  if (decimals > 0) {
    if (digits.size() <= static_cast<std::size_t>(decimals)) {
      digits.insert(0, decimals + 1 - digits.size(), '0');
    }
    fraction = digits.substr(digits.size() - decimals);
    digits.resize(digits.size() - decimals);
  }
  std::string out = negative ? "-" : "";
  out += grouped ? GroupDigits(digits, kGroupSeparator) : digits;
  if (decimals > 0) out += "," + fraction;
  return out;
}

struct UnitWord {
  std::string_view word;
  double factor;
};

constexpr std::array<UnitWord, 4> kUnitWords{{
    {"Bytes", 1.0},
    {"KB", static_cast<double>(kKiB)},
    {"MB", static_cast<double>(kMiB)},
    {"GB", static_cast<double>(kGiB)},
}};

}  // namespace

std::string FormatDiskSize(std::int64_t bytes) {
  if (bytes < kKiB) return FormatFixed(static_cast<double>(bytes), 0, true) + " Bytes";
  // x * 10 / 1024 is exact in a double for every realistic count, so halves round as halves.
  if (bytes < kMiB) return FormatFixed(static_cast<double>(bytes) / kKiB, 1, true) + " KB";
  if (bytes < kGiB) return FormatFixed(static_cast<double>(bytes) / kMiB, 0, false) + " MB";
  return FormatFixed(static_cast<double>(bytes) / kGiB, 1, true) + " GB";
}

std::string FormatDiskCell(const DiskReading& reading) {
  if (reading.Size == 0) throw DivisionByZeroError();
  // Formed in 128 bits: F * 100 would overflow 64 bits past 92 PB free.
  auto share = static_cast<std::int64_t>(static_cast<__int128>(reading.FreeSpace) * 100 / reading.Size);
  std::string text = reading.DeviceID;
  text += ' ';
  text += FormatDiskSize(reading.FreeSpace);
  text += " (";
  text += std::to_string(share);
  text += "%)";
  return text;
}

std::string KeepDigitsAndCommas(std::string_view text) {
  std::string kept;
  kept.reserve(text.size());
  for (char c : text) {
    if ((c >= '0' && c <= '9') || c == ',') kept += c;
  }
  return kept;
}

std::optional<std::int64_t> ReadBackSize(std::string_view text) {
  const UnitWord* unit = nullptr;
  std::size_t position = std::string_view::npos;
  for (const UnitWord& candidate : kUnitWords) {
    position = text.find(candidate.word);
    if (position != std::string_view::npos) {
      unit = &candidate;
      break;
    }
  }
  if (unit == nullptr) return std::nullopt;
  // Everything before the blank that separates the number from the unit word.
  std::string_view number = position == 0 ? std::string_view() : text.substr(0, position - 1);
  double bytes = ParseFloat(KeepDigitsAndCommas(number)) * unit->factor;
  if (!(bytes > -9223372036854775808.0 && bytes < 9223372036854775808.0)) {
    throw InvalidFloatOperationError();
  }
  return static_cast<std::int64_t>(bytes);  // truncates toward zero
}

std::optional<double> ThresholdBytes(std::string_view thresholdText, std::string_view unitText) {
  double factor;
  if (unitText == "MB") {
    factor = static_cast<double>(kMiB);
  } else if (unitText == "GB") {
    factor = static_cast<double>(kGiB);
  } else {
    return std::nullopt;
  }
  return ParseFloat(thresholdText) * factor;
}

bool IsBelowThreshold(std::int64_t bytes, std::string_view thresholdText, std::string_view unitText) {
  std::optional<double> threshold = ThresholdBytes(thresholdText, unitText);
  return threshold && static_cast<double>(bytes) < *threshold;
}

}  // namespace kestrane
