#include "parser/json.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "parser/test_examples.hpp"
#include "parser/test_util.hpp"

namespace lorvane::parser {
namespace {

TEST(FormatJsonDouble, Layout) {
  struct Case {
    double value;
    const char* want;
  };
  const Case cases[] = {
      {0.5, "0.5"},
      {2.0, "2.0"},
      {1.0, "1.0"},
      {100.0, "100.0"},
      {1.5, "1.5"},
      {12.25, "12.25"},
      {0.00001, "0.00001"},
      {0.000123, "0.000123"},
      {1e-6, "1e-6"},
      {2.5e-7, "2.5e-7"},
      {1e15, "1000000000000000.0"},
      {1e16, "1e+16"},
      {1.5e16, "1.5e+16"},
      {123456789012345.6, "123456789012345.6"},
      {0.0, "0.0"},
      {-0.0, "-0.0"},
      {-2.5, "-2.5"},
      {5e-324, "5e-324"},
      {1.7976931348623157e308, "1.7976931348623157e+308"},
      {1e100, "1e+100"},
      {0.1 + 0.2, "0.30000000000000004"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.want);
    EXPECT_EQ(format_json_double(c.value), c.want);
  }
}

TEST(AppendJsonString, Escapes) {
  struct Case {
    const char* name;
    std::string input;
    std::string want;
  };
  const Case cases[] = {
      {"plain", "abc", "\"abc\""},
      {"two-character escapes", "\"\\\b\f\n\r\t", R"("\"\\\b\f\n\r\t")"},
      {"other controls", std::string("\x01\x1f\0", 3), R"("\u0001\u001f\u0000")"},
      {"unescaped", "/\x7f\xC3\xA9", "\"/\x7f\xC3\xA9\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string out;
    append_json_string(out, c.input);
    EXPECT_EQ(out, c.want);
  }
}

// The word-at-a-time scan must find an escape at every offset of a longer string.
TEST(AppendJsonString, EscapeAtEveryOffset) {
  for (char special : {'"', '\\', '\n', '\x1f', '\x00', '\x7f', '\x80'}) {
    for (std::size_t length = 1; length <= 40; ++length) {
      for (std::size_t at = 0; at < length; ++at) {
        std::string input(length, 'a');
        input[at] = special;
        std::string want = "\"";
        for (char c : input) {
          if (c == '"') want += "\\\"";
          else if (c == '\\') want += "\\\\";
          else if (c == '\n') want += "\\n";
          else if (c == '\x1f') want += "\\u001f";
          else if (c == '\x00') want += "\\u0000";
          else want += c;
        }
        want += '"';
        std::string out;
        append_json_string(out, input);
        ASSERT_EQ(out, want) << "length " << length << " at " << at;
      }
    }
  }
}

TEST(AppendJsonValue, AllKinds) {
  JsonObject inner{{"b", JsonValue(true)}, {"a", JsonValue(nullptr)}};
  JsonObject object{
      {"u", JsonValue(std::uint64_t{18446744073709551615u})},
      {"n", JsonValue(std::int64_t{-9223372036854775807 - 1})},
      {"f", JsonValue(2.0)},
      {"s", JsonValue(std::string("x"))},
      {"arr", JsonValue(JsonArray{JsonValue(std::uint64_t{1}), JsonValue(JsonArray{})})},
      {"obj", JsonValue(inner)},
      {"empty", JsonValue(JsonObject{})},
      {"Z", JsonValue(false)},
  };
  std::string out;
  append_json_value(out, JsonValue(object), 0);
  EXPECT_EQ(out,
            "{\n"
            "  \"Z\": false,\n"
            "  \"arr\": [\n"
            "    1,\n"
            "    []\n"
            "  ],\n"
            "  \"empty\": {},\n"
            "  \"f\": 2.0,\n"
            "  \"n\": -9223372036854775808,\n"
            "  \"obj\": {\n"
            "    \"a\": null,\n"
            "    \"b\": true\n"
            "  },\n"
            "  \"s\": \"x\",\n"
            "  \"u\": 18446744073709551615\n"
            "}");
}

TEST(DocumentToJson, NineLineExample) {
  EXPECT_EQ(document_to_json(testing::nine_line_document()),
            R"({
  "type": "document",
  "cover": {
    "type": "cover",
    "title": "SIDECAR Capability Demonstration",
    "metadata": {
      "Author": "Jorun Aldane",
      "Version": "v2026.04.19",
      "_comments": "Demo project for SIDECAR capability."
    }
  },
  "title": "SIDECAR Capability Demonstration",
  "metadata": {
    "Author": "Jorun Aldane",
    "Version": "v2026.04.19",
    "_comments": "Demo project for SIDECAR capability."
  },
  "children": [
    {
      "type": "section",
      "number": "1.",
      "title": "Purpose",
      "level": 1,
      "children": [
        {
          "type": "paragraph",
          "text": "The first paragraph is plain source text.",
          "node_id": "p-1.-0"
        }
      ],
      "node_id": "sec-1",
      "source": {
        "line": 7
      }
    }
  ],
  "node_id": "doc"
})");
}

TEST(DocumentToJson, OptionalMembers) {
  Document doc;
  doc.title = "T";
  doc.subtitle = "S";
  doc.description = "";
  doc.cover = DocumentCover{"T", "S", "", {}};
  EXPECT_EQ(document_to_json(doc), R"({
  "type": "document",
  "cover": {
    "type": "cover",
    "title": "T",
    "subtitle": "S"
  },
  "title": "T",
  "subtitle": "S",
  "description": "",
  "children": [],
  "node_id": "doc"
})");
}

TEST(DocumentToJson, EveryNodeKind) {
  Document doc;
  doc.title = "T";
  SectionNode section;
  section.number = "2.3";
  section.title = "S";
  section.level = 2;
  section.node_id = "sec-2.3";
  section.source = SourceLocation{12};
  section.semantic_type = "intro";
  section.render_hints = RenderHints{};
  ListItemNode nested{"two", {}, "li-b"};
  section.children.push_back(BulletListNode{{ListItemNode{"one", {nested}, "li-a"}}, "bl"});
  section.children.push_back(OrderedListNode{{}, "ol"});
  section.children.push_back(ListItemNode{"alone", {}, "li"});
  section.children.push_back(CoverNode{"full", {}, "cv"});
  section.children.push_back(FigureNode{"a.png", "", std::nullopt, "50%",
                                        RenderHints{{"alignment", JsonValue(std::string("c"))}},
                                        "fig"});
  section.children.push_back(CodeBlockNode{std::nullopt, "x", "", std::nullopt, "code"});
  section.children.push_back(
      TableNode{"a,b", std::nullopt, std::vector<std::string>{}, RenderHints{}, "tab"});
  AdmonitionNode note{"note", {}, std::nullopt, "adm"};
  section.children.push_back(note);
  doc.children.push_back(section);
  EXPECT_EQ(document_to_json(doc), R"({
  "type": "document",
  "title": "T",
  "children": [
    {
      "type": "section",
      "number": "2.3",
      "title": "S",
      "level": 2,
      "children": [
        {
          "type": "bullet_list",
          "items": [
            {
              "text": "one",
              "children": [
                {
                  "text": "two",
                  "node_id": "li-b"
                }
              ],
              "node_id": "li-a"
            }
          ],
          "node_id": "bl"
        },
        {
          "type": "ordered_list",
          "items": [],
          "node_id": "ol"
        },
        {
          "type": "list_item",
          "text": "alone",
          "node_id": "li"
        },
        {
          "type": "cover",
          "layout": "full",
          "fields": {},
          "node_id": "cv"
        },
        {
          "type": "figure",
          "src": "a.png",
          "alt": "",
          "width": "50%",
          "render_hints": {
            "alignment": "c"
          },
          "node_id": "fig"
        },
        {
          "type": "code_block",
          "content": "x",
          "caption": "",
          "node_id": "code"
        },
        {
          "type": "table",
          "data_source": "a,b",
          "columns": [],
          "render_hints": {},
          "node_id": "tab"
        },
        {
          "type": "admonition",
          "level": "note",
          "children": [],
          "node_id": "adm"
        }
      ],
      "node_id": "sec-2.3",
      "source": {
        "line": 12
      },
      "semantic_type": "intro",
      "render_hints": {}
    }
  ],
  "node_id": "doc"
})");
}

