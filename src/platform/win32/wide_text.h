// Conversions between the portable UTF-8 texts and the UTF-16 of the W functions.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <string>
#include <string_view>

namespace kestrane::win32 {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace kestrane::win32
