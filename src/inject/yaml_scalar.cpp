#include "inject/yaml_scalar.hpp"

#include <unicode/uchar.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "parser/text.hpp"

namespace lorvane::inject {
namespace {

// 128-bit arithmetic for the integers just beyond 64 bits, which are load errors that
// print their value.
__extension__ typedef unsigned __int128 Wide;

constexpr Wide kWideMax = ~Wide(0);
constexpr Wide kNegativeLimit = Wide(1) << 63;       // magnitude of -2^63
constexpr Wide kWideNegativeLimit = Wide(1) << 127;  // magnitude of -2^127

bool starts_with_sign(std::string_view s) { return !s.empty() && (s[0] == '+' || s[0] == '-'); }

// At least one digit of `radix` and nothing else, within 128 bits. Stops at the first
// fault, so a long token costs one pass at most.
std::optional<Wide> parse_digits(std::string_view digits, unsigned radix) {
  if (digits.empty()) return std::nullopt;
  Wide value = 0;
  for (const char c : digits) {
    unsigned d;
    if (c >= '0' && c <= '9') {
      d = static_cast<unsigned>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      d = static_cast<unsigned>(c - 'a') + 10;
    } else if (c >= 'A' && c <= 'F') {
      d = static_cast<unsigned>(c - 'A') + 10;
    } else {
      return std::nullopt;
    }
    if (d >= radix) return std::nullopt;
    if (value > (kWideMax - d) / radix) return std::nullopt;
    value = value * radix + d;
  }
  return value;
}

std::string wide_to_decimal(Wide value) {
  char buf[40];
  char* end = buf + sizeof buf;
  char* p = end;
  do {
    *--p = static_cast<char>('0' + static_cast<int>(value % 10));
    value /= 10;
  } while (value != 0);
  return std::string(p, end);
}

YamlInt unsigned_int(Wide magnitude) {
  YamlInt result;
  if (magnitude <= std::numeric_limits<std::uint64_t>::max()) {
    result.kind = YamlInt::Kind::kUnsigned;
    result.unsigned_value = static_cast<std::uint64_t>(magnitude);
  } else {
    result.kind = YamlInt::Kind::kWideUnsigned;
    result.decimal = wide_to_decimal(magnitude);
  }
  return result;
}

YamlInt negative_int(Wide magnitude) {
  YamlInt result;
  if (magnitude == 0) {
    result.kind = YamlInt::Kind::kUnsigned;  // -0 is the unsigned zero
  } else if (magnitude <= kNegativeLimit) {
    result.kind = YamlInt::Kind::kNegative;
    // Two's complement negation in unsigned arithmetic, defined also for -2^63.
    result.negative_value = static_cast<std::int64_t>(~static_cast<std::uint64_t>(magnitude) + 1u);
  } else if (magnitude <= kWideNegativeLimit) {
    result.kind = YamlInt::Kind::kWideNegative;
    result.decimal = "-" + wide_to_decimal(magnitude);
  }
  return result;
}

struct Prefix {
  std::string_view text;
  unsigned radix;
};
constexpr Prefix kPrefixes[] = {{"0x", 16}, {"0o", 8}, {"0b", 2}};

// The decimal exponent E of a validated decimal number text with a nonzero digit, such
// that its value lies in [10^(E-1), 10^E). Saturates far beyond the double range.
long long decimal_magnitude(std::string_view s) {
  std::size_t i = 0;
  if (i < s.size() && s[i] == '-') ++i;
  long long int_digits = 0;
  long long first_nonzero = -1;  // position among all mantissa digits
  long long position = 0;
  bool in_fraction = false;
  for (; i < s.size() && s[i] != 'e' && s[i] != 'E'; ++i) {
    if (s[i] == '.') {
      in_fraction = true;
      continue;
    }
    if (!in_fraction) ++int_digits;
    if (first_nonzero < 0 && s[i] != '0') first_nonzero = position;
    ++position;
  }
  if (first_nonzero < 0) return std::numeric_limits<int>::min();  // zero
  long long exponent = 0;
  if (i < s.size()) {
    ++i;
    bool negative = false;
    if (s[i] == '+' || s[i] == '-') negative = s[i++] == '-';
    for (; i < s.size(); ++i) {
      if (exponent < 1'000'000'000) exponent = exponent * 10 + (s[i] - '0');
    }
    if (negative) exponent = -exponent;
  }
  return int_digits - first_nonzero + exponent;
}

// Whether `s` is a decimal number: '-'? (digits ('.' digits?)? | '.' digits), then an
// optional exponent 'e'/'E', sign, digits.
bool is_decimal_number(std::string_view s) {
  std::size_t i = 0;
  const auto digits = [&] {
    const std::size_t start = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    return i - start;
  };
  if (i < s.size() && s[i] == '-') ++i;
  std::size_t mantissa = digits();
  if (i < s.size() && s[i] == '.') {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  return i == s.size();
}

// The shortest digits that read back to a finite `value`: value = 0.DIGITS x 10^point.
struct ShortestDigits {
  bool negative = false;
  char digits[24] = {};
  int count = 0;
  int point = 0;
};

ShortestDigits shortest_digits(double value) {
  char buf[64];
  const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  ShortestDigits d;
  const char* p = buf;
  if (*p == '-') {
    d.negative = true;
    ++p;
  }
  for (; p < result.ptr && *p != 'e'; ++p) {
    if (*p != '.') d.digits[d.count++] = *p;
  }
  int exponent = 0;
  std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), result.ptr, exponent);
  d.point = exponent + 1;
  return d;
}

void append_zeros(std::string& out, int count) {
  if (count > 0) out.append(static_cast<std::size_t>(count), '0');
}

// 0.DIGITS x 10^point without an exponent: "0.000DIGITS", "DIG.ITS" or "DIGITS000.0".
void append_fixed(std::string& out, std::string_view digits, int point) {
  const auto count = static_cast<int>(digits.size());
  if (point <= 0) {
    out += "0.";
    append_zeros(out, -point);
    out += digits;
  } else if (point < count) {
    out += digits.substr(0, static_cast<std::size_t>(point));
    out += '.';
    out += digits.substr(static_cast<std::size_t>(point));
  } else {
    out += digits;
    append_zeros(out, point - count);
    out += ".0";
  }
}

void append_hex_escape(std::string& out, char32_t cp) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += "\\u{";
  char buf[8];
  int n = 0;
  do {
    buf[n++] = kHex[cp & 0xFu];
    cp >>= 4;
  } while (cp != 0);
  while (n > 0) out += buf[--n];
  out += '}';
}

bool shows_as_itself(char32_t cp, bool first) {
  if (cp >= 0x20 && cp < 0x7F) return true;
  if (cp < 0xA0) return false;  // C0, DEL, C1
  switch (u_charType(static_cast<UChar32>(cp))) {
    case U_CONTROL_CHAR:
    case U_FORMAT_CHAR:
    case U_SURROGATE:
    case U_PRIVATE_USE_CHAR:
    case U_UNASSIGNED:
    case U_LINE_SEPARATOR:
    case U_PARAGRAPH_SEPARATOR:
    case U_SPACE_SEPARATOR:
      return false;
    default:
      break;
  }
  return !(first && u_hasBinaryProperty(static_cast<UChar32>(cp), UCHAR_GRAPHEME_EXTEND));
}

void append_quoted_valid(std::string& out, std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    // Copy the run of plain printable ASCII in one go.
    std::size_t run = pos;
    while (run < text.size()) {
      const auto b = static_cast<unsigned char>(text[run]);
      if (b < 0x20 || b >= 0x7F || b == '"' || b == '\\') break;
      ++run;
    }
    out.append(text, pos, run - pos);
    if (run == text.size()) break;
    const bool first = run == 0;
    pos = run;
    const std::size_t start = pos;
    const char32_t cp = text::decode_utf8(text, pos);
    switch (cp) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case 0:
        out += "\\0";
        break;
      default:
        if (shows_as_itself(cp, first)) {
          out.append(text, start, pos - start);
        } else {
          append_hex_escape(out, cp);
        }
    }
  }
}

}  // namespace

