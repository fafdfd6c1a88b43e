#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The spellings that a YAML scalar's text can take (null, booleans, integers, floats) and
// the text forms of numbers and texts used in messages. Pure functions over bytes.
namespace lorvane::inject {

/// "~", "null", "Null" or "NULL" (not the empty text: callers decide on that).
bool is_yaml_null(std::string_view text);

/// true for "true", "True", "TRUE"; false for "false", "False", "FALSE"; else none.
std::optional<bool> parse_yaml_bool(std::string_view text);

/// A decimal of two or more digits that begins with "0", after one optional sign
/// ("007", "+00", "-012"): such a text is never a number when written plain.
bool is_leading_zero_decimal(std::string_view text);

/// The integer read of a text.
struct YamlInt {
  enum class Kind {
    kNone,          ///< not in the integer form, or beyond 128 bits
    kUnsigned,      ///< 0..2^64-1 in `unsigned_value` (also -0 and +5)
    kNegative,      ///< -2^63..-1 in `negative_value`
    kWideUnsigned,  ///< 2^64..2^128-1: a load error; `decimal` holds the number
    kWideNegative,  ///< -2^127..-2^63-1: a load error; `decimal` holds the number
  };
  Kind kind = Kind::kNone;
  std::uint64_t unsigned_value = 0;
  std::int64_t negative_value = 0;
  std::string decimal;
};

/// Reads the integer form: an optional "+", then "0x"/"0o"/"0b" and digits of that base
/// (no sign after the prefix) or decimal digits; or "-" then a prefix and digits, or
/// decimal digits. Leading-zero decimals are not integers.
YamlInt parse_yaml_int(std::string_view text);

/// Reads the float form: an optional "+" (not followed by another sign), then ".inf"
/// (also ".Inf", ".INF"), or, unsigned, ".nan" ("NaN", "NAN"), or "-.inf" and its
/// spellings, or a decimal number with optional sign, fraction and exponent whose value
/// is finite. NaN is always the positive quiet NaN. Leading-zero decimals are not
/// excluded here (callers that must exclude them test `is_leading_zero_decimal`).
std::optional<double> parse_yaml_float(std::string_view text);

/// Appends `value` as the fewest digits that read back to it: plain decimal with ".0"
/// for whole numbers while the decimal exponent allows (1e15 -> 1000000000000000.0,
/// 0.0001), scientific beyond (1e16, 1.5e-7); ".inf", "-.inf", ".nan" for the others.
void append_float_shortest(std::string& out, double value);

/// Appends `value` in plain decimal notation with the fewest digits that read back to
/// it, never with an exponent, ".0" added when there is no decimal point (2 -> 2.0,
/// 1e20 -> 100000000000000000000.0); "inf", "-inf", "NaN" for the others.
void append_float_plain(std::string& out, double value);

/// Appends `text` in double quotes with a backslash before `"` and `\`, \n \r \t \0 for
/// those four, and \u{hex} for every other character that would not show as itself:
/// Unicode general categories Cc, Cf, Cs, Co, Cn, Zl, Zp and Zs other than U+0020, and
/// a combining (Grapheme_Extend) character at the very start, where it would merge with
/// the opening quote. An invalid UTF-8 byte is shown as U+FFFD.
void append_quoted_text(std::string& out, std::string_view text);

}  // namespace lorvane::inject
