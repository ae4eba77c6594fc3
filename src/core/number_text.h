// Reading numbers typed by the operator or kept in cell texts, with the Russian
// conventions of the program: ',' is the decimal mark.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrane {

// Reads a decimal number with ',' as the decimal mark: optional blanks around it, an
// optional sign, digits with at most one ',', an optional exponent ("1,5E3").
// Throws ConversionError "'<text>' is not a valid floating point value".
double ParseFloat(std::string_view text);

// Reads a whole number: optional leading blanks, optional sign, decimal digits, or
// hexadecimal digits after '$' or "0x". It must fit a signed 32-bit integer.
// Throws ConversionError "'<text>' is not a valid integer value".
std::int32_t ParseInteger(std::string_view text);

// The same reading without the exception: false for a text ParseInteger refuses.
bool TryParseInteger(std::string_view text, std::int32_t& value);

// Decimal digits with the given separator between groups of three, e.g. "1\xC2\xA0" "024".
std::string GroupDigits(std::string_view digits, std::string_view separator);

}  // namespace kestrane
