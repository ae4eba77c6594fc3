#include "core/host_name.h"

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace kestrane {
namespace {

// Decodes the next code point; nothing for malformed UTF-8.
std::optional<char32_t> NextCodePoint(std::string_view text, std::size_t& i) {
  auto b = static_cast<unsigned char>(text[i]);
  int length = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
  if (length == 0 || i + length > text.size()) return std::nullopt;
  char32_t cp = length == 1 ? b : length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
  for (int k = 1; k < length; ++k) {
    auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    cp = (cp << 6) | (next & 0x3F);
  }
  i += static_cast<std::size_t>(length);
  return cp;
}

// The letters of the scripts computer names are written in, with the signs that belong to them;
// punctuation, symbols, spaces and controls of every script stay out.
constexpr std::pair<char32_t, char32_t> kLetters[] = {
    {0x00C0, 0x00D6}, {0x00D8, 0x00F6}, {0x00F8, 0x024F},  // Latin-1 letters, Latin Extended A and B
    {0x0250, 0x02AF},                                      // IPA
    {0x0370, 0x0373}, {0x0376, 0x0377}, {0x037B, 0x037D}, {0x0386, 0x0386}, {0x0388, 0x03FF},  // Greek
    {0x0400, 0x0481}, {0x048A, 0x052F},                    // Cyrillic
    {0x0531, 0x0556}, {0x0561, 0x0587},                    // Armenian
    {0x05D0, 0x05EA},                                      // Hebrew
    {0x0620, 0x064A}, {0x0671, 0x06D3},                    // Arabic
    {0x0900, 0x0963}, {0x0966, 0x096F},                    // Devanagari
    {0x0E01, 0x0E3A}, {0x0E40, 0x0E4E},                    // Thai
    {0x10A0, 0x10FF},                                      // Georgian
    {0x1100, 0x11FF},                                      // Hangul Jamo
    {0x1E00, 0x1EFF}, {0x1F00, 0x1FBC}, {0x1FC2, 0x1FCC}, {0x1FD0, 0x1FDB}, {0x1FE0, 0x1FEC},
    {0x1FF2, 0x1FFC},                                      // Latin and Greek Extended
    {0x3041, 0x3096}, {0x309D, 0x309F},                    // Hiragana
    {0x30A1, 0x30FA}, {0x30FC, 0x30FF},                    // Katakana (not the middle dot)
    {0x3400, 0x4DBF}, {0x4E00, 0x9FFF},                    // CJK ideographs
    {0xAC00, 0xD7A3},                                      // Hangul syllables
    {0xF900, 0xFAFF},                                      // CJK compatibility ideographs
    {0xFF21, 0xFF3A}, {0xFF41, 0xFF5A},                    // full-width Latin letters
    {0x0300, 0x036F},                                      // combining marks
    {0x0483, 0x0487},                                      // Cyrillic combining marks
    {0x05B0, 0x05C2},                                      // Hebrew points
    {0x064B, 0x065F},                                      // Arabic marks
    {0x0660, 0x0669},                                      // Arabic-Indic digits
    {0x06F0, 0x06F9},                                      // Persian digits
    {0x20000, 0x2FA1F},                                    // CJK ideographs beyond the basic plane
};

bool IsLabelCharacter(char32_t cp) {
  if (cp < 0x80) {
    return (cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z') || (cp >= '0' && cp <= '9') || cp == '-' ||
           cp == '_';
  }
  for (const auto& [first, last] : kLetters) {
    if (cp >= first && cp <= last) return true;
  }
  return false;
}

bool IsHostName(std::string_view text) {
  std::size_t i = 0, characters = 0, labelLength = 0;
  char32_t first = 0, previous = 0;
  bool labelOpen = false;
  while (i < text.size()) {
    std::optional<char32_t> cp = NextCodePoint(text, i);
    if (!cp) return false;
    ++characters;
    if (*cp == '.') {
      // A label ends: not empty, not ending with a hyphen.
      if (!labelOpen || previous == '-') return false;
      labelOpen = false;
      labelLength = 0;
    } else {
      if (!IsLabelCharacter(*cp)) return false;
      if (!labelOpen) first = *cp;
      labelOpen = true;
      if (first == '-' || ++labelLength > 63) return false;
    }
    previous = *cp;
  }
  if (characters == 0 || characters > 253) return false;
  if (labelOpen && previous == '-') return false;
  return characters > 1 || labelOpen;  // "." alone is no name
}

bool IsIPv4(std::string_view text) {
  int parts = 0;
  std::size_t i = 0;
  while (true) {
    std::size_t start = i;
    int value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - start < 3) value = value * 10 + (text[i++] - '0');
    if (i == start || value > 255) return false;
    if (i - start > 1 && text[start] == '0') return false;  // a leading zero reads as octal elsewhere
    if (++parts == 4) return i == text.size();
    if (i >= text.size() || text[i] != '.') return false;
    ++i;
  }
}

bool IsIPv6(std::string_view text) {
  if (text.size() < 2 || text.size() > 45) return false;
  int groups = 0;
  bool compressed = false;
  std::size_t i = 0;
  if (text.substr(0, 2) == "::") {
    compressed = true;
    i = 2;
    if (i == text.size()) return true;  // "::"
  } else if (text[0] == ':') {
    return false;
  }
  while (i < text.size()) {
    // An IPv4 tail counts for two groups.
    std::size_t dot = text.find('.', i);
    std::size_t colon = text.find(':', i);
    if (dot != std::string_view::npos && (colon == std::string_view::npos || dot < colon)) {
      if (!IsIPv4(text.substr(i))) return false;
      groups += 2;
      break;
    }
    std::size_t start = i;
    while (i < text.size() && i - start < 4 &&
           ((text[i] >= '0' && text[i] <= '9') || (text[i] >= 'a' && text[i] <= 'f') || (text[i] >= 'A' && text[i] <= 'F'))) {
      ++i;
    }
    if (i == start) return false;
    ++groups;
    if (i == text.size()) break;
    if (text[i] != ':') return false;
    ++i;
    if (i < text.size() && text[i] == ':') {
      if (compressed) return false;
      compressed = true;
      ++i;
      if (i == text.size()) break;
    } else if (i == text.size()) {
      return false;  // a lone colon at the end
    }
  }
  return compressed ? groups < 8 : groups == 8;
}

}  // namespace

std::optional<HostKind> ClassifyHost(std::string_view text) {
  if (IsIPv4(text)) return HostKind::IPv4;
  if (text.find(':') != std::string_view::npos) {
    if (IsIPv6(text)) return HostKind::IPv6;
    return std::nullopt;
  }
  if (IsHostName(text)) return HostKind::Name;
  return std::nullopt;
}

std::string RemoteDesktopHost(std::string_view host, HostKind kind) {
  return kind == HostKind::IPv6 ? "[" + std::string(host) + "]" : std::string(host);
}

std::string UncHost(std::string_view host, HostKind kind) {
  if (kind != HostKind::IPv6) return std::string(host);
  std::string literal(host);
  for (char& c : literal) {
    if (c == ':') c = '-';
  }
  return literal + ".ipv6-literal.net";
}

std::string NotAHostMessage(std::string_view text) {
  return "«" + std::string(text) +
         "» не является именем сервера или IP-адресом. Имя сервера состоит из букв, цифр, дефисов и "
         "подчёркиваний, части имени разделяются точками. Команда не выполнена.";
}

}  // namespace kestrane
