#include "parser/text.hpp"

#include <gtest/gtest.h>

namespace lorvane::text {
namespace {

TEST(WhiteSpace, ExactlyTheTwentyFiveCodePoints) {
  int count = 0;
  for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) count += is_white_space(cp);
  EXPECT_EQ(count, 25);
  EXPECT_TRUE(is_white_space(0x3000));
  EXPECT_TRUE(is_white_space(0x85));
  EXPECT_FALSE(is_white_space(0x180E));  // Mongolian vowel separator: not White_Space
  EXPECT_FALSE(is_white_space(0x200B));  // zero width space
  EXPECT_FALSE(is_white_space(0xFEFF));
}

TEST(Utf8, Validity) {
  struct Case {
    const char* name;
    std::string bytes;
    bool valid;
  };
  const Case cases[] = {
      {"empty", "", true},
      {"ascii", "hello world, long enough for the fast path", true},
      {"two byte", "\xC3\xA9", true},
      {"three byte", "\xE2\x82\xAC", true},
      {"four byte max", "\xF4\x8F\xBF\xBF", true},
      {"overlong two byte", "\xC0\xAF", false},
      {"overlong three byte", "\xE0\x80\xAF", false},
      {"overlong four byte", "\xF0\x80\x80\xAF", false},
      {"surrogate", "\xED\xA0\x80", false},
      {"above max", "\xF4\x90\x80\x80", false},
      {"truncated", "abc\xE2\x82", false},
      {"lone continuation", "\x80", false},
      {"invalid lead", "\xFF", false},
      {"nul is valid", std::string("a\0b", 3), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(is_valid_utf8(c.bytes), c.valid);
  }
}

TEST(Utf8, DecodeEncodeRoundTrip) {
  for (char32_t cp : {char32_t(0x41), char32_t(0xE9), char32_t(0x20AC), char32_t(0x1F600)}) {
    std::string s;
    append_utf8(s, cp);
    std::size_t pos = 0;
    EXPECT_EQ(decode_utf8(s, pos), cp);
    EXPECT_EQ(pos, s.size());
    std::size_t end = s.size();
    EXPECT_EQ(decode_utf8_backward(s, end), cp);
    EXPECT_EQ(end, 0u);
  }
  EXPECT_EQ(count_code_points("a\xC3\xA9\xE2\x82\xAC"), 3u);
}

TEST(Trim, UnicodeWhiteSpaceAtBothEnds) {
  EXPECT_EQ(trim("  a b \t"), "a b");
  EXPECT_EQ(trim("\xC2\xA0x\xE3\x80\x80"), "x");
  EXPECT_EQ(trim("\xE1\xA0\x8Ex"), "\xE1\xA0\x8Ex");  // U+180E stays
  EXPECT_EQ(trim_start(" \n x "), "x ");
  EXPECT_EQ(trim_end(" x \r"), " x");
  EXPECT_TRUE(is_blank(""));
  EXPECT_TRUE(is_blank(" \xC2\xA0 "));
  EXPECT_FALSE(is_blank(" . "));
}

TEST(LossyUtf8, ReplacesEachIllFormedPart) {
  EXPECT_EQ(lossy_utf8("ok"), "ok");
  EXPECT_EQ(lossy_utf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(lossy_utf8("\x80\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(lossy_utf8("\xE2\x82" "x"), "\xEF\xBF\xBD" "x");
  EXPECT_EQ(lossy_utf8("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace lorvane::text
