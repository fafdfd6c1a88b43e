#include "parser/text_parser.hpp"

#include <gtest/gtest.h>

#include <string>

#include "parser/json.hpp"
#include "parser/test_examples.hpp"
#include "parser/test_util.hpp"

namespace lorvane::parser {
namespace {

const std::string kCover = " Author: A\n Version: v2026.04.19\n";

std::string error_of(const std::string& source) {
  const Result<Document> result = parse_text_document(source);
  if (result.ok()) return std::string();
  EXPECT_TRUE(result.error().causes().empty());
  return result.error().message();
}

TEST(ParseTextDocument, NineLineExample) {
  const Result<Document> document = parse_text_document(testing::kNineLineSource);
  ASSERT_TRUE(document.ok()) << document.error().message();
  EXPECT_EQ(*document, testing::nine_line_document());
}

TEST(ParseTextDocument, CoverRepeatsTheFrontMatter) {
  const Result<Document> document = parse_text_document(
      "Title\nSubtitle\n\nDescription\n\n Author: A\n Version: v2026.04.19\n a\n   b\n\n1 S\n\n");
  ASSERT_TRUE(document.ok()) << document.error().message();
  const TextMap metadata = {{"Author", "A"}, {"Version", "v2026.04.19"}, {"_comments", "a\nb"}};
  EXPECT_EQ(document->title, "Title");
  EXPECT_EQ(document->subtitle, "Subtitle");
  EXPECT_EQ(document->description, "Description");
  EXPECT_EQ(document->metadata, metadata);
  EXPECT_EQ(document->node_id, "doc");
  EXPECT_EQ(document->cover, (DocumentCover{"Title", "Subtitle", "Description", metadata}));
  ASSERT_EQ(document->children.size(), 1u);
  EXPECT_EQ(document->children[0].get_if<SectionNode>()->source, SourceLocation{11});

  const Result<Document> bare = parse_text_document("Title\n\n" + kCover + "\n1 S\n\n");
  ASSERT_TRUE(bare.ok()) << bare.error().message();
  EXPECT_FALSE(bare->subtitle);
  EXPECT_FALSE(bare->description);
  EXPECT_EQ(bare->cover, (DocumentCover{"Title", "", "", bare->metadata}));
}

// Each stage runs only once the stages before it have passed on the whole source.
TEST(ParseTextDocument, OrderOfChecks) {
  struct Case {
    const char* name;
    std::string source;
    std::string want;
  };
  const Case cases[] = {
      {"line rules before the title", "\n\nx\t",
       "Line 3: Tab character is forbidden (spaces only)."},
      {"line rules over the body too", "T\n\n" + kCover + "\n1 S\n\ntext \n",
       "Line 8: Trailing whitespace is forbidden."},
      {"carriage return, not trailing space", "a\r",
       "Line 1: Windows-style CR characters are forbidden."},
      {"cover before the body", "T\n\n Author: A\n\n3 S\n\n",
       "Cover validation error: missing mandatory metadata field 'Version'."},
      {"body after the cover", "T\n\n" + kCover + "\n3 S\n\n",
       "Line 6: First section under ROOT must start with 0 or 1."},
      {"no heading: content outside sections at the title", "\n\nTitle\n\n" + kCover,
       "Line 3: Content outside sections is not allowed."},
      {"heading on the last line without a final line feed is front matter",
       "T\n\n" + kCover + "\n1 S",
       "Line 6: Cover Meta / Comment lines must start with at least one leading space."},
      {"empty source", "", "Line 1: Missing Title Paragraph (line 1 must be Title)."},
      {"title only", "Title", "Cover validation error: missing mandatory metadata field 'Author'."},
      {"not UTF-8", "T\xC3\n", "stream did not contain valid UTF-8"},
      {"truncated UTF-8 at the end", "T\n\xF0\x9F", "stream did not contain valid UTF-8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(error_of(c.source), c.want);
  }
}

TEST(ParseTextDocument, HeadingOnTheLastLineBeforeAFinalLineFeed) {
  const Result<Document> document = parse_text_document("T\n\n" + kCover + "\n1 S\n");
  ASSERT_TRUE(document.ok()) << document.error().message();
  EXPECT_EQ(document->children.size(), 1u);
}

TEST(ParseTextDocument, LongestLine) {
  const std::string head = "T\n\n" + kCover + "\n1 S\n\n";
  EXPECT_EQ(error_of(head + std::string(10000, 'x')), "");
  EXPECT_EQ(error_of(head + std::string(10001, 'x')),
            "Line 8: Maximum line length is 10_000 characters.");
}

// Many sections and a chain of 255 levels parse on a small stack: nothing recurses per
// section or per level.
TEST(ParseTextDocument, ManySectionsAndDeepChainOnASmallStack) {
  std::string many = "T\n\n" + kCover + "\n";
  for (int k = 1; k <= 20000; ++k) many += std::to_string(k) + " S\n\ntext\n\n";
  std::string chain = "T\n\n" + kCover + "\n";
  std::string number = "1";
  for (int k = 1; k <= 255; ++k) {
    chain += number + " S\n\n- item\n\n";
    number += ".1";
  }
  std::size_t many_sections = 0;
  std::size_t chain_sections = 0;
  std::string error;
  testing::run_with_small_stack(
      [&] {
        Result<Document> a = parse_text_document(many);
        Result<Document> b = parse_text_document(chain);
        if (!a.ok()) error = a.error().message();
        if (!b.ok()) error = b.error().message();
        if (a.ok()) many_sections = a->children.size();
        if (b.ok()) chain_sections = b->children.size();
      },
      256 * 1024);
  EXPECT_EQ(error, "");
  EXPECT_EQ(many_sections, 20000u);
  EXPECT_EQ(chain_sections, 255u);
}

}  // namespace
}  // namespace lorvane::parser
