#include "parser/sections.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lorvane::parser {
namespace {

const std::string kArabic3 = "\xD9\xA3";  // U+0663, a decimal digit outside ASCII

class ParseSections : public ::testing::Test {
 protected:
  // Parses `body` as the whole body (it starts at line 0).
  Result<NodeList> parse(const std::string& body) {
    const SourceLines lines(body);
    return parse_sections(lines, 0, patterns.heading, patterns.bullet, patterns.ordered_item);
  }

  // The message of parsing `body`, or "" when it parses.
  std::string error_of(const std::string& body) {
    const Result<NodeList> result = parse(body);
    return result.ok() ? std::string() : result.error().message();
  }

  Patterns patterns = std::move(Patterns::compile()).value();
};

// One heading "{number} T" per entry, each followed by a blank line: heading k stands on
// line 2k+1.
std::string headings(const std::vector<std::string>& numbers) {
  std::string body;
  for (const std::string& number : numbers) body += number + " T\n\n";
  return body;
}

// The number of the heading of `components` components, all 1: "1.1.1...".
std::string ones(std::size_t components) {
  std::string number = "1";
  for (std::size_t i = 1; i < components; ++i) number += ".1";
  return number;
}

TEST_F(ParseSections, NumberingRules) {
  struct Case {
    const char* name;
    std::vector<std::string> numbers;
    std::string want;  // "" when accepted
  };
  const Case cases[] = {
      {"first section 0", {"0", "1"}, ""},
      {"first section with dot", {"1."}, ""},
      {"first section above one",
       {"2."},
       "Line 1: First section under ROOT must start with 0 or 1."},
      {"trailing dot names the same section",
       {"1.", "1"},
       "Line 3: Duplicate section number '1' is forbidden."},
      {"duplicate named as written",
       {"1", "1.1", "1.01."},
       "Line 5: Duplicate section number '1.01' is forbidden."},
      {"leading zeros name the same section",
       {"01.", "1"},
       "Line 3: Duplicate section number '1' is forbidden."},
      {"duplicate before sequence",
       {"1", "2", "1"},
       "Line 5: Duplicate section number '1' is forbidden."},
      {"first subsection 2", {"1", "1.2"}, "Line 3: First subsection must start with 1."},
      {"first subsection 0", {"1", "1.0"}, "Line 3: First subsection must start with 1."},
      {"subsection jump",
       {"1", "1.1", "1.3"},
       "Line 5: Section numbering jump: expected 2, got 3."},
      {"top-level jump", {"0", "2"}, "Line 3: Section numbering jump: expected 1, got 2."},
      {"top-level jump after subsections",
       {"1", "1.1", "3"},
       "Line 5: Section numbering jump: expected 2, got 3."},
      {"missing parent",
       {"1", "2", "3.1"},
       "Line 5: Invalid hierarchy: parent section '3' is missing."},
      {"missing parent before first-subsection rule",
       {"2.2"},
       "Line 1: Invalid hierarchy: parent section '2' is missing."},
      {"missing parent without leading zeros",
       {"1", "01.02.3"},
       "Line 3: Invalid hierarchy: parent section '1.2' is missing."},
      {"only the immediate parent",
       {"1", "1.1.1"},
       "Line 3: Invalid hierarchy: parent section '1.1' is missing."},
      {"sequence per parent", {"1", "2", "1.1", "1.2", "2.1", "1.3", "3"}, ""},
      {"non-ASCII digit", {"1", "1." + kArabic3}, "invalid digit found in string"},
      {"piece too large",
       {"1", "1.99999999999999999999"},
       "number too large to fit in target type"},
      {"number read before the nesting check",
       {ones(300) + "." + kArabic3},
       "invalid digit found in string"},
      {"256 components", {ones(256)}, "Line 1: Section nesting too deep."},
      {"256 components before the duplicate check",
       {"1", ones(256)},
       "Line 3: Section nesting too deep."},
      {"stand-alone line of digits and text is a heading",
       {"1", "2024 was a good"},
       "Line 3: Section numbering jump: expected 2, got 2024."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(error_of(headings(c.numbers)), c.want);
  }
}

TEST_F(ParseSections, ChainOf255LevelsIsAccepted) {
  std::vector<std::string> numbers;
  for (std::size_t k = 1; k <= 255; ++k) numbers.push_back(ones(k));
  const Result<NodeList> sections = parse(headings(numbers));
  ASSERT_TRUE(sections.ok()) << sections.error().message();
  ASSERT_EQ(sections->size(), 255u);
  const SectionNode& deepest = *sections->back().get_if<SectionNode>();
  EXPECT_EQ(deepest.level, 255);
  EXPECT_EQ(deepest.node_id, "sec-" + ones(255));
}

TEST_F(ParseSections, SectionFields) {
  const Result<NodeList> sections =
      parse("1. Purpose\n\nText.\n\n1.1 Figure, Code, and Table\n\n2  \xC2\xA0Spaced\xC2\xA0\n\n");
  ASSERT_TRUE(sections.ok()) << sections.error().message();
  ASSERT_EQ(sections->size(), 3u);
  const SectionNode& first = *(*sections)[0].get_if<SectionNode>();
  EXPECT_EQ(first.number, "1.");
  EXPECT_EQ(first.title, "Purpose");
  EXPECT_EQ(first.level, 1);
  EXPECT_EQ(first.node_id, "sec-1");
  EXPECT_EQ(first.source, SourceLocation{1});
  EXPECT_FALSE(first.semantic_type);
  EXPECT_FALSE(first.render_hints);
  ASSERT_EQ(first.children.size(), 1u);
  EXPECT_EQ(first.children[0], Node(ParagraphNode{"Text.", "p-1.-0"}));
  const SectionNode& second = *(*sections)[1].get_if<SectionNode>();
  EXPECT_EQ(second.number, "1.1");
  EXPECT_EQ(second.title, "Figure, Code, and Table");
  EXPECT_EQ(second.level, 2);
  EXPECT_EQ(second.node_id, "sec-1.1");
  EXPECT_EQ(second.source, SourceLocation{5});
  EXPECT_TRUE(second.children.empty());
  EXPECT_EQ((*sections)[2].get_if<SectionNode>()->title, "Spaced");
}

TEST_F(ParseSections, TitleOfWhiteSpaceOnlyIsEmpty) {
  const Result<NodeList> sections = parse("1\xE3\x80\x80\xE3\x80\x80\n\n");
  ASSERT_TRUE(sections.ok()) << sections.error().message();
  EXPECT_EQ((*sections)[0].get_if<SectionNode>()->title, "");
}

TEST_F(ParseSections, ContentOutsideSections) {
  EXPECT_EQ(error_of("Title\n\n1 A\n\n"), "Line 1: Content outside sections is not allowed.");
  EXPECT_EQ(error_of("\n\nTitle"), "Line 3: Content outside sections is not allowed.");
}

TEST_F(ParseSections, HeadingNeedsALineAfterIt) {
  // Without a final line feed the last line is no heading: it is a paragraph of section 1.
  const Result<NodeList> open = parse("1 A\n\ntext\n\n2 B");
  ASSERT_TRUE(open.ok()) << open.error().message();
  ASSERT_EQ(open->size(), 1u);
  EXPECT_EQ((*open)[0].get_if<SectionNode>()->children.size(), 2u);
  const Result<NodeList> closed = parse("1 A\n\ntext\n\n2 B\n");
  ASSERT_TRUE(closed.ok()) << closed.error().message();
  EXPECT_EQ(closed->size(), 2u);
}

TEST_F(ParseSections, ErrorsInDocumentOrder) {
  // The content of section 1 fails before the bad number of the next heading is seen.
  EXPECT_EQ(error_of("1 A\n\n text\n\n3 B\n\n"),
            "Line 3: Paragraphs must not start with whitespace.");
}

TEST_F(ParseSections, FlatInHeadingOrderWithOwnBlocks) {
  const Result<NodeList> sections = parse("1 A\n\na\n\n2 B\n\nb\n\n1.1 C\n\nc\n\n1.2 D\n\nd\n");
  ASSERT_TRUE(sections.ok()) << sections.error().message();
  const std::vector<std::pair<std::string, std::string>> want = {
      {"1", "p-1-0"}, {"2", "p-2-0"}, {"1.1", "p-1.1-0"}, {"1.2", "p-1.2-0"}};
  ASSERT_EQ(sections->size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    const SectionNode& section = *(*sections)[i].get_if<SectionNode>();
    EXPECT_EQ(section.number, want[i].first);
    ASSERT_EQ(section.children.size(), 1u);
    EXPECT_EQ(section.children[0].get_if<ParagraphNode>()->node_id, want[i].second);
  }
}

}  // namespace
}  // namespace lorvane::parser
