#include "core/list_file.h"

#include "core/utf8_text.h"

namespace kestrane {
namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

void AppendCodePoint(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string FromUtf16(std::string_view bytes, bool bigEndian) {
  std::string out;
  out.reserve(bytes.size());
  auto unit = [&](std::size_t i) -> char16_t {
    auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
    auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
    return static_cast<char16_t>((hi << 8) | lo);
  };
  std::size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    char16_t u = unit(i);
    if (u >= 0xD800 && u < 0xDC00 && i + 3 < bytes.size()) {
      char16_t low = unit(i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        AppendCodePoint(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
        continue;
      }
    }
    if (u >= 0xD800 && u < 0xE000) {
      out += kReplacement;  // a lone surrogate
    } else {
      AppendCodePoint(out, u);
    }
  }
  if (i < bytes.size()) out += kReplacement;  // half a unit at the end
  return out;
}

// NULs left out first (a CR and LF they stand between are still one line end), then CR LF, CR
// and LF to CR LF.
std::string WithCrLf(std::string_view decoded) {
  std::string text;
  text.reserve(decoded.size());
  for (char c : decoded) {
    if (c != '\0') text += c;
  }
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\r\n";
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

bool StartsWith(const std::vector<std::uint8_t>& bytes, std::initializer_list<std::uint8_t> mark) {
  if (bytes.size() < mark.size()) return false;
  std::size_t i = 0;
  for (std::uint8_t b : mark) {
    if (bytes[i++] != b) return false;
  }
  return true;
}

}  // namespace

std::string ListTextFromFile(const std::vector<std::uint8_t>& bytes, const AnsiDecoder& ansi) {
  std::string_view all(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (StartsWith(bytes, {0xEF, 0xBB, 0xBF})) return WithCrLf(ValidUtf8(all.substr(3)));
  if (StartsWith(bytes, {0xFF, 0xFE})) return WithCrLf(FromUtf16(all.substr(2), false));
  if (StartsWith(bytes, {0xFE, 0xFF})) return WithCrLf(FromUtf16(all.substr(2), true));
  return WithCrLf(ansi(all));
}

std::string ListTextFromFileUtf8First(const std::vector<std::uint8_t>& bytes, const AnsiDecoder& ansi) {
  std::string_view all(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  const bool marked =
      StartsWith(bytes, {0xEF, 0xBB, 0xBF}) || StartsWith(bytes, {0xFF, 0xFE}) || StartsWith(bytes, {0xFE, 0xFF});
  if (!marked && ValidUtf8(all) == all) return WithCrLf(all);
  return ListTextFromFile(bytes, ansi);
}

}  // namespace kestrane
