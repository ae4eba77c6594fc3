// Text in the system's ANSI code page.
#pragma once

#include <string>
#include <string_view>

namespace kestrane {

// ANSI bytes (Windows-1251 on a Russian system) as UTF-8.
std::string AnsiToUtf8(std::string_view bytes);

}  // namespace kestrane
