#include "render/outline.hpp"

#include <gtest/gtest.h>

#include <random>

#include "render/blocks.hpp"
#include "render/templates.hpp"
#include "render/test_util.hpp"
#include "render/testing/reference.hpp"

namespace lorvane::render {
namespace {

using parser::Document;
using parser::DocumentCover;
using parser::Node;
using parser::NodeList;
using parser::ParagraphNode;
using parser::SectionNode;
using reference::build_outline_tree;
using reference::OutlineEntry;
using reference::render_outline_items;

std::string render_outline(const NodeList& children, std::optional<std::uint8_t> max_depth) {
  std::string out;
  append_outline_html(out, children, max_depth);
  return out;
}

Node section(std::string number, std::string title, std::uint8_t level, std::string node_id) {
  SectionNode s;
  s.number = std::move(number);
  s.title = std::move(title);
  s.level = level;
  s.node_id = std::move(node_id);
  return s;
}

/// Sections "1" to "n" with the given levels (identifiers "sec-{i}").
NodeList sections_at(const std::vector<int>& levels) {
  NodeList list;
  for (std::size_t i = 0; i < levels.size(); ++i)
    list.push_back(section(std::to_string(i), "T", static_cast<std::uint8_t>(levels[i]),
                           "sec-" + std::to_string(i)));
  return list;
}

std::string leaf(const std::string& anchor, const std::string& label) {
  return "<li><div class=\"lrv-outline-row\"><span class=\"lrv-outline-spacer\" "
         "aria-hidden=\"true\"></span><a class=\"lrv-outline-link\" href=\"#" +
         anchor + "\">" + label + "</a></div></li>";
}

/// The shape of an outline: "(" and ")" around children, "+"/"-" for open/closed details,
/// "." for a leaf; entries named by their anchors.
std::string shape(const std::vector<OutlineEntry>& entries) {
  std::string out;
  for (const OutlineEntry& e : entries) {
    out += e.anchor;
    if (!e.children.empty()) out += "(" + shape(e.children) + ")";
    out += " ";
  }
  return out;
}

TEST(RenderOutline, ExampleByteForByte) {
  const NodeList children = {section("1.", "Purpose", 1, "sec-1"),
                             section("1.1", "Scope", 2, "sec-1.1"),
                             section("2.", "Design", 1, "sec-2")};
  EXPECT_EQ(
      render_outline(children, std::nullopt),
      "<ul class=\"lrv-outline-tree\"><li><details open><summary><div class=\"lrv-outline-row\">"
      "<span class=\"lrv-outline-toggle\" aria-hidden=\"true\"></span><a "
      "class=\"lrv-outline-link\" "
      "href=\"#sec-1\">1. Purpose</a></div></summary><ul><li><div class=\"lrv-outline-row\"><span "
      "class=\"lrv-outline-spacer\" aria-hidden=\"true\"></span><a class=\"lrv-outline-link\" "
      "href=\"#sec-1-1\">1.1 Scope</a></div></li></ul></details></li><li><div "
      "class=\"lrv-outline-row\"><span class=\"lrv-outline-spacer\" aria-hidden=\"true\"></span><a "
      "class=\"lrv-outline-link\" href=\"#sec-2\">2. Design</a></div></li></ul>");
}

TEST(RenderOutline, EmptyAndNonSections) {
  EXPECT_EQ(render_outline({}, std::nullopt), "<ul class=\"lrv-outline-tree\"></ul>");
  const NodeList only_paragraphs = {ParagraphNode{"p", "p"}};
  EXPECT_EQ(render_outline(only_paragraphs, 3), "<ul class=\"lrv-outline-tree\"></ul>");
}

TEST(RenderOutline, LabelAndAnchorAreEscaped) {
  const NodeList children = {section("1.", "A <b> & \"c\"", 1, ""), section("2.", "x", 1, "id\"q")};
  EXPECT_EQ(render_outline(children, std::nullopt),
            "<ul class=\"lrv-outline-tree\">" +
                leaf("1-a-b-c", "1. A &lt;b&gt; &amp; &quot;c&quot;") + leaf("idq", "2. x") +
                "</ul>");
}

TEST(BuildOutlineTree, Nesting) {
  struct Case {
    const char* name;
    std::vector<int> levels;
    std::string want;
  };
  const Case cases[] = {
      {"1 2 3 1 3: chain, leaf, dropped", {1, 2, 3, 1, 3}, "sec-0(sec-1(sec-2 ) ) sec-3 "},
      {"entries before the first level-1 entry are dropped", {2, 3, 1}, "sec-2 "},
      {"siblings", {1, 2, 2, 2}, "sec-0(sec-1 sec-2 sec-3 ) "},
      {"back up two levels", {1, 2, 3, 2, 1}, "sec-0(sec-1(sec-2 ) sec-3 ) sec-4 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<OutlineEntry> flat;
    for (std::size_t i = 0; i < c.levels.size(); ++i) {
      OutlineEntry& e = flat.emplace_back();
      e.anchor = "sec-" + std::to_string(i);
      e.level = static_cast<std::uint8_t>(c.levels[i] == 0 ? 1 : c.levels[i]);
    }
    auto [tree, stop] = build_outline_tree(flat, 1, 0);
    EXPECT_EQ(shape(tree), c.want);
    EXPECT_EQ(stop, c.levels.size());
  }
  // Through render_outline, the dropped entry does not appear at all.
  const std::string html = render_outline(sections_at({1, 2, 3, 1, 3}), std::nullopt);
  EXPECT_EQ(html.find("#sec-4"), std::string::npos);
  EXPECT_NE(html.find("#sec-3"), std::string::npos);
  // A section of level 0 is an entry of level 1.
  EXPECT_EQ(render_outline(sections_at({0, 2}), std::nullopt).substr(0, 47),
            "<ul class=\"lrv-outline-tree\"><li><details open>");
}

TEST(BuildOutlineTree, StopsAtALowerLevel) {
  std::vector<OutlineEntry> flat(3);
  flat[0].level = 2;
  flat[1].level = 2;
  flat[2].level = 1;
  auto [tree, stop] = build_outline_tree(flat, 2, 0);
  EXPECT_EQ(tree.size(), 2u);
  EXPECT_EQ(stop, 2u);
}

TEST(BuildOutlineTree, LevelTwoHundredFiftyFiveEntriesAreLeaves) {
  // A chain 1..255, then two more entries at 255 and one at 254.
  std::vector<int> levels;
  for (int l = 1; l <= 255; ++l) levels.push_back(l);
  levels.push_back(255);
  levels.push_back(255);
  levels.push_back(254);
  std::vector<OutlineEntry> flat;
  for (std::size_t i = 0; i < levels.size(); ++i) {
    OutlineEntry& e = flat.emplace_back();
    e.anchor = std::to_string(i);
    e.level = static_cast<std::uint8_t>(levels[i]);
  }
  auto [tree, stop] = build_outline_tree(flat, 1, 0);
  EXPECT_EQ(stop, levels.size());
  const OutlineEntry* e = &tree.at(0);
  for (int l = 1; l < 253; ++l) {
    ASSERT_EQ(e->children.size(), 1u) << l;
    e = &e->children[0];
  }
  // Level 253 holds the level-254 entry and, after its 255 children, the last 254.
  ASSERT_EQ(e->level, 253);
  ASSERT_EQ(e->children.size(), 2u);
  const OutlineEntry& at254 = e->children[0];
  ASSERT_EQ(at254.children.size(), 3u);
  for (const OutlineEntry& leaf_entry : at254.children) {
    EXPECT_EQ(leaf_entry.level, 255);
    EXPECT_TRUE(leaf_entry.children.empty());
  }
  EXPECT_EQ(e->children[1].anchor, std::to_string(levels.size() - 1));
}

TEST(RenderOutline, SameAsTheBuiltTree) {
  // render_outline writes the outline in one pass; it must equal the tree that
  // build_outline_tree builds, rendered by render_outline_items.
  std::mt19937 rng(99);
  for (int iteration = 0; iteration < 3000; ++iteration) {
    std::vector<int> levels(rng() % 12);
    for (int& l : levels) l = static_cast<int>(rng() % 5);
    if (iteration % 10 == 0)
      for (int& l : levels) l = 250 + static_cast<int>(rng() % 6);
    const NodeList children = sections_at(levels);
    std::vector<OutlineEntry> flat;
    for (const Node& node : children) {
      const auto& s = *node.get_if<SectionNode>();
      OutlineEntry& e = flat.emplace_back();
      e.label = s.number + " " + s.title;
      e.anchor = section_anchor(s);
      e.level = s.level == 0 ? std::uint8_t{1} : s.level;
    }
    const std::vector<OutlineEntry> tree = build_outline_tree(flat, 1, 0).first;
    for (const std::optional<std::uint8_t> depth :
         {std::optional<std::uint8_t>(), std::optional<std::uint8_t>(3),
          std::optional<std::uint8_t>(255)}) {
      const unsigned open = depth ? std::max<unsigned>(*depth, 1) : 2;
      ASSERT_EQ(render_outline(children, depth),
                "<ul class=\"lrv-outline-tree\">" + render_outline_items(tree, open) + "</ul>")
          << ::testing::PrintToString(levels);
    }
  }
}

TEST(RenderOutlineItems, OpenDepth) {
  // Levels 1, 2, 3, 4, each entry holding the next, and a level-1 leaf.
  const NodeList children = sections_at({1, 2, 3, 4, 1});
  struct Case {
    const char* name;
    std::optional<std::uint8_t> max_depth;
    int open;  // entries with children (levels 1 to 3) that start open
  };
  const Case cases[] = {
      {"unset: level 1 open", std::nullopt, 1},
      {"3: levels 1 and 2", 3, 2},
      {"0: none", 0, 0},
      {"1: none", 1, 0},
      {"255: all with children", 255, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string html = render_outline(children, c.max_depth);
    int open = 0;
    int closed = 0;
    for (std::size_t at = html.find("<details"); at != std::string::npos;
         at = html.find("<details", at + 1))
      (html.compare(at, 14, "<details open>") == 0 ? open : closed)++;
    EXPECT_EQ(open, c.open);
    EXPECT_EQ(open + closed, 3);
    // The leaves (level 4 and the last level 1) never get details, whatever the depth.
    EXPECT_NE(html.find(leaf("sec-3", "3 T")), std::string::npos);
    EXPECT_NE(html.find(leaf("sec-4", "4 T") + "</ul>"), std::string::npos);
  }
  std::vector<OutlineEntry> entries(1);
  entries[0].anchor = "a";
  entries[0].label = "L";
  EXPECT_EQ(render_outline_items(entries, 255), leaf("a", "L"));
}

Document header_document() {
  Document d;
  d.title = "Doc Title";
  d.subtitle = "Sub";
  d.description = "Desc";
  d.metadata = {{"Author", "Ann"}, {"Version", "v1"}, {"Status", "draft"}, {"Language", "en"}};
  d.cover = DocumentCover{"Cover Title", "Sub", "Desc", d.metadata};
  return d;
}

TEST(ResolveHeaderText, Tokens) {
  Document d = header_document();
  const std::pair<const char*, const char*> cases[] = {
      {"{metadata.title}", "Cover Title"},
      {"{metadata.author}", "Ann"},
      {"{metadata.status}", "draft"},
      {"{metadata.version}", "v1"},
      {"{metadata.language}", "en"},
      {"{metadata.subtitle}", "Sub"},
      {"{metadata.description}", "Desc"},
      {"  {metadata.author}\t", "Ann"},
      {"{metadata.author} (lead)", "{metadata.author} (lead)"},
      {"{Metadata.Author}", "{Metadata.Author}"},
      {"  plain  ", "  plain  "},
  };
  for (const auto& [setting, want] : cases) {
    SCOPED_TRACE(setting);
    EXPECT_EQ(resolve_header_text(setting, d), want);
  }
  // Missing values are empty; the title falls back to the document's; the header metadata
  // is the document's when the cover has none.
  Document bare;
  bare.title = "Only";
  bare.cover = DocumentCover{};
  bare.metadata = {{"Author", "Doc Author"}};
  EXPECT_EQ(resolve_header_text("{metadata.title}", bare), "Only");
  EXPECT_EQ(resolve_header_text("{metadata.subtitle}", bare), "");
  EXPECT_EQ(resolve_header_text("{metadata.version}", bare), "");
  EXPECT_EQ(resolve_header_text("{metadata.author}", bare), "Doc Author");
  bare.cover->metadata = {{"Author", "Cover Author"}};
  EXPECT_EQ(resolve_header_text("{metadata.author}", bare), "Cover Author");
}

TEST(RenderPageHeader, Values) {
  const std::string tmpl = "[{HEADER_SVG_SRC}|{HEADER_LEFT}|{HEADER_CENTER}|{HEADER_RIGHT}]";
  Document d = header_document();
  RenderSettings s;
  // All settings empty: center is the cover's title, right the "Version", no logo.
  EXPECT_EQ(render_page_header(d, s, tmpl, nullptr), "[||Cover Title|v1]");
  d.cover->title.clear();
  EXPECT_EQ(render_page_header(d, s, tmpl, nullptr), "[||Doc Title|v1]");

  s.header_left = "{metadata.author}";
  s.header_center = "<b>";
  s.header_right = "   ";
  EXPECT_EQ(render_page_header(d, s, tmpl, nullptr), "[|Ann|&lt;b&gt;|   ]");

  // A center token without a value stays empty: no fallback to the title.
  Document plain;
  plain.title = "T";
  RenderSettings sub;
  sub.header_center = "{metadata.subtitle}";
  EXPECT_EQ(render_page_header(plain, sub, tmpl, nullptr), "");
  sub.logo_path = "https://example.org/logo.svg?a&b";
  EXPECT_EQ(render_page_header(plain, sub, tmpl, nullptr),
            "[https://example.org/logo.svg?a&amp;b|||]");

  // The built-in header text.
  EXPECT_EQ(render_page_header(plain, {}, std::string(kBuiltinHeader), nullptr),
            "<header class=\"lrv-header\" id=\"header\">\n"
            "  <div class=\"lrv-header-inner\">\n"
            "    <img class=\"lrv-header-logo\" src=\"\" alt=\"\"/>\n"
            "    <div class=\"lrv-header-text\">\n"
            "      <div class=\"lrv-header-left\"></div>\n"
            "      <div class=\"lrv-header-center\">T</div>\n"
            "      <div class=\"lrv-header-right\"></div>\n"
            "    </div>\n"
            "  </div>\n"
            "</header>");
}

TEST(RenderPageHeader, LogoFile) {
  testing::ScopedWorkDir dir;
  dir.write("SIDECAR/assets/logo.svg", "<svg/>");
  const std::string tmpl = "{HEADER_SVG_SRC}";
  Document d;
  RenderSettings s;
  s.logo_path = "SIDECAR/assets/logo.svg";
  EXPECT_EQ(render_page_header(d, s, tmpl, nullptr), "data:image/svg+xml;base64,PHN2Zy8+");
  s.logo_path = "missing & <gone>.svg";
  EXPECT_EQ(render_page_header(d, s, tmpl, nullptr), "missing &amp; &lt;gone&gt;.svg");
}

TEST(RenderDocumentIntro, Parts) {
  Document d;
  d.title = "A <T>";
  EXPECT_EQ(render_document_intro(d),
            "<section class=\"lrv-doc-intro\"><h1>A &lt;T&gt;</h1></section>");
  d.subtitle = "line\nnext";
  d.description = "first\nsecond & more";
  d.metadata = {{"Version", "v1"}, {"Author", "Ann"}, {"_comments", "c1\nc2"}};
  d.cover = DocumentCover{"Cover", "", "", {}};
  EXPECT_EQ(render_document_intro(d),
            "<section class=\"lrv-doc-intro\"><h1>A &lt;T&gt;</h1>"
            "<p class=\"cover-subtitle\" style=\"color:#5a6676;\">line\nnext</p>"
            "<p class=\"lrv-paragraph\">first<br/>\nsecond &amp; more</p>"
            "<ul class=\"lrv-doc-meta\"><li><strong>Author</strong>: Ann</li>"
            "<li><strong>Version</strong>: v1</li><li><strong>_comments</strong>: c1\nc2</li></ul>"
            "</section>");
  d.subtitle = "";
  d.description = "";
  d.metadata.clear();
  EXPECT_EQ(
      render_document_intro(d),
      "<section class=\"lrv-doc-intro\"><h1>A &lt;T&gt;</h1>"
      "<p class=\"cover-subtitle\" style=\"color:#5a6676;\"></p><p class=\"lrv-paragraph\"></p>"
      "</section>");
}

}  // namespace
}  // namespace lorvane::render
