#include "parser/pattern.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "parser/text.hpp"
#include "parser/text_lines.hpp"

namespace lorvane::parser {
namespace {

// A few code points as UTF-8, for readable cases.
const std::string kNbsp = "\xC2\xA0";            // U+00A0, white space
const std::string kIdeoSpace = "\xE3\x80\x80";   // U+3000, white space
const std::string kMongolian = "\xE1\xA0\x8E";   // U+180E, not white space
const std::string kNel = "\xC2\x85";             // U+0085, white space, no line end here
const std::string kLineSep = "\xE2\x80\xA8";     // U+2028
const std::string kArabic3 = "\xD9\xA3";         // U+0663 ARABIC-INDIC DIGIT THREE
const std::string kFullwidth1 = "\xEF\xBC\x91";  // U+FF11 FULLWIDTH DIGIT ONE

const Patterns& patterns() {
  static const Patterns compiled = std::move(Patterns::compile()).value();
  return compiled;
}

// The white space table against the library's own White_Space property, for every code
// point: the scanners made from the table (`is_white_space`, `white_space_length`, the
// pattern class) must each see exactly what the property holds.
TEST(WhiteSpaceTable, AgreesWithTheLibraryPropertyForEveryCodePoint) {
  const Result<Pattern> property = Pattern::compile(R"(^\p{White_Space}$)");
  const Result<Pattern> table_class = Pattern::compile("^" + white_space_class() + "$");
  ASSERT_TRUE(property.ok() && table_class.ok());
  std::string mismatches;
  for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;  // surrogates are no scalar values
    std::string utf8;
    text::append_utf8(utf8, cp);
    const bool want = property->matches(utf8);
    const std::size_t want_length = want ? utf8.size() : 0;
    if (text::is_white_space(cp) != want || table_class->matches(utf8) != want ||
        text::white_space_length(utf8, 0) != want_length ||
        text::white_space_length(utf8 + "x", 0) != want_length) {
      char hex[16];
      std::snprintf(hex, sizeof hex, " U+%04X", static_cast<unsigned>(cp));
      if (mismatches.size() < 200) mismatches += hex;
    }
  }
  EXPECT_EQ(mismatches, "");
}

TEST(WhiteSpaceTable, LengthOfTruncatedOrInvalidBytesIsZero) {
  const struct {
    const char* name;
    std::string bytes;
    std::size_t want;
  } cases[] = {
      {"ideographic space", kIdeoSpace, 3},
      {"no-break space", kNbsp, 2},
      {"ASCII space", " ", 1},
      {"truncated ideographic space", kIdeoSpace.substr(0, 2), 0},
      {"truncated no-break space", kNbsp.substr(0, 1), 0},
      {"lone continuation byte", "\x80", 0},
      {"overlong space", "\xC0\xA0", 0},
      {"not white space", kMongolian, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(text::white_space_length(c.bytes, 0), c.want);
  }
}

struct Case {
  const char* name;
  const Pattern* pattern;
  std::string subject;
  bool want_match;
  std::string group1 = {};
  std::string group2 = {};
};

TEST(Patterns, MatchesAndCaptures) {
  const Patterns& p = patterns();
  const Case cases[] = {
      {"heading with dot", &p.heading, "1. Purpose", true, "1.", "Purpose"},
      {"heading two levels", &p.heading, "2.2 Figure, Code, and Table", true, "2.2",
       "Figure, Code, and Table"},
      {"heading trailing dot after levels", &p.heading, "1.2. T", true, "1.2.", "T"},
      {"heading needs white space", &p.heading, "1.Purpose", false},
      {"heading needs text", &p.heading, "1.", false},
      {"heading two dots", &p.heading, "1.. T", false},
      {"heading leading zero", &p.heading, "01. Intro", true, "01.", "Intro"},
      {"heading white space greedy", &p.heading, "1   x", true, "1", "x"},
      {"heading no-break space", &p.heading, "1" + kNbsp + "x", true, "1", "x"},
      {"heading title of white space", &p.heading, "1" + kIdeoSpace + kIdeoSpace, true, "1",
       kIdeoSpace},
      {"heading U+180E is no white space", &p.heading, "1" + kMongolian + "x", false},
      {"heading Arabic-Indic digit", &p.heading, kArabic3 + " x", true, kArabic3, "x"},
      {"heading full-width digit", &p.heading, "1." + kFullwidth1 + " x", true, "1." + kFullwidth1,
       "x"},
      {"heading dot matches U+2028 and U+0085", &p.heading, "1 a" + kLineSep + kNel, true, "1",
       "a" + kLineSep + kNel},
      {"heading not at start", &p.heading, " 1 x", false},
      {"bullet", &p.bullet, "- item", true, "", "item"},
      {"bullet indented", &p.bullet, "    - deep", true, "    ", "deep"},
      {"bullet no-break indentation", &p.bullet, kNbsp + "- x", true, kNbsp, "x"},
      {"bullet dash in text", &p.bullet, "- - x", true, "", "- x"},
      {"bullet needs white space after dash", &p.bullet, "-x", false},
      {"bullet needs text", &p.bullet, "- ", false},
      {"bullet text of white space", &p.bullet, "- " + kNbsp, true, "", kNbsp},
      {"bullet U+180E is no indentation", &p.bullet, kMongolian + "- x", false},
      {"ordered", &p.ordered_item, "1) First", true, "1", "First"},
      {"ordered leading zeros", &p.ordered_item, "01) First", true, "01", "First"},
      {"ordered Arabic-Indic digit", &p.ordered_item, kArabic3 + ") x", true, kArabic3, "x"},
      {"ordered needs parenthesis", &p.ordered_item, "1. x", false},
      {"ordered needs white space", &p.ordered_item, "1)x", false},
      {"cover meta", &p.cover_meta, "Author: Jorun Aldane", true, "Author", "Jorun Aldane"},
      {"cover meta key with space", &p.cover_meta, "AUTHOR : x", true, "AUTHOR ", "x"},
      {"cover meta empty value", &p.cover_meta, "Author:", true, "Author", ""},
      {"cover meta first colon", &p.cover_meta, "note: see: below", true, "note", "see: below"},
      {"cover meta key must start with a letter", &p.cover_meta, "2026: plans", false},
      {"cover meta no dot in key", &p.cover_meta, "Author.Name: x", false},
      {"cover meta no colon", &p.cover_meta, "Demo project.", false},
      {"version", &p.version, "v2026.04.19", true},
      {"version with suffix", &p.version, "v2026.04.19-3", true},
      {"version without v", &p.version, "2026.04.19", false},
      {"version short month", &p.version, "v2026.4.19", false},
      {"version full-width digits", &p.version,
       "v" + kFullwidth1 + kFullwidth1 + kFullwidth1 + kFullwidth1 + "." + kFullwidth1 +
           kFullwidth1 + "." + kFullwidth1 + kFullwidth1,
       true},
      {"version trailing text", &p.version, "v2026.04.19x", false},
      {"language", &p.language, "en", true},
      {"language eight letters", &p.language, "abcdefgh", true},
      {"language upper case", &p.language, "EN", false},
      {"language one letter", &p.language, "e", false},
      {"language digit", &p.language, "english1", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::array<std::string_view, 2> groups;
    ASSERT_EQ(c.pattern->match(c.subject, groups), c.want_match);
    EXPECT_EQ(c.pattern->matches(c.subject), c.want_match);
    if (!c.want_match) continue;
    EXPECT_EQ(groups[0], c.group1);
    EXPECT_EQ(groups[1], c.group2);
  }
}

// The cheap first-byte tests must never turn a match into a miss.
TEST(Patterns, PrefilterNeverChangesAResult) {
  const Patterns& p = patterns();
  const std::vector<std::string> subjects = {"",
                                             "1 x",
                                             "1) x",
                                             "- x",
                                             "  - x",
                                             "x",
                                             kNbsp + "- x",
                                             kArabic3 + " x",
                                             kArabic3 + ") x",
                                             kFullwidth1 + ". x",
                                             "\v- x",
                                             kIdeoSpace + "- x",
                                             "-",
                                             " 1 x",
                                             kMongolian + "- x"};
  struct Pair {
    const Pattern* filtered;
    const char* source;
  };
  const Pair pairs[] = {{&p.heading, R"(^(\d+(?:\.\d+)*\.?)\p{White_Space}+(.+)$)"},
                        {&p.bullet, R"(^(\p{White_Space}*)-\p{White_Space}+(.+)$)"},
                        {&p.ordered_item, R"(^(\d+)\)\p{White_Space}+(.+)$)"}};
  for (const Pair& pair : pairs) {
    const Pattern plain = std::move(Pattern::compile(pair.source)).value();
    for (const std::string& subject : subjects) {
      SCOPED_TRACE(std::string(pair.source) + " on '" + subject + "'");
      EXPECT_EQ(pair.filtered->matches(subject), plain.matches(subject));
    }
  }
}

// The longest lines the format allows, shaped to make the matcher work hard: they must
// still match (or not) exactly as their shape says.
TEST(Patterns, LongestLines) {
  const Patterns& p = patterns();
  std::string components = "1";
  while (components.size() + 2 <= 9997) components += ".1";
  EXPECT_TRUE(p.heading.matches(components + " x"));
  EXPECT_FALSE(p.heading.matches(components + ".x"));
  EXPECT_TRUE(p.heading.matches(std::string(9998, '9') + " x"));
  EXPECT_FALSE(p.heading.matches(std::string(10000, '9')));
  std::string white;
  for (int i = 0; i < 4990; ++i) white += kNbsp;
  EXPECT_TRUE(p.bullet.matches(white + "- x"));
  EXPECT_FALSE(p.bullet.matches(white + "x"));
  EXPECT_TRUE(p.heading.matches("1" + white + "x"));
  EXPECT_TRUE(p.heading.matches("1 " + std::string(9997, 'x')));
  EXPECT_TRUE(p.cover_meta.matches("a" + std::string(9990, ' ') + ":" + std::string(8, 'x')));
  EXPECT_FALSE(p.cover_meta.matches("a" + std::string(9998, ' ')));
}

TEST(Pattern, InvalidSourceFailsWithTheLibraryMessage) {
  Result<Pattern> pattern = Pattern::compile("(unclosed");
  ASSERT_FALSE(pattern.ok());
  EXPECT_NE(pattern.error().message(), "");
}

TEST(Pattern, MovedPatternStillMatches) {
  Pattern a = std::move(Pattern::compile("^a+$")).value();
  Pattern b = std::move(a);
  EXPECT_TRUE(b.matches("aaa"));
  Pattern c = std::move(Pattern::compile("^b$")).value();
  c = std::move(b);
  EXPECT_TRUE(c.matches("a"));
  EXPECT_FALSE(c.matches("b"));
}

}  // namespace
}  // namespace lorvane::parser
