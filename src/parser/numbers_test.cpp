#include "parser/numbers.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lorvane::parser {
namespace {

constexpr const char* kInvalid = "invalid digit found in string";
constexpr const char* kTooLarge = "number too large to fit in target type";
const std::string kArabic3 = "\xD9\xA3";  // U+0663, a decimal digit outside ASCII

TEST(ParseDecimalU64, Cases) {
  struct Case {
    const char* name;
    std::string text;
    std::uint64_t want_value;
    const char* want_error;  // null: parses
  };
  const Case cases[] = {
      {"zero", "0", 0, nullptr},
      {"leading zeros", "0001", 1, nullptr},
      {"maximum", "18446744073709551615", 18446744073709551615ull, nullptr},
      {"maximum with leading zeros", "000018446744073709551615", 18446744073709551615ull, nullptr},
      {"maximum plus one", "18446744073709551616", 0, kTooLarge},
      {"twenty nines", "99999999999999999999", 0, kTooLarge},
      {"non-ASCII digit", kArabic3, 0, kInvalid},
      {"non-ASCII digit after digits", "12" + kArabic3, 0, kInvalid},
      {"overflow before the bad digit", "99999999999999999999" + kArabic3, 0, kTooLarge},
      {"bad digit before the overflow", "1" + kArabic3 + "99999999999999999999", 0, kInvalid},
      {"letter", "1a", 0, kInvalid},
      {"sign", "+1", 0, kInvalid},
      {"empty", "", 0, kInvalid},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Result<std::uint64_t> got = parse_decimal_u64(c.text);
    if (c.want_error) {
      ASSERT_FALSE(got.ok());
      EXPECT_EQ(got.error().message(), c.want_error);
      EXPECT_TRUE(got.error().causes().empty());
    } else {
      ASSERT_TRUE(got.ok()) << got.error().message();
      EXPECT_EQ(*got, c.want_value);
    }
  }
}

TEST(ParseSectionNumber, ComponentsAndFirstFailingPiece) {
  struct Case {
    const char* name;
    std::string bare;
    std::vector<std::uint64_t> want;
    const char* want_error;
  };
  const Case cases[] = {
      {"one", "1", {1}, nullptr},
      {"three", "1.2.3", {1, 2, 3}, nullptr},
      {"leading zeros", "01.02", {1, 2}, nullptr},
      {"first failing piece wins: invalid",
       "1." + kArabic3 + ".99999999999999999999",
       {},
       kInvalid},
      {"first failing piece wins: too large", "1.99999999999999999999." + kArabic3, {}, kTooLarge},
      {"trailing dot leaves an empty piece", "1.", {}, kInvalid},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint64_t> got = {7, 7, 7, 7};  // left by an earlier heading
    const Status status = parse_section_number_into(c.bare, got);
    if (c.want_error) {
      ASSERT_FALSE(status.ok());
      EXPECT_EQ(status.error().message(), c.want_error);
    } else {
      ASSERT_TRUE(status.ok()) << status.error().message();
      EXPECT_EQ(got, c.want);
    }
  }
}

TEST(NextNumberComponent, YieldsEachPieceThenStops) {
  std::size_t pos = 0;
  auto first = next_number_component("3.20", pos);
  ASSERT_TRUE(first && first->ok());
  EXPECT_EQ(first->value(), 3u);
  auto second = next_number_component("3.20", pos);
  ASSERT_TRUE(second && second->ok());
  EXPECT_EQ(second->value(), 20u);
  EXPECT_FALSE(next_number_component("3.20", pos));
}

TEST(JoinSectionNumber, DecimalWithoutLeadingZeros) {
  EXPECT_EQ(join_section_number({1, 20, 0}), "1.20.0");
  EXPECT_EQ(join_section_number({}), "");
  EXPECT_EQ(join_section_number({1, 2}), "1.2");
  EXPECT_EQ(join_section_number({18446744073709551615ull}), "18446744073709551615");
}

}  // namespace
}  // namespace lorvane::parser
