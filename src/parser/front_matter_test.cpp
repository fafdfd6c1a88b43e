#include "parser/front_matter.hpp"

#include <gtest/gtest.h>

#include <string>

namespace lorvane::parser {
namespace {

const std::string kCover = " Author: A\n Version: v2026.04.19\n";
const std::string kBody = "\n1. S\n\n";

class FrontMatterTest : public ::testing::Test {
 protected:
  Result<FrontMatter> parse(const std::string& source) {
    source_ = source;
    lines_ = std::make_unique<SourceLines>(source_);
    return parse_front_matter(*lines_, patterns);
  }

  std::string error_of(const std::string& source) {
    const Result<FrontMatter> result = parse(source);
    return result.ok() ? std::string() : result.error().message();
  }

  Patterns patterns = std::move(Patterns::compile()).value();

 private:
  std::string source_;
  std::unique_ptr<SourceLines> lines_;
};

TEST_F(FrontMatterTest, Bounds) {
  struct Case {
    const char* name;
    std::string source;
    std::size_t want_end;
    std::size_t want_body_start;
  };
  const Case cases[] = {
      {"one line", "1 Title", 1, 0},
      {"heading on line 0", "1 Title\n\nx", 0, 0},
      {"first heading between blank lines", "T\n\n A: b\n\n1. S\n\nx", 4, 4},
      {"heading below a non-blank line does not end it", "T\n1. S\n\nx", 4, 0},
      {"heading as the last line does not end it", "T\n\n1. S", 3, 0},
      {"heading before a final line feed ends it", "T\n\n1. S\n", 2, 2},
      {"no heading", "T\n\nx", 3, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SourceLines lines(c.source);
    const FrontMatterBounds bounds = find_front_matter_end(lines, patterns.heading);
    EXPECT_EQ(bounds.end, c.want_end);
    EXPECT_EQ(bounds.body_start, c.want_body_start);
  }
}

TEST_F(FrontMatterTest, FullFrontMatter) {
  const Result<FrontMatter> front = parse(
      "\n\nThe Title\nThe Subtitle\n\nA description\n  indented second line\n\n"
      " Author: Jorun Aldane\n   (AUTHORs: x)\n a\n   b\n Language: en\n"
      " Status: draft\n comments:   free text\n Version: v2026.04.19-3\n" +
      kBody);
  ASSERT_TRUE(front.ok()) << front.error().message();
  EXPECT_EQ(front->title, "The Title");
  EXPECT_EQ(front->subtitle, "The Subtitle");
  EXPECT_EQ(front->description, "A description\n  indented second line");
  const TextMap want = {{"Author", "Jorun Aldane"},   {"Comments", "free text"},
                        {"Language", "en"},           {"Status", "draft"},
                        {"Version", "v2026.04.19-3"}, {"_comments", "(AUTHORs: x)\na\nb"}};
  EXPECT_EQ(front->metadata, want);
  EXPECT_EQ(front->body_start, 17u);
}

TEST_F(FrontMatterTest, OptionalPartsAbsent) {
  const Result<FrontMatter> front = parse("Title\n\n" + kCover + kBody);
  ASSERT_TRUE(front.ok()) << front.error().message();
  EXPECT_EQ(front->title, "Title");
  EXPECT_FALSE(front->subtitle);
  EXPECT_FALSE(front->description);
  EXPECT_FALSE(front->metadata.contains("_comments"));
}

TEST_F(FrontMatterTest, ValuesAndKeysAreRead) {
  struct Case {
    const char* name;
    std::string cover_line;
    std::string key;
    std::string want;
  };
  const Case cases[] = {
      {"key in other case, spaces before the colon", " AUTHOR : x", "Author", "x"},
      {"value trimmed of Unicode white space", " Status:\xC2\xA0 draft\xC2\xA0", "Status", "draft"},
      {"colon in the value", " Status: a: b", "Status", "a: b"},
      {"comment: key starting with a digit", " 2026: plans", "_comments", "2026: plans"},
      {"comment: dot in the key", " Author.Name: x", "_comments", "Author.Name: x"},
      {"comment: no colon, kept as written", "    Demo project  for SIDECAR.", "_comments",
       "Demo project  for SIDECAR."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const bool is_author = c.key == "Author";
    const std::string cover =
        (is_author ? "" : " Author: A\n") + c.cover_line + "\n Version: v2026.04.19\n";
    const Result<FrontMatter> front = parse("T\n\n" + cover + kBody);
    ASSERT_TRUE(front.ok()) << front.error().message();
    ASSERT_TRUE(front->metadata.contains(c.key));
    EXPECT_EQ(front->metadata.at(c.key), c.want);
  }
}

TEST_F(FrontMatterTest, Errors) {
  struct Case {
    const char* name;
    std::string source;
    std::string want;
  };
  const Case cases[] = {
      {"empty source", "", "Line 1: Missing Title Paragraph (line 1 must be Title)."},
      {"only blank lines", "\n\n", "Line 1: Missing Title Paragraph (line 1 must be Title)."},
      {"title that is a heading", "2026 Report\n\n" + kCover,
       "Line 1: Missing Title Paragraph (line 1 must be Title)."},
      {"indented title", " Title\n\n" + kCover,
       "Line 1: Title Paragraph lines must not start with whitespace."},
      {"cover line directly below the title", "Title\n Author: A\n",
       "Line 1: Title Paragraph lines must not start with whitespace."},
      {"three title lines, late", "\n\n\nA\nB\nC\n\n" + kCover,
       "Line 1: Title Paragraph may contain maximum 2 lines (title + optional subtitle)."},
      {"indentation checked before the count", "A\nB\n C\n",
       "Line 1: Title Paragraph lines must not start with whitespace."},
      {"second unindented paragraph", "T\n\nDescription\n\nMore\n\n" + kCover,
       "Line 5: Cover Meta / Comment lines must start with at least one leading space."},
      {"metadata line directly below the description belongs to it",
       "T\n\nDescription\n Author: A\n",
       "Cover validation error: missing mandatory metadata field 'Author'."},
      {"empty value", "T\n\n Author:\n", "Line 3: Metadata 'Author' must have a non-empty value."},
      {"empty value of an unknown key", "T\n\n Foo:\xC2\xA0\n",
       "Line 3: Metadata 'Foo' must have a non-empty value."},
      {"unknown key", "T\n\n Foo: bar\n", "Line 3: Unknown metadata key 'Foo' is forbidden in v1."},
      {"unknown key that reads like a note", "T\n\n note: see below\n",
       "Line 3: Unknown metadata key 'note' is forbidden in v1."},
      {"key trimmed in the message", "T\n\n Author Name : x\n",
       "Line 3: Unknown metadata key 'Author Name' is forbidden in v1."},
      {"duplicate named canonically", "T\n\n AUTHOR : x\n author: y\n",
       "Line 4: Duplicate metadata key 'Author' is forbidden."},
      {"cover lines in line order", "T\n\n Foo: x\n Author:\n",
       "Line 3: Unknown metadata key 'Foo' is forbidden in v1."},
      {"title only", "Title", "Cover validation error: missing mandatory metadata field 'Author'."},
      {"no version", "T\n\n Author: A\n",
       "Cover validation error: missing mandatory metadata field 'Version'."},
      {"author checked before version", "T\n\n Version: x\n",
       "Cover validation error: missing mandatory metadata field 'Author'."},
      {"version without v", "T\n\n Author: A\n Version: 2026.04.19\n",
       "Cover validation error: 'Version' must match vYYYY.MM.DD or vYYYY.MM.DD-XXX."},
      {"version with short month", "T\n\n Author: A\n Version: v2026.4.19\n",
       "Cover validation error: 'Version' must match vYYYY.MM.DD or vYYYY.MM.DD-XXX."},
      {"version before language", "T\n\n Author: A\n Version: x\n Language: EN\n",
       "Cover validation error: 'Version' must match vYYYY.MM.DD or vYYYY.MM.DD-XXX."},
      {"language upper case", "T\n\n" + kCover + " Language: EN\n",
       "Cover validation error: 'Language' should be a short lowercase code like 'en' or 'hu'."},
      {"language one letter", "T\n\n" + kCover + " Language: e\n",
       "Cover validation error: 'Language' should be a short lowercase code like 'en' or 'hu'."},
      {"language with digit", "T\n\n" + kCover + " Language: english1\n",
       "Cover validation error: 'Language' should be a short lowercase code like 'en' or 'hu'."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Result<FrontMatter> result = parse(c.source);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().message(), c.want);
    EXPECT_TRUE(result.error().causes().empty());
  }
}

TEST_F(FrontMatterTest, AcceptedShapes) {
  const std::string fullwidth = "\xEF\xBC\x91";  // U+FF11
  std::string wide_version = "v";
  for (int i = 0; i < 4; ++i) wide_version += fullwidth;
  wide_version += "." + fullwidth + fullwidth + "." + fullwidth + fullwidth;
  const std::string sources[] = {
      "T\n\n Author: A\n Version: v2026.04.19\n Language: hu\n",
      "T\n\n Author: A\n Version: " + wide_version + "\n",
      "Description-free title\n\n\n\n Author: A\n\n\n Version: v2026.04.19\n",
      "T\nSub\n\nDesc 1\n\n Author: A\n Version: v2026.04.19\n" + kBody,
  };
  for (const std::string& source : sources) {
    SCOPED_TRACE(source);
    EXPECT_EQ(error_of(source), "");
  }
}

TEST_F(FrontMatterTest, DescriptionThatIsAHeadingEndsTheFrontMatter) {
  // "2 Intro" stands alone between blank lines: it is the first section, so the cover
  // lines after it are body, and the front matter has no description.
  const Result<FrontMatter> front = parse("T\n\n Author: A\n Version: v2026.04.19\n\n2 Intro\n\nx");
  ASSERT_TRUE(front.ok()) << front.error().message();
  EXPECT_FALSE(front->description);
  EXPECT_EQ(front->body_start, 5u);
}

}  // namespace
}  // namespace lorvane::parser
