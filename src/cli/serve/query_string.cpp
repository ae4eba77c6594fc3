#include "cli/serve/query_string.h"

namespace kestrane {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> Decode(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out += ' ';
    } else if (text[i] != '%') {
      out += text[i];
    } else {
      if (i + 2 >= text.size()) return std::nullopt;
      const int high = HexDigit(text[i + 1]), low = HexDigit(text[i + 2]);
      if (high < 0 || low < 0) return std::nullopt;
      out += static_cast<char>(high * 16 + low);
      i += 2;
    }
  }
  return out;
}

}  // namespace

std::optional<std::vector<std::pair<std::string, std::string>>> ParseQuery(std::string_view query) {
  std::vector<std::pair<std::string, std::string>> parameters;
  while (!query.empty()) {
    const std::size_t end = query.find('&');
    const std::string_view item = query.substr(0, end);
    query = end == std::string_view::npos ? std::string_view() : query.substr(end + 1);
    if (item.empty()) continue;
    const std::size_t equals = item.find('=');
    std::optional<std::string> name = Decode(item.substr(0, equals));
    std::optional<std::string> value =
        Decode(equals == std::string_view::npos ? std::string_view() : item.substr(equals + 1));
    if (!name || !value) return std::nullopt;
    parameters.emplace_back(std::move(*name), std::move(*value));
  }
  return parameters;
}

}  // namespace kestrane
