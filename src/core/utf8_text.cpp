#include "core/utf8_text.h"

namespace kestrane {
namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::string CodePointSlice(std::string_view text, std::size_t first, std::size_t count) {
  std::size_t i = 0, seen = 0;
  auto next = [&] {
    ++i;
    while (i < text.size() && IsContinuation(text[i])) ++i;
  };
  while (i < text.size() && seen < first) {
    next();
    ++seen;
  }
  const std::size_t start = i;
  for (std::size_t taken = 0; i < text.size() && taken < count; ++taken) next();
  return std::string(text.substr(start, i - start));
}

std::size_t CodePointCount(std::string_view text) {
  std::size_t n = 0;
  for (char c : text) n += !IsContinuation(c);
  return n;
}

std::string FoldCase(std::string_view text) {
  std::string out(text);
  for (std::size_t i = 0; i < out.size(); ++i) {
    auto b = static_cast<unsigned char>(out[i]);
    if (b >= 'A' && b <= 'Z') {
      out[i] = static_cast<char>(b + ('a' - 'A'));
      continue;
    }
    // The capitals meant here are all two-byte sequences: fold the code point and write it back.
    if ((b >> 5) != 0x6 || i + 1 >= out.size() || !IsContinuation(out[i + 1])) continue;
    char32_t cp = (char32_t{b} & 0x1F) << 6 | (static_cast<unsigned char>(out[i + 1]) & 0x3F);
    if ((cp >= 0x00C0 && cp <= 0x00DE && cp != 0x00D7) || (cp >= 0x0391 && cp <= 0x03AB && cp != 0x03A2) ||
        (cp >= 0x0410 && cp <= 0x042F)) {
      cp += 0x20;
    } else if (cp >= 0x0400 && cp <= 0x040F) {
      cp += 0x50;
    } else {
      continue;
    }
    out[i] = static_cast<char>(0xC0 | (cp >> 6));
    out[i + 1] = static_cast<char>(0x80 | (cp & 0x3F));
    ++i;
  }
  return out;
}

std::string ValidUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    auto b = static_cast<unsigned char>(bytes[i]);
    int length = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    char32_t cp = length == 1 ? b : length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
    bool good = length > 0 && i + length <= bytes.size();
    for (int k = 1; good && k < length; ++k) {
      auto next = static_cast<unsigned char>(bytes[i + k]);
      good = (next & 0xC0) == 0x80;
      cp = (cp << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are malformed too.
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    good = good && cp >= kLeast[length] && !(cp >= 0xD800 && cp < 0xE000) && cp <= 0x10FFFF;
    if (good) {
      out.append(bytes.substr(i, static_cast<std::size_t>(length)));
      i += static_cast<std::size_t>(length);
    } else {
      out += kReplacement;
      ++i;
    }
  }
  return out;
}

std::string_view TrimBlanks(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace kestrane
