#include "parser/content.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lorvane::parser {
namespace {

const std::string kNbsp = "\xC2\xA0";
const std::string kArabic3 = "\xD9\xA3";  // U+0663, a decimal digit outside ASCII

ListItemNode item(std::string text, std::string id, std::vector<ListItemNode> children = {}) {
  return ListItemNode{std::move(text), std::move(children), std::move(id)};
}

// Parses `content` as the content of section "1.", whose heading stands on line 1 with
// a blank line after it, as in a source; content lines are numbered from 3.
class SectionContentTest : public ::testing::Test {
 protected:
  Result<SectionContent> parse(const std::string& content) {
    source_ = "1. S\n\n" + content;
    lines_ = std::make_unique<SourceLines>(source_);
    const BodyContext context{*lines_, 0, patterns.heading, patterns.bullet, patterns.ordered_item};
    return parse_section_content(context, 1, "1.");
  }

  std::string error_of(const std::string& content) {
    const Result<SectionContent> result = parse(content);
    return result.ok() ? std::string() : result.error().message();
  }

  NodeList blocks_of(const std::string& content) {
    Result<SectionContent> result = parse(content);
    EXPECT_TRUE(result.ok()) << result.error().message();
    return result.ok() ? std::move(result->blocks) : NodeList();
  }

  Patterns patterns = std::move(Patterns::compile()).value();