TEST(DocumentToJson, NestedAdmonitionsCloseInOrder) {
  Document doc;
  doc.title = "T";
  AdmonitionNode inner{"tip", {ParagraphNode{"p", "p0"}}, std::nullopt, "in"};
  AdmonitionNode outer{"note", {inner, ParagraphNode{"q", "p1"}},
                       RenderHints{{"title", JsonValue(std::string("X"))}}, "out"};
  SectionNode section;
  section.number = "1";
  section.level = 1;
  section.node_id = "sec-1";
  section.children.push_back(outer);
  doc.children.push_back(section);
  EXPECT_EQ(document_to_json(doc), R"({
  "type": "document",
  "title": "T",
  "children": [
    {
      "type": "section",
      "number": "1",
      "title": "",
      "level": 1,
      "children": [
        {
          "type": "admonition",
          "level": "note",
          "children": [
            {
              "type": "admonition",
              "level": "tip",
              "children": [
                {
                  "type": "paragraph",
                  "text": "p",
                  "node_id": "p0"
                }
              ],
              "node_id": "in"
            },
            {
              "type": "paragraph",
              "text": "q",
              "node_id": "p1"
            }
          ],
          "render_hints": {
            "title": "X"
          },
          "node_id": "out"
        }
      ],
      "node_id": "sec-1"
    }
  ],
  "node_id": "doc"
})");
}