bool is_yaml_null(std::string_view text) {
  return text == "~" || text == "null" || text == "Null" || text == "NULL";
}

std::optional<bool> parse_yaml_bool(std::string_view text) {
  if (text == "true" || text == "True" || text == "TRUE") return true;
  if (text == "false" || text == "False" || text == "FALSE") return false;
  return std::nullopt;
}

bool is_leading_zero_decimal(std::string_view text) {
  if (starts_with_sign(text)) text.remove_prefix(1);
  if (text.size() < 2 || text[0] != '0') return false;
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  return true;
}

YamlInt parse_yaml_int(std::string_view text) {
  if (!text.empty() && text[0] == '-') {
    const std::string_view rest = text.substr(1);
    for (const Prefix& prefix : kPrefixes) {
      if (rest.substr(0, 2) != prefix.text) continue;
      // A prefixed text that is no number here is no decimal either: it holds a letter.
      if (const auto magnitude = parse_digits(rest.substr(2), prefix.radix)) {
        return negative_int(*magnitude);
      }
      return {};
    }
    if (is_leading_zero_decimal(text)) return {};
    if (const auto magnitude = parse_digits(rest, 10)) return negative_int(*magnitude);
    return {};
  }
  const std::string_view unpositive = !text.empty() && text[0] == '+' ? text.substr(1) : text;
  for (const Prefix& prefix : kPrefixes) {
    if (unpositive.substr(0, 2) != prefix.text) continue;
    const std::string_view digits = unpositive.substr(2);
    if (starts_with_sign(digits)) return {};
    if (const auto magnitude = parse_digits(digits, prefix.radix)) {
      return unsigned_int(*magnitude);
    }
    return {};
  }
  if (is_leading_zero_decimal(text)) return {};
  // parse_digits refuses a second sign along with every other non-digit.
  if (const auto magnitude = parse_digits(unpositive, 10)) return unsigned_int(*magnitude);
  return {};
}

