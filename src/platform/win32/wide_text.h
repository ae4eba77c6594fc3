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

// A message as the system or an automation object words it, without the line breaks and blanks
// it may end in.
std::string MessageText(std::wstring_view text);

// The system's description of an error code (a Win32 error or an HRESULT), without the line
// break it ends in; "" when the system has none.
std::string SystemErrorText(unsigned long code);

}  // namespace kestrane::win32
