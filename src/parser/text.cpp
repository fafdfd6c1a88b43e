#include "parser/text.hpp"

namespace lorvane::text {
namespace {

// Length of the valid UTF-8 sequence at `pos`, or 0 when the bytes there are not one.
std::size_t valid_sequence_length(std::string_view s, std::size_t pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[pos + i]); };
  const std::size_t left = s.size() - pos;
  const unsigned char b0 = byte(0);
  if (b0 < 0x80) return 1;
  const auto is_cont = [&](std::size_t i) { return i < left && (byte(i) & 0xC0u) == 0x80u; };
  if (b0 >= 0xC2 && b0 <= 0xDF) return is_cont(1) ? 2 : 0;
  if (b0 >= 0xE0 && b0 <= 0xEF) {
    if (left < 2) return 0;
    const unsigned char b1 = byte(1);
    if (b0 == 0xE0 && b1 < 0xA0) return 0;   // overlong
    if (b0 == 0xED && b1 >= 0xA0) return 0;  // surrogates
    return is_cont(1) && is_cont(2) ? 3 : 0;
  }
  if (b0 >= 0xF0 && b0 <= 0xF4) {
    if (left < 2) return 0;
    const unsigned char b1 = byte(1);
    if (b0 == 0xF0 && b1 < 0x90) return 0;   // overlong
    if (b0 == 0xF4 && b1 >= 0x90) return 0;  // above U+10FFFF
    return is_cont(1) && is_cont(2) && is_cont(3) ? 4 : 0;
  }
  return 0;
}

}  // namespace

bool is_valid_utf8(std::string_view bytes) {
  std::size_t pos = 0;
  const std::size_t n = bytes.size();
  while (pos < n) {
    // Fast path over ASCII, eight bytes at a time.
    while (pos + 8 <= n) {
      unsigned long long word = 0;
      for (int i = 0; i < 8; ++i)
        word |= static_cast<unsigned long long>(static_cast<unsigned char>(bytes[pos + i]));
      if (word & 0x80u) break;
      pos += 8;
    }
    if (pos >= n) break;
    const std::size_t len = valid_sequence_length(bytes, pos);
    if (len == 0) return false;
    pos += len;
  }
  return true;
}

std::size_t white_space_length(std::string_view s, std::size_t pos) {
  const std::size_t length = valid_sequence_length(s, pos);
  if (length == 0) return 0;
  std::size_t next = pos;
  return is_white_space(decode_utf8(s, next)) ? length : 0;
}

void append_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::size_t count_code_points(std::string_view s) {
  std::size_t count = 0;
  for (char c : s) count += (static_cast<unsigned char>(c) & 0xC0u) != 0x80u;
  return count;
}

std::string_view trim_start(std::string_view s) {
  std::size_t pos = 0;
  while (pos < s.size()) {
    std::size_t next = pos;
    if (!is_white_space(decode_utf8(s, next))) break;
    pos = next;
  }
  return s.substr(pos);
}

std::string_view trim_end(std::string_view s) {
  std::size_t end = s.size();
  while (end > 0) {
    std::size_t start = end;
    if (!is_white_space(decode_utf8_backward(s, start))) break;
    end = start;
  }
  return s.substr(0, end);
}

std::string lossy_utf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const std::size_t len = valid_sequence_length(bytes, pos);
    if (len != 0) {
      out.append(bytes.substr(pos, len));
      pos += len;
      continue;
    }
    // One U+FFFD per maximal ill-formed subpart: a valid lead byte takes along the
    // continuation bytes that could still have completed it.
    const auto b0 = static_cast<unsigned char>(bytes[pos]);
    std::size_t need = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      need = 1;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      need = 2;
      if (b0 == 0xE0) lo = 0xA0;
      if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      need = 3;
      if (b0 == 0xF0) lo = 0x90;
      if (b0 == 0xF4) hi = 0x8F;
    }
    ++pos;
    for (std::size_t i = 0; i < need && pos < bytes.size(); ++i) {
      const auto b = static_cast<unsigned char>(bytes[pos]);
      if (b < lo || b > hi) break;
      ++pos;
      lo = 0x80;
      hi = 0xBF;
    }
    out += "\xEF\xBF\xBD";
  }
  return out;
}

}  // namespace lorvane::text
