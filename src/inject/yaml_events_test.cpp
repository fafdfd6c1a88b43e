#include "inject/yaml_events.hpp"

#include <gtest/gtest.h>

namespace lorvane::inject {
namespace {

using Kind = YamlEventKind;

YamlEvents read(std::string_view text) { return YamlEventReader(text).read_first_document(); }

TEST(YamlEvents, KindsMarksAndChildCounts) {
  // Marks are where libyaml starts each node: a block mapping at its first key, a flow
  // collection at its bracket, columns counted in characters.
  const YamlEvents doc = read("a: [1, \xC3\xA9]\nb:\n  - x\n");
  struct Want {
    Kind kind;
    std::uint64_t line, column, size;
  };
  const Want want[] = {
      {Kind::kMappingStart, 0, 0, 4},  {Kind::kScalar, 0, 0, 1},
      {Kind::kSequenceStart, 0, 3, 2}, {Kind::kScalar, 0, 4, 1},
      {Kind::kScalar, 0, 7, 2},        {Kind::kSequenceEnd, 0, 8, 0},
      {Kind::kScalar, 1, 0, 1},        {Kind::kSequenceStart, 2, 2, 1},
      {Kind::kScalar, 2, 4, 1},        {Kind::kSequenceEnd, 3, 0, 0},
      {Kind::kMappingEnd, 3, 0, 0},
  };
  ASSERT_FALSE(doc.error);
  ASSERT_EQ(doc.events.size(), std::size(want));
  for (std::size_t i = 0; i < std::size(want); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(doc.events[i].kind, want[i].kind);
    EXPECT_EQ(doc.events[i].mark.line, want[i].line);
    EXPECT_EQ(doc.events[i].mark.column, want[i].column);
    EXPECT_EQ(doc.events[i].size, want[i].size);
  }
  EXPECT_EQ(doc.value(doc.events[4]), "\xC3\xA9");
  EXPECT_TRUE(doc.events[1].plain);
}

TEST(YamlEvents, EmptyStreamsGiveOneEmptyEvent) {
  for (const char* text : {"", "# only a comment\n\n", "\n\n"}) {
    SCOPED_TRACE(text);
    YamlEventReader reader(text);
    const YamlEvents doc = reader.read_first_document();
    ASSERT_EQ(doc.events.size(), 1u);
    EXPECT_EQ(doc.events[0].kind, Kind::kEmpty);
    EXPECT_FALSE(doc.error);
    EXPECT_FALSE(reader.has_more_documents());
  }
}

TEST(YamlEvents, AnchorsServeTheAliasesAfterThem) {
  const YamlEvents doc = read("- &a 1\n- *a\n- &a [2]\n- *a\n");
  ASSERT_FALSE(doc.error);
  ASSERT_EQ(doc.events.size(), 8u);
  EXPECT_EQ(doc.events[2].kind, Kind::kAlias);
  EXPECT_EQ(doc.events[2].size, 1u);  // the scalar 1
  EXPECT_EQ(doc.events[6].kind, Kind::kAlias);
  EXPECT_EQ(doc.events[6].size, 3u);  // the sequence [2]
}

TEST(YamlEvents, UnknownAnchorStopsCollecting) {
  const YamlEvents doc = read("- 1\n- *nowhere\n- 3\n");
  ASSERT_TRUE(doc.error);
  EXPECT_EQ(doc.error->message(), "unknown anchor at line 2 column 3");
  EXPECT_EQ(doc.events.size(), 2u);
}

TEST(YamlEvents, TagsAsExpanded) {
  const YamlEvents doc = read(
      "%TAG !e! tag:example.com,2026:\n%TAG !l! !local-\n---\n"
      "[!!int 1, !!bool a, !!float b, !!null c, !!str d, !point e, ! f, !e!g h, !l!i j,"
      " !<!verbatim> k, !<tag:x> l, m]\n");
  ASSERT_FALSE(doc.error);
  struct Want {
    YamlTagKind tag;
    const char* name;
  };
  const Want want[] = {
      {YamlTagKind::kInt, ""},          {YamlTagKind::kBool, ""},
      {YamlTagKind::kFloat, ""},        {YamlTagKind::kNull, ""},
      {YamlTagKind::kOther, ""},        {YamlTagKind::kLocal, "point"},
      {YamlTagKind::kLocal, "!"},       {YamlTagKind::kOther, ""},
      {YamlTagKind::kLocal, "local-i"}, {YamlTagKind::kLocal, "verbatim"},
      {YamlTagKind::kOther, ""},        {YamlTagKind::kNone, ""},
  };
  ASSERT_EQ(doc.events.size(), std::size(want) + 2);
  for (std::size_t i = 0; i < std::size(want); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(doc.events[i + 1].tag, want[i].tag);
    EXPECT_EQ(doc.tag_name(doc.events[i + 1]), want[i].name);
  }
}

TEST(YamlEvents, LibyamlErrorTexts) {
  struct Case {
    const char* name;
    std::string text;
    std::string want;
  };
  const Case cases[] = {
      {"problem and context at two places", "key: [a, b\nother: c\n",
       "did not find expected ',' or ']' at line 2 column 6, while parsing a flow sequence at "
       "line 1 column 6"},
      {"context at the start is not printed", "a:\n  b: 1\n c: 2\n",
       "did not find expected key at line 3 column 2, while parsing a block mapping"},
      {"problem alone", "a: b\n c: d\n",
       "mapping values are not allowed in this context at line 2 column 3"},
      {"both at the start", "@x\n",
       "found character that cannot start any token, while scanning for the next token"},
      {"reader error at an offset", "a: \x01\n",
       "control characters are not allowed at position 3"},
      {"reader error at offset 0", "\x01", "control characters are not allowed"},
      {"invalid UTF-8", "ab\xFF", "invalid leading UTF-8 octet at position 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const YamlEvents doc = read(c.text);
    ASSERT_TRUE(doc.error);
    EXPECT_EQ(doc.error->message(), c.want);
  }
}

TEST(YamlEvents, MoreDocuments) {
  struct Case {
    const char* text;
    bool more;
  };
  const Case cases[] = {
      {"a\n", false},        {"a\n...\n", false},   {"---\na\n", false},   {"a\n---\n", true},
      {"a\n---\nb\n", true}, {"a\n...\nb\n", true}, {"a\n...\n]\n", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    YamlEventReader reader(c.text);
    const YamlEvents doc = reader.read_first_document();
    ASSERT_FALSE(doc.error);
    EXPECT_EQ(reader.has_more_documents(), c.more);
  }
}

TEST(YamlEvents, DeepFlowNestingStopsAtTheLimit) {
  // A million brackets: reading stops at the 129th, so this stays linear.
  const std::string text(1'000'000, '[');
  const YamlEvents doc = read(text);
  ASSERT_TRUE(doc.error);
  EXPECT_EQ(doc.error->message(), "recursion limit exceeded at line 1 column 129");
  EXPECT_EQ(doc.events.size(), kYamlNestingLimit + 1);
  EXPECT_EQ(doc.counted_past_stop, 1u);  // the 130th bracket ends the count
  // Block nesting is read on: libyaml's work does not grow with it.
  std::string block;
  for (int i = 0; i < 200; ++i) block += "- ";
  block += "x\n";
  EXPECT_FALSE(read(block).error);
}

TEST(YamlEvents, EventsPastTheStopAreCountedNotKept) {
  const std::string open(129, '[');
  const std::string close(129, ']');
  const std::string tag_prefix = "%TAG !e! !" + std::string(100'000, 'p') + "\n---\n";
  std::string tags;
  for (int i = 0; i < 200; ++i) tags += "!e!x 1, ";
  struct Case {
    const char* name;
    std::string text;
    std::uint64_t past;
  };
  const Case cases[] = {
      {"to the document's end", open + "&n a, !t b, *n, c" + close + "\n", 4 + 129},
      {"to a second document", open + close + "\n--- x\n", 129},
      {"to an alias of no anchor", open + "a, *n, b" + close, 1},
      {"to libyaml's error", open + "a, }" + close, 1},
      {"to a 130th flow collection", open + "a, {b: [c]}" + close, 2},
      // The tag budget ends the count as well, after about twenty of these tags.
      {"to the tag budget", tag_prefix + open + tags + close, 20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const YamlEvents doc = read(c.text);
    ASSERT_TRUE(doc.error);
    EXPECT_EQ(doc.error->message().rfind("recursion limit exceeded at line ", 0), 0u);
    EXPECT_EQ(doc.events.size(), kYamlNestingLimit + 1);
    EXPECT_EQ(doc.counted_past_stop, c.past);
    EXPECT_EQ(doc.event_count(), doc.events.size() + c.past);
    EXPECT_TRUE(doc.arena.empty());  // no scalar or tag name past the stop is kept
  }
}

TEST(YamlEvents, TagBudget) {
  // A %TAG prefix is copied into every tag that uses it.
  std::string text = "%TAG !e! !" + std::string(100'000, 'p') + "\n---\n[";
  for (int i = 0; i < 200; ++i) text += "!e!x 1, ";
  text += "]\n";
  const YamlEvents doc = read(text);
  ASSERT_TRUE(doc.error);
  EXPECT_EQ(doc.error->message(), "repetition limit exceeded");
}

}  // namespace
}  // namespace lorvane::inject
