#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 and white-space helpers shared by every subsystem. "White space" is always the
// Unicode White_Space property: exactly 25 code points (U+0009..U+000D, U+0020, U+0085,
// U+00A0, U+1680, U+2000..U+200A, U+2028, U+2029, U+202F, U+205F, U+3000).
namespace lorvane::text {

/// Whether `cp` has the Unicode White_Space property.
constexpr bool is_white_space(char32_t cp) {
  if (cp <= 0x20) return cp == 0x20 || (cp >= 0x09 && cp <= 0x0D);
  if (cp < 0x85) return false;
  return cp == 0x85 || cp == 0xA0 || cp == 0x1680 || (cp >= 0x2000 && cp <= 0x200A) ||
         cp == 0x2028 || cp == 0x2029 || cp == 0x202F || cp == 0x205F || cp == 0x3000;
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