 private:
  std::string source_;
  std::unique_ptr<SourceLines> lines_;
};

TEST_F(SectionContentTest, BlockKindsAndIdentifiers) {
  const NodeList blocks = blocks_of(
      "First paragraph\nstill first.\n\n"
      "1) one\n2)   two  \xC2\xA0\n\n"
      "Second.\n\n"
      "- a\n  - b\n    - c\n- d\n");
  const NodeList want = {
      ParagraphNode{"First paragraph\nstill first.", "p-1.-0"},
      OrderedListNode{{item("one", "li-1.-o0-0"), item("two", "li-1.-o0-1")}, "ol-1.-0"},
      ParagraphNode{"Second.", "p-1.-1"},
      BulletListNode{{item("a", "li-1.-b1-0", {item("b", "li-1.-b1-1", {item("c", "li-1.-b1-2")})}),
                      item("d", "li-1.-b1-3")},
                     "bl-1.-1"},
  };
  EXPECT_EQ(blocks, want);
}

TEST_F(SectionContentTest, BlocksEndEachOther) {
  struct Case {
    const char* name;
    std::string content;
    NodeList want;
  };
  // Blocks and gaps of more than a few dozen lines, noted in more than one byte.
  std::string long_list;
  OrderedListNode long_list_node{{}, "ol-1.-0"};
  for (int k = 1; k <= 40; ++k) {
    long_list += std::to_string(k) + ") x\n";
    long_list_node.items.push_back(item("x", "li-1.-o0-" + std::to_string(k - 1)));
  }
  const Case cases[] = {
      {"long blocks and long gaps",
       "a\n" + std::string(300, '\n') + long_list + std::string(100, '\n') + "b\n",
       {ParagraphNode{"a", "p-1.-0"}, long_list_node, ParagraphNode{"b", "p-1.-1"}}},
      {"ordered item then bullet at column 0",
       "1) x\n- y\n",
       {OrderedListNode{{item("x", "li-1.-o0-0")}, "ol-1.-0"},
        BulletListNode{{item("y", "li-1.-b1-0")}, "bl-1.-1"}}},
      {"bullet run then unindented text",
       "- y\nafter\n",
       {BulletListNode{{item("y", "li-1.-b0-0")}, "bl-1.-0"}, ParagraphNode{"after", "p-1.-0"}}},
      {"paragraph ends at an ordered item",
       "text\n1) x",
       {ParagraphNode{"text", "p-1.-0"}, OrderedListNode{{item("x", "li-1.-o0-0")}, "ol-1.-0"}}},
      {"indented paragraph lines are kept, ends trimmed",
       "a\n  b\n c" + kNbsp,
       {ParagraphNode{"a\n  b\n c", "p-1.-0"}}},
      {"heading-shaped line below a paragraph line continues it",
       "text\n2. More\n\n",
       {ParagraphNode{"text\n2. More", "p-1.-0"}}},
      {"heading-shaped line followed by text begins a paragraph",
       "2. More\ntext\n",
       {ParagraphNode{"2. More\ntext", "p-1.-0"}}},
      {"list at the end of the source",
       "1) x\n2) y",
       {OrderedListNode{{item("x", "li-1.-o0-0"), item("y", "li-1.-o0-1")}, "ol-1.-0"}}},
      {"leading zeros in item numbers",
       "01) First\n002) Second",
       {OrderedListNode{{item("First", "li-1.-o0-0"), item("Second", "li-1.-o0-1")}, "ol-1.-0"}}},
      {"bullet tree 0, 2, 0",
       "- a\n  - b\n- c",
       {BulletListNode{
           {item("a", "li-1.-b0-0", {item("b", "li-1.-b0-1")}), item("c", "li-1.-b0-2")},
           "bl-1.-0"}}},
      {"no-break space indentation is one level",
       "- a\n" + kNbsp + "- b",
       {BulletListNode{{item("a", "li-1.-b0-0", {item("b", "li-1.-b0-1")})}, "bl-1.-0"}}},
      {"two children, then back to the top",
       "- a\n  - b\n  - c\n- d",
       {BulletListNode{{item("a", "li-1.-b0-0", {item("b", "li-1.-b0-1"), item("c", "li-1.-b0-2")}),
                        item("d", "li-1.-b0-3")},
                       "bl-1.-0"}}},
      {"each bullet run keeps its own levels",
       "- a\n  - b\n\ntext\n\n- c\n- d\n  - e\n    - f",
       {BulletListNode{{item("a", "li-1.-b0-0", {item("b", "li-1.-b0-1")})}, "bl-1.-0"},
        ParagraphNode{"text", "p-1.-0"},
        BulletListNode{{item("c", "li-1.-b1-0"),
                        item("d", "li-1.-b1-1", {item("e", "li-1.-b1-2", {item("f", "li-1.-b1-3")})})},
                       "bl-1.-1"}}},
      {"back two levels at once",
       "- a\n  - b\n    - c\n- d\n  - e",
       {BulletListNode{
           {item("a", "li-1.-b0-0", {item("b", "li-1.-b0-1", {item("c", "li-1.-b0-2")})}),
            item("d", "li-1.-b0-3", {item("e", "li-1.-b0-4")})},
           "bl-1.-0"}}},
      {"bullet text of white space only is empty",
       "- " + kNbsp,
       {BulletListNode{{item("", "li-1.-b0-0")}, "bl-1.-0"}}},
      {"blank lines leave no trace", "\n\n" + kNbsp + "\na\n\n\n", {ParagraphNode{"a", "p-1.-0"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(blocks_of(c.content), c.want);
  }
}

TEST_F(SectionContentTest, StopsAtTheNextHeading) {
  const Result<SectionContent> content = parse("text\n\n1.1 Next\n\nmore\n");
  ASSERT_TRUE(content.ok()) << content.error().message();
  EXPECT_EQ(content->next, 4u);
  EXPECT_EQ(content->blocks.size(), 1u);
  const Result<SectionContent> to_end = parse("text\n");
  ASSERT_TRUE(to_end.ok());
  EXPECT_EQ(to_end->next, 4u);
}

TEST_F(SectionContentTest, Errors) {
  struct Case {
    const char* name;
    std::string content;
    std::string want;
  };
  const Case cases[] = {
      {"indented text at block start", " text",
       "Line 3: Paragraphs must not start with whitespace."},
      {"indented text after a bullet run", "- a\n text",
       "Line 4: Paragraphs must not start with whitespace."},
      {"two ordered lists: the second restarts", "1) a\n\n2) b",
       "Line 5: Numbered list must be sequential: expected 1, got 2."},
      {"ordered list from 0", "0) a",
       "Line 3: Numbered list must be sequential: expected 1, got 0."},
      {"ordered list skipping", "1) a\n2) b\n4) c",
       "Line 5: Numbered list must be sequential: expected 3, got 4."},
      {"indented item after an item", "1) a\n 2) b",
       "Line 4: Ordered list items must start at column 0."},
      {"nested bullet after an item", "1) a\n  - b",
       "Line 4: Ordered list items must start at column 0."},
      {"indented text after an item", "1) a\n   more",
       "Line 4: Ordered list items must start at column 0."},
      {"column rule before the sequence rule", "1) a\n 5) b",
       "Line 4: Ordered list items must start at column 0."},
      {"non-ASCII item number", kArabic3 + ") a", "invalid digit found in string"},
      {"item number too large", "1) a\n99999999999999999999) b",
       "number too large to fit in target type"},
      {"indented bullet after a paragraph line", "text\n  - b",
       "Line 4: Invalid nested bullet structure."},
      {"level jump 0, 4", "- a\n    - b", "Line 4: Nested bullet list level jump is not allowed."},
      {"odd indentation 0, 1", "- a\n - b",
       "Line 4: Nested bullet indentation must use exact 2-space steps."},
      {"depth 0, 2, 4, 6", "- a\n  - b\n    - c\n      - d",
       "Line 6: Nested bullet list maximum depth is 3 levels (0..2 indentation levels)."},
      {"run checks before the structure check", "  - a\n  - b\n   - c",
       "Line 5: Nested bullet indentation must use exact 2-space steps."},
      {"first entry two levels in", "    - a", "Line 3: Invalid nested bullet structure."},
      {"odd no-break indentation", "- a\n " + kNbsp + "- b",
       "Line 4: Nested bullet indentation must use exact 2-space steps."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Result<SectionContent> result = parse(c.content);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().message(), c.want);
    EXPECT_TRUE(result.error().causes().empty());
  }
}

}  // namespace
}  // namespace lorvane::parser