std::optional<double> parse_yaml_float(std::string_view text) {
  std::string_view unpositive = text;
  if (!text.empty() && text[0] == '+') {
    unpositive = text.substr(1);
    if (starts_with_sign(unpositive)) return std::nullopt;
  }
  if (unpositive == ".inf" || unpositive == ".Inf" || unpositive == ".INF") {
    return std::numeric_limits<double>::infinity();
  }
  if (text == "-.inf" || text == "-.Inf" || text == "-.INF") {
    return -std::numeric_limits<double>::infinity();
  }
  if (text == ".nan" || text == ".NaN" || text == ".NAN") {
    return std::numeric_limits<double>::quiet_NaN();
  }
  // Validate first: from_chars also takes "inf", "nan" and stops early on "1e" or "0x".
  if (!is_decimal_number(unpositive)) return std::nullopt;
  double value = 0;
  const char* const first = unpositive.data();
  const char* const last = first + unpositive.size();
  const auto result = std::from_chars(first, last, value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    // Too large is no float (its value would be infinite); too small rounds to zero.
    if (decimal_magnitude(unpositive) > 0) return std::nullopt;
    return unpositive[0] == '-' ? -0.0 : 0.0;
  }
  if (result.ec != std::errc() || result.ptr != last || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

void append_float_shortest(std::string& out, double value) {
  if (std::isnan(value)) {
    out += ".nan";
    return;
  }
  if (std::isinf(value)) {
    out += value < 0 ? "-.inf" : ".inf";
    return;
  }
  const ShortestDigits d = shortest_digits(value);
  if (d.negative) out += '-';
  if (value == 0) {
    out += "0.0";
    return;
  }
  const std::string_view digits(d.digits, static_cast<std::size_t>(d.count));
  if (d.point > -5 && d.point <= 16) {
    append_fixed(out, digits, d.point);
  } else {
    out += digits[0];
    if (d.count > 1) {
      out += '.';
      out += digits.substr(1);
    }
    out += 'e';
    out += std::to_string(d.point - 1);
  }
}

void append_float_plain(std::string& out, double value) {
  if (std::isnan(value)) {
    out += "NaN";
    return;
  }
  if (std::isinf(value)) {
    out += value < 0 ? "-inf" : "inf";
    return;
  }
  const ShortestDigits d = shortest_digits(value);
  if (d.negative) out += '-';
  append_fixed(out, std::string_view(d.digits, static_cast<std::size_t>(d.count)), d.point);
}

void append_quoted_text(std::string& out, std::string_view text) {
  out.reserve(out.size() + text.size() + 2);
  out += '"';
  if (text::is_valid_utf8(text)) {
    append_quoted_valid(out, text);
  } else {
    append_quoted_valid(out, text::lossy_utf8(text));
  }
  out += '"';
}

}  // namespace lorvane::inject
