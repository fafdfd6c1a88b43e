#include "inject/yaml_scalar.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace lorvane::inject {
namespace {

// The integer read as one comparable text: "u:5", "i:-5", "u128:...", "i128:...", "-".
std::string int_form(std::string_view text) {
  const YamlInt n = parse_yaml_int(text);
  switch (n.kind) {
    case YamlInt::Kind::kUnsigned:
      return "u:" + std::to_string(n.unsigned_value);
    case YamlInt::Kind::kNegative:
      return "i:" + std::to_string(n.negative_value);
    case YamlInt::Kind::kWideUnsigned:
      return "u128:" + n.decimal;
    case YamlInt::Kind::kWideNegative:
      return "i128:" + n.decimal;
    case YamlInt::Kind::kNone:
      break;
  }
  return "-";
}

TEST(YamlInt, Forms) {
  struct Case {
    const char* text;
    const char* want;
  };
  const Case cases[] = {
      {"0", "u:0"},
      {"10", "u:10"},
      {"+5", "u:5"},
      {"-0", "u:0"},
      {"+0", "u:0"},
      {"-5", "i:-5"},
      {"0x10", "u:16"},
      {"0xfF", "u:255"},
      {"+0x10", "u:16"},
      {"-0x10", "i:-16"},
      {"-0x0", "u:0"},
      {"0o17", "u:15"},
      {"-0o17", "i:-15"},
      {"0b101", "u:5"},
      {"-0b101", "i:-5"},
      {"18446744073709551615", "u:18446744073709551615"},
      {"18446744073709551616", "u128:18446744073709551616"},
      {"+18446744073709551616", "u128:18446744073709551616"},
      {"-9223372036854775808", "i:-9223372036854775808"},
      {"-9223372036854775809", "i128:-9223372036854775809"},
      {"0xffffffffffffffff", "u:18446744073709551615"},
      {"0x10000000000000000", "u128:18446744073709551616"},
      {"-0x8000000000000000", "i:-9223372036854775808"},
      {"340282366920938463463374607431768211455", "u128:340282366920938463463374607431768211455"},
      {"-170141183460469231731687303715884105728",
       "i128:-170141183460469231731687303715884105728"},
      // Beyond 128 bits: no integer (a decimal is then tried as a float).
      {"340282366920938463463374607431768211456", "-"},
      {"-170141183460469231731687303715884105729", "-"},
      {"0x100000000000000000000000000000000", "-"},
      // Not the integer form.
      {"010", "-"},
      {"+00", "-"},
      {"-012", "-"},
      {"007", "-"},
      {"0X1F", "-"},
      {"0x", "-"},
      {"0x-5", "-"},
      {"0x+5", "-"},
      {"-0x-5", "-"},
      {"+-5", "-"},
      {"-+5", "-"},
      {"++5", "-"},
      {"+", "-"},
      {"-", "-"},
      {"", "-"},
      {"1_000", "-"},
      {"0o8", "-"},
      {"0b2", "-"},
      {"1.0", "-"},
      {" 1", "-"},
      {"\xD9\xA1", "-"},  // ARABIC-INDIC DIGIT ONE
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(int_form(c.text), c.want);
  }
}

TEST(YamlFloat, Forms) {
  struct Case {
    const char* text;
    std::optional<double> want;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {"2.3", 2.3},
      {"2.", 2.0},
      {".5", 0.5},
      {"-.5", -0.5},
      {"+.5", 0.5},
      {"1e3", 1000.0},
      {"-2.5E-3", -0.0025},
      {"1e+3", 1000.0},
      {"00.5", 0.5},
      {"10", 10.0},
      {".inf", inf},
      {".Inf", inf},
      {"+.INF", inf},
      {"-.inf", -inf},
      {"-.Inf", -inf},
      {"1e-400", 0.0},  // too small rounds to zero
      {"123456789012345678901234567890123456789012345", 1.2345678901234567e44},
      {"2.3.1", std::nullopt},
      {"1.2.", std::nullopt},
      {".", std::nullopt},
      {"e3", std::nullopt},
      {"1e", std::nullopt},
      {"1e+", std::nullopt},
      {"+-1", std::nullopt},
      {"++1", std::nullopt},
      {"inf", std::nullopt},
      {"nan", std::nullopt},
      {"Infinity", std::nullopt},
      {"+.nan", std::nullopt},
      {"-.nan", std::nullopt},
      {".NAn", std::nullopt},
      {"1e400", std::nullopt},  // too large
      {"-1e400", std::nullopt},
      {"0x10", std::nullopt},
      {"0x1p3", std::nullopt},
      {"1,5", std::nullopt},
      {" 1.5", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto got = parse_yaml_float(c.text);
    ASSERT_EQ(got.has_value(), c.want.has_value());
    if (got) {
      EXPECT_EQ(*got, *c.want);
    }
  }
  EXPECT_TRUE(std::signbit(*parse_yaml_float("-1e-400")));
  for (const char* nan : {".nan", ".NaN", ".NAN"}) {
    const auto got = parse_yaml_float(nan);
    ASSERT_TRUE(got && std::isnan(*got)) << nan;
    EXPECT_FALSE(std::signbit(*got));
  }
}

TEST(YamlScalarWords, NullBoolAndLeadingZeros) {
  for (const char* word : {"~", "null", "Null", "NULL"}) EXPECT_TRUE(is_yaml_null(word)) << word;
  for (const char* word : {"", "nULL", "none", "~~"}) EXPECT_FALSE(is_yaml_null(word)) << word;
  for (const char* word : {"true", "True", "TRUE"}) EXPECT_EQ(parse_yaml_bool(word), true);
  for (const char* word : {"false", "False", "FALSE"}) EXPECT_EQ(parse_yaml_bool(word), false);
  for (const char* word : {"yes", "no", "on", "off", "tRUE", "y"}) {
    EXPECT_EQ(parse_yaml_bool(word), std::nullopt) << word;
  }
  for (const char* text : {"00", "007", "+00", "-012"}) EXPECT_TRUE(is_leading_zero_decimal(text));
  for (const char* text : {"0", "-0", "10", "00.5", "0x1", "+-01"}) {
    EXPECT_FALSE(is_leading_zero_decimal(text)) << text;
  }
}

TEST(YamlFloatText, ShortestAndPlain) {
  struct Case {
    double value;
    const char* shortest;
    const char* plain;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {2.0, "2.0", "2.0"},
      {2.3, "2.3", "2.3"},
      {0.0, "0.0", "0.0"},
      {-0.0, "-0.0", "-0.0"},
      {1.5, "1.5", "1.5"},
      {-2.5, "-2.5", "-2.5"},
      {0.1, "0.1", "0.1"},
      {1e15, "1000000000000000.0", "1000000000000000.0"},
      {1e16, "1e16", "10000000000000000.0"},
      {1e20, "1e20", "100000000000000000000.0"},
      {1.5e20, "1.5e20", "150000000000000000000.0"},
      {123456.789, "123456.789", "123456.789"},
      {0.0001, "0.0001", "0.0001"},
      {0.00001, "0.00001", "0.00001"},
      {1e-6, "1e-6", "0.000001"},
      {1.5e-7, "1.5e-7", "0.00000015"},
      {5e-324, "5e-324", nullptr},
      {inf, ".inf", "inf"},
      {-inf, "-.inf", "-inf"},
      {std::numeric_limits<double>::quiet_NaN(), ".nan", "NaN"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shortest);
    std::string shortest;
    append_float_shortest(shortest, c.value);
    EXPECT_EQ(shortest, c.shortest);
    if (c.plain != nullptr) {
      std::string plain;
      append_float_plain(plain, c.value);
      EXPECT_EQ(plain, c.plain);
    }
  }
  // The largest double in plain notation: 309 digits, then ".0".
  std::string plain;
  append_float_plain(plain, std::numeric_limits<double>::max());
  EXPECT_EQ(plain.size(), 311u);
  EXPECT_EQ(plain.substr(0, 17), "17976931348623157");
  EXPECT_EQ(plain.substr(305), "0000.0");
}

TEST(YamlQuotedText, Escapes) {
  struct Case {
    const char* name;
    std::string text;
    std::string want;
  };
  const Case cases[] = {
      {"plain", "figure", "\"figure\""},
      {"empty", "", "\"\""},
      {"quote and backslash", "a\"b\\c", "\"a\\\"b\\\\c\""},
      {"single quote kept", "it's", "\"it's\""},
      {"named controls", std::string("\n\r\t\0", 4), "\"\\n\\r\\t\\0\""},
      {"other controls", "\x01\x1b\x7f", "\"\\u{1}\\u{1b}\\u{7f}\""},
      {"next line", "a\xC2\x85" "b", "\"a\\u{85}b\""},
      {"no-break space", "a\xC2\xA0" "b", "\"a\\u{a0}b\""},
      {"line separator", "\xE2\x80\xA8", "\"\\u{2028}\""},
      {"zero width space", "\xE2\x80\x8B", "\"\\u{200b}\""},
      {"byte order mark", "\xEF\xBB\xBF", "\"\\u{feff}\""},
      {"private use", "\xEE\x80\x80", "\"\\u{e000}\""},
      {"unassigned", "\xCD\xB8", "\"\\u{378}\""},
      {"letters and symbols", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\""},
      {"combining mark after a letter", "e\xCC\x81", "\"e\xCC\x81\""},
      {"combining mark first", "\xCC\x81" "e", "\"\\u{301}e\""},
      {"invalid byte", "a\xFF" "b", "\"a\xEF\xBF\xBD" "b\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string out = "string ";
    append_quoted_text(out, c.text);
    EXPECT_EQ(out, "string " + c.want);
  }
}

}  // namespace
}  // namespace lorvane::inject
