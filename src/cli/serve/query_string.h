// The parameters of a URL's query string, as a form sends them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrane {

// "target=srv%2D1&x" as {{"target", "srv-1"}, {"x", ""}}, in order, percent-escapes and '+' decoded;
// nothing when an escape is malformed.
std::optional<std::vector<std::pair<std::string, std::string>>> ParseQuery(std::string_view query);

}  // namespace kestrane
