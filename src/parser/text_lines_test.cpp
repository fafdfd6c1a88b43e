#include "parser/text_lines.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lorvane::parser {
namespace {

const std::string kNbsp = "\xC2\xA0";
const std::string kMongolian = "\xE1\xA0\x8E";  // U+180E, not white space

std::vector<std::string> split(const SourceLines& lines) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < lines.size(); ++i) out.emplace_back(lines[i]);
  return out;
}

// Every SourceLines test runs on both entry sizes; only sources of gigabytes take the
// eight-byte form on their own.
class SourceLinesTest : public ::testing::TestWithParam<std::size_t> {
 protected:
  SourceLines lines_of(std::string_view source) const { return SourceLines(source, GetParam()); }
};

INSTANTIATE_TEST_SUITE_P(EntrySizes, SourceLinesTest,
                         ::testing::Values(SourceLines::kNarrowLimit, std::size_t{0}),
                         [](const auto& param_info) { return param_info.param == 0 ? "Wide" : "Narrow"; });

TEST_P(SourceLinesTest, SplitsAtEveryLineFeed) {
  struct Case {
    const char* name;
    std::string source;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {"empty source is one empty line", "", {""}},
      {"final line feed gives an empty last line", "a\n", {"a", ""}},
      {"carriage return stays in its line", "a\r\nb", {"a\r", "b"}},
      {"blank lines kept", "a\n\n\nb", {"a", "", "", "b"}},
      {"only line feeds", "\n\n", {"", "", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(split(lines_of(c.source)), c.want);
  }
}

TEST_P(SourceLinesTest, BlankIsEmptyAfterUnicodeTrim) {
  const std::string source = "\n   \n" + kNbsp + "\n" + kNbsp + "x\n\xE3\x80\x80\n" + kMongolian +
                             "\n\v\f\nx";
  const SourceLines lines = lines_of(source);
  const bool want[] = {true, true, true, false, true, false, true, false};
  ASSERT_EQ(lines.size(), std::size(want));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(lines.is_blank(i), want[i]);
  }
}

TEST_P(SourceLinesTest, JoinedIsTheSourceSpan) {
  const std::string source = "a\n  b\nc\n";
  const SourceLines lines = lines_of(source);
  EXPECT_EQ(lines.joined(0, 1), "a");
  EXPECT_EQ(lines.joined(0, 3), "a\n  b\nc");
  EXPECT_EQ(lines.joined(1, 4), "  b\nc\n");
  EXPECT_EQ(lines.joined(0, 3).data(), source.data());
}

TEST(CheckLineRules, MessagesAndOrder) {
  struct Case {
    const char* name;
    std::string source;
    std::string want;  // empty: passes
  };
  std::string three_byte;
  for (int i = 0; i < 4000; ++i) three_byte += "\xE2\x82\xAC";  // U+20AC
  const Case cases[] = {
      {"empty lines pass", "\n\n", ""},
      {"tab", "a\n\tb", "Line 2: Tab character is forbidden (spaces only)."},
      {"carriage return", "a\r\nb", "Line 1: Windows-style CR characters are forbidden."},
      {"carriage return before trailing space", "a \r",
       "Line 1: Windows-style CR characters are forbidden."},
      {"tab before carriage return", "\ra\t", "Line 1: Tab character is forbidden (spaces only)."},
      {"tab before trailing space", "a\t ", "Line 1: Tab character is forbidden (spaces only)."},
      {"trailing space", "a\nb \n", "Line 2: Trailing whitespace is forbidden."},
      {"only spaces", "a\n   \nb", "Line 2: Trailing whitespace is forbidden."},
      {"trailing no-break space passes", "a" + kNbsp + "\n" + kNbsp, ""},
      {"10000 characters pass", std::string(10000, 'x'), ""},
      {"10001 characters fail", "a\n" + std::string(10001, 'x'),
       "Line 2: Maximum line length is 10_000 characters."},
      {"4000 three-byte characters pass", three_byte, ""},
      {"code points are counted, not bytes", three_byte + three_byte + three_byte,
       "Line 1: Maximum line length is 10_000 characters."},
      {"length after the other rules", std::string(10001, 'x') + " ",
       "Line 1: Trailing whitespace is forbidden."},
      {"lines in order", "a \n\tb", "Line 1: Trailing whitespace is forbidden."},
      {"last line checked too", "a\nb\nc\t", "Line 3: Tab character is forbidden (spaces only)."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Status status = check_line_rules(SourceLines(c.source));
    EXPECT_EQ(status.ok() ? std::string() : status.error().message(), c.want);
    if (!status.ok()) {
      EXPECT_TRUE(status.error().causes().empty());
    }
  }
}

class LineFacilities : public ::testing::Test {
 protected:
  Patterns patterns = std::move(Patterns::compile()).value();
};

TEST_F(LineFacilities, IsHeadingLine) {
  struct Case {
    const char* name;
    std::string source;
    std::size_t line;
    std::size_t body_start;
    bool want;
  };
  const Case cases[] = {
      {"blank lines around", "T\n\n1. A\n\nx", 2, 0, true},
      {"first line", "1. A\n\nx", 0, 5, true},
      {"first line needs a blank line after", "1. A\nx", 0, 0, false},
      {"last line has no line after", "T\n\n1. A", 2, 0, false},
      {"last text line before a final line feed", "T\n\n1. A\n", 2, 0, true},
      {"directly below a non-blank line", "T\n1. A\n\nx", 1, 0, false},
      {"at body start below a non-blank line", "T\n1. A\n\nx", 1, 1, true},
      {"not heading-shaped", "T\n\nA 1\n\nx", 2, 0, false},
      {"no-break space line counts as blank", "T\n" + kNbsp + "\n1 A\n" + kNbsp, 2, 0, true},
      {"past the end", "T", 5, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SourceLines lines(c.source);
    EXPECT_EQ(is_heading_line(lines, c.line, c.body_start, patterns.heading), c.want);
  }
}

TEST_F(LineFacilities, CollectParagraphLines) {
  const SourceLines lines("a\n  b\n1. H\n- c\n1) d\n\ne\n\n1 H\n\n");
  const ParagraphStops all{&patterns.heading, 0, &patterns.bullet, &patterns.ordered_item};
  const ParagraphStops bullets{nullptr, 0, &patterns.bullet, nullptr};
  const ParagraphStops ordered{nullptr, 0, nullptr, &patterns.ordered_item};
  struct Case {
    const char* name;
    std::size_t end;
    std::size_t start;
    ParagraphStops stops;
    std::size_t want_next;
  };
  const Case cases[] = {
      {"start at end", 3, 3, {}, 3},
      {"start past end", 2, 4, {}, 4},
      {"no patterns: only a blank line stops", 10, 0, {}, 5},
      {"no patterns: end stops", 3, 0, {}, 3},
      {"bullet stops", 10, 0, bullets, 3},
      {"ordered item stops", 10, 0, ordered, 4},
      {"heading-shaped line inside a run does not stop", 10, 0, all, 3},
      {"starting on a blank line", 10, 5, all, 5},
      {"heading stops", 10, 8, all, 8},
      {"heading pattern ignored without its stop", 10, 8, bullets, 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const LineRun run = collect_paragraph_lines(lines, c.end, c.start, c.stops);
    EXPECT_EQ(run.start, c.start);
    EXPECT_EQ(run.next, c.want_next);
  }
}

TEST(LineError, NamesTheLine) {
  EXPECT_EQ(line_error(12, "Paragraphs must not start with whitespace.").message(),
            "Line 12: Paragraphs must not start with whitespace.");
}

}  // namespace
}  // namespace lorvane::parser
