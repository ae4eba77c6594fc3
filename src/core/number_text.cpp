#include "core/number_text.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

#include "core/errors.h"
#include "core/utf8_text.h"

namespace kestrane {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

double ParseFloat(std::string_view text) {
  auto fail = [&]() -> double {
    throw ConversionError("'" + std::string(text) + "' is not a valid floating point value");
  };
  std::string_view s = TrimBlanks(text);
  std::string c;  // the number in the C locale's spelling, for strtod
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) c += s[i++];
  bool digits = false;
  while (i < s.size() && IsDigit(s[i])) { c += s[i++]; digits = true; }
  if (i < s.size() && s[i] == ',') {
    c += '.';
    ++i;
    while (i < s.size() && IsDigit(s[i])) { c += s[i++]; digits = true; }
  }
  if (!digits) return fail();
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    c += 'e';
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) c += s[i++];
    bool expDigits = false;
    while (i < s.size() && IsDigit(s[i])) { c += s[i++]; expDigits = true; }
    if (!expDigits) return fail();
  }
  if (i != s.size()) return fail();
  errno = 0;
  char* end = nullptr;
  double value = std::strtod(c.c_str(), &end);
  if (end != c.c_str() + c.size() || errno == ERANGE) {
    // Underflow to zero is harmless; overflow is a number out of range.
    if (!(errno == ERANGE && value == 0.0)) return fail();
  }
  return value;
}

bool TryParseInteger(std::string_view text, std::int32_t& value) {
  std::string_view s = text;
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (!s.empty() && s.front() == '$') {
    base = 16;
    s.remove_prefix(1);
  } else if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty()) return false;
  std::int64_t magnitude = 0;
  for (char ch : s) {
    int d = base == 16 ? HexValue(ch) : (IsDigit(ch) ? ch - '0' : -1);
    if (d < 0) return false;
    magnitude = magnitude * base + d;
    if (magnitude > std::int64_t{1} << 32) return false;
  }
  std::int64_t signedValue = negative ? -magnitude : magnitude;
  if (base == 16 && !negative && magnitude <= 0xFFFFFFFFLL) {
    // Hexadecimal texts name the 32-bit pattern, as "$FFFFFFFF" is -1.
    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(magnitude));
    return true;
  }
  if (signedValue < std::numeric_limits<std::int32_t>::min() ||
      signedValue > std::numeric_limits<std::int32_t>::max()) {
    return false;
  }
  value = static_cast<std::int32_t>(signedValue);
  return true;
}

std::int32_t ParseInteger(std::string_view text) {
  std::int32_t value = 0;
  if (!TryParseInteger(text, value)) {
    throw ConversionError("'" + std::string(text) + "' is not a valid integer value");
  }
  return value;
}

std::string GroupDigits(std::string_view digits, std::string_view separator) {
  std::string out;
  out.reserve(digits.size() + digits.size() / 3 * separator.size());
  std::size_t lead = digits.size() % 3;
  if (lead == 0) lead = 3;
  out.append(digits.substr(0, lead));
  for (std::size_t i = lead; i < digits.size(); i += 3) {
    out.append(separator);
    out.append(digits.substr(i, 3));
  }
  return out;
}

}  // namespace kestrane