// The pretty layout indents every level, so the text of a chain grows with the square of
// its depth; 2,000 levels keep it small while a walk that recursed per level would
// overflow the 256 KiB stack it runs on here.
TEST(DocumentToJson, DeepChainOnSmallStack) {
  constexpr int kDepth = 2000;
  NodeList chain;
  for (int i = 0; i < kDepth; ++i) {
    AdmonitionNode wrapper{"note", std::move(chain), std::nullopt, "a"};
    chain = NodeList{};
    chain.push_back(std::move(wrapper));
  }
  Document doc;
  SectionNode section;
  section.children = std::move(chain);
  doc.children.push_back(std::move(section));
  std::string json;
  testing::run_with_small_stack([&] { json = document_to_json(doc); }, 256 * 1024);
  EXPECT_TRUE(json.ends_with("\n  \"node_id\": \"doc\"\n}"));
  std::size_t opened = 0;
  for (std::size_t pos = 0; (pos = json.find("\"admonition\"", pos)) != std::string::npos; ++pos)
    ++opened;
  EXPECT_EQ(opened, static_cast<std::size_t>(kDepth));
}

TEST(WriteDocumentJson, PiecesJoinToTheSameText) {
  // Each document has some megabytes of JSON text, nearly all of it in one block, one
  // text or one metadata value, which must still reach the sink in several pieces.
  auto items = [](std::size_t count, bool nested) {
    std::vector<ListItemNode> out;
    for (std::size_t i = 0; i < count; ++i) {
      ListItemNode item{"item text " + std::to_string(i), {}, "li-" + std::to_string(i)};
      if (nested) item.children.push_back(ListItemNode{"child", {}, "li-c"});
      out.push_back(std::move(item));
    }
    return out;
  };
  NodeList paragraphs;
  for (int i = 0; i < 40000; ++i)
    paragraphs.push_back(ParagraphNode{"paragraph text " + std::to_string(i), "p"});
  // Escapes and two-byte characters throughout, so the pieces cut through both.
  std::string long_text;
  while (long_text.size() < 4'000'000) long_text += "a \"line\" of caf\xC3\xA9 text\n";
  struct Case {
    const char* name;
    NodeList blocks;
    std::string comments;  // for the cover and the metadata, when not empty
  };
  Case cases[] = {
      {"many paragraphs", std::move(paragraphs), ""},
      {"one bullet list with nested items", {BulletListNode{items(20000, true), "bl"}}, ""},
      {"one ordered list", {OrderedListNode{items(40000, false), "ol"}}, ""},
      {"one long paragraph", {ParagraphNode{long_text, "p"}}, ""},
      {"long comments", {}, long_text.substr(0, 2'000'000)},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    Document doc = testing::nine_line_document();
    auto& section = *doc.children[0].get_if<SectionNode>();
    for (Node& block : c.blocks) section.children.push_back(std::move(block));
    if (!c.comments.empty()) doc.metadata["_comments"] = doc.cover->metadata["_comments"] = c.comments;
    const std::string whole = document_to_json(doc);
    std::string joined;
    std::size_t largest = 0;
    write_document_json(doc, [&](std::string_view piece) {
      joined += piece;
      largest = std::max(largest, piece.size());
    });
    EXPECT_EQ(joined, whole);
    EXPECT_LT(largest, whole.size() / 3);
  }
}

}  // namespace
}  // namespace lorvane::parser
