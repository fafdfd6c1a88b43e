#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 and white-space helpers shared by every subsystem. "White space" is always the
// Unicode White_Space property, as listed in `kWhiteSpace`.
namespace lorvane::text {

/// The code points from `first` to `last`, both included.
struct CodePointRange {
  char32_t first;
  char32_t last;
};

/// The code points with the Unicode White_Space property, in ascending order. This is the
/// one list of white space: `is_white_space`, `white_space_length`, the renderer's byte
/// classes and the `\s` of the TEXT patterns are all made from it.
inline constexpr CodePointRange kWhiteSpace[] = {
    {0x09, 0x0D},     {0x20, 0x20},     {0x85, 0x85},     {0xA0, 0xA0},     {0x1680, 0x1680},
    {0x2000, 0x200A}, {0x2028, 0x2029}, {0x202F, 0x202F}, {0x205F, 0x205F}, {0x3000, 0x3000},
};

/// Whether `cp` has the Unicode White_Space property.
constexpr bool is_white_space(char32_t cp) {
  for (const CodePointRange& range : kWhiteSpace) {
    if (cp < range.first) return false;
    if (cp <= range.last) return true;
  }
  return false;
}

/// The first byte of the UTF-8 encoding of `cp` (a Unicode scalar value).
constexpr unsigned char utf8_lead_byte(char32_t cp) {
  if (cp < 0x80) return static_cast<unsigned char>(cp);
  if (cp < 0x800) return static_cast<unsigned char>(0xC0 | (cp >> 6));
  if (cp < 0x10000) return static_cast<unsigned char>(0xE0 | (cp >> 12));
  return static_cast<unsigned char>(0xF0 | (cp >> 18));
}

/// Whether `bytes` is valid UTF-8: no overlong forms, no surrogates, nothing above
/// U+10FFFF, no truncated sequence.
bool is_valid_utf8(std::string_view bytes);

/// Decodes the code point that starts at `pos` and advances `pos` past it.
/// REQUIRES: `s` is valid UTF-8 and `pos < s.size()` is at the start of a code point.
inline char32_t decode_utf8(std::string_view s, std::size_t& pos) {
  const auto b0 = static_cast<unsigned char>(s[pos]);
  if (b0 < 0x80) {
    ++pos;
    return b0;
  }
  auto cont = [&](std::size_t i) { return static_cast<unsigned char>(s[pos + i]) & 0x3Fu; };
  char32_t cp;
  if (b0 < 0xE0) {
    cp = (char32_t(b0 & 0x1Fu) << 6) | cont(1);
    pos += 2;
  } else if (b0 < 0xF0) {
    cp = (char32_t(b0 & 0x0Fu) << 12) | (char32_t(cont(1)) << 6) | cont(2);
    pos += 3;
  } else {
    cp = (char32_t(b0 & 0x07u) << 18) | (char32_t(cont(1)) << 12) | (char32_t(cont(2)) << 6) |
         cont(3);
    pos += 4;
  }
  return cp;
}

/// Decodes the code point that ends right before `end` and moves `end` to its start.
/// REQUIRES: `s` is valid UTF-8 and `end > 0` is at a code point boundary.
inline char32_t decode_utf8_backward(std::string_view s, std::size_t& end) {
  std::size_t start = end - 1;
  while (start > 0 && (static_cast<unsigned char>(s[start]) & 0xC0u) == 0x80u) --start;
  std::size_t pos = start;
  const char32_t cp = decode_utf8(s, pos);
  end = start;
  return cp;
}

/// The length of the white-space character that starts at `pos`, or 0 when there is none
/// there. Safe on any bytes: an invalid or truncated sequence is no white space.
/// REQUIRES: `pos < s.size()`.
std::size_t white_space_length(std::string_view s, std::size_t pos);

/// Appends the UTF-8 encoding of `cp` (a Unicode scalar value).
void append_utf8(std::string& out, char32_t cp);

/// The number of code points in valid UTF-8 text.
std::size_t count_code_points(std::string_view s);

/// `s` without the white space at its start / end / both ends.
/// REQUIRES: `s` is valid UTF-8.
std::string_view trim_start(std::string_view s);
std::string_view trim_end(std::string_view s);
inline std::string_view trim(std::string_view s) { return trim_end(trim_start(s)); }

/// Whether `s` is empty after trimming.
inline bool is_blank(std::string_view s) { return trim_start(s).empty(); }

/// Replaces every invalid UTF-8 sequence by U+FFFD, for showing raw bytes (paths) as text.
std::string lossy_utf8(std::string_view bytes);

}  // namespace lorvane::text
