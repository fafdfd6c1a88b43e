#include "render/blocks.hpp"

#include <gtest/gtest.h>

#include "parser/test_util.hpp"
#include "render/test_util.hpp"

namespace lorvane::render {
namespace {

using parser::AdmonitionNode;
using parser::BulletListNode;
using parser::CodeBlockNode;
using parser::CoverNode;
using parser::FigureNode;
using parser::JsonValue;
using parser::ListItemNode;
using parser::Node;
using parser::NodeList;
using parser::OrderedListNode;
using parser::ParagraphNode;
using parser::RenderHints;
using parser::SectionNode;
using parser::TableNode;

Node section(std::string number, std::string title, std::uint8_t level, NodeList children = {},
             std::string node_id = "") {
  SectionNode s;
  s.number = std::move(number);
  s.title = std::move(title);
  s.level = level;
  s.children = std::move(children);
  s.node_id = std::move(node_id);
  return s;
}

Node paragraph(std::string text) { return ParagraphNode{std::move(text), "p"}; }

Node admonition(std::string level, NodeList children,
                std::optional<RenderHints> hints = std::nullopt) {
  AdmonitionNode a;
  a.level = std::move(level);
  a.children = std::move(children);
  a.render_hints = std::move(hints);
  return a;
}

ListItemNode item(std::string text, std::vector<ListItemNode> children = {}) {
  return ListItemNode{std::move(text), std::move(children), "li"};
}

/// Short templates that show the structure of the output at a glance.
TemplateSet compact_templates() {
  TemplateSet t;
  t.section = "[S{LEVEL} {CONTENT}]";
  t.paragraph = "(P {TEXT})";
  t.list = "<{TAG} {ITEMS}>";
  t.figure = "F";
  t.code_block = "C";
  t.admonition = "[A {CONTENT}]";
  t.table = "T";
  return t;
}

/// One block through the renderer, paying from `budget` (none: unbounded).
std::string render_block(const Node& node, const TemplateSet& t, const RenderSettings& s,
                         FillBudget* budget = nullptr) {
  std::string out;
  BlockRenderer(t, s, budget).append_block(out, node);
  return out;
}

std::string render_blocks(const NodeList& nodes, const TemplateSet& t, const RenderSettings& s) {
  std::string out;
  BlockRenderer(t, s).append_blocks(out, nodes);
  return out;
}

std::string render_paragraph(std::string text, const TemplateSet& t) {
  return render_block(paragraph(std::move(text)), t, {});
}

std::string render_code_block(const CodeBlockNode& code, const TemplateSet& t) {
  return render_block(code, t, {});
}

/// The items of a list alone, through a list template that holds nothing else.
std::string list_items(Node list) {
  TemplateSet t;
  t.list = "{ITEMS}";
  return render_block(list, t, {});
}

/// One item as a bullet list with children shows it (bold), or as an ordered list item.
std::string render_list_item(ListItemNode li, bool bold) {
  if (bold) return render_block(std::move(li), builtin_template_set(), {});
  return list_items(OrderedListNode{{std::move(li)}, "ol"});
}

TEST(RenderBlock, BuiltinSection) {
  const Node node = section("1.", "Purpose & <scope>", 1, {paragraph("Hi")}, "sec-1");
  EXPECT_EQ(render_block(node, builtin_template_set(), {}),
            "<section class=\"lrv-section lvl-1\" id=\"sec-1\">\n"
            "  <h2 class=\"lrv-section-title\">\n"
            "    <span class=\"lrv-secnum\">1.</span>\n"
            "    <span class=\"lrv-title\">Purpose &amp; &lt;scope&gt;</span>\n"
            "  </h2>\n"
            "  <div class=\"lrv-section-body\">\n"
            "    <p class=\"lrv-paragraph\">Hi</p>\n"
            "  </div>\n"
            "</section>");
}

TEST(RenderBlock, HeadingLevels) {
  TemplateSet t;
  t.section = "{LEVEL}:{HLEVEL}:h{HLEVEL}";
  const std::pair<std::uint8_t, const char*> cases[] = {
      {0, "0:6:h6"}, {1, "1:2:h2"}, {2, "2:3:h3"}, {3, "3:4:h4"},
      {4, "4:5:h5"}, {5, "5:6:h6"}, {6, "6:6:h6"}, {255, "255:6:h6"},
  };
  for (const auto& [level, want] : cases) {
    SCOPED_TRACE(int{level});
    EXPECT_EQ(render_block(section("1", "x", level), t, {}), want);
  }
}

TEST(RenderBlock, ComponentSwitches) {
  TableNode table;
  FigureNode figure;
  figure.src = "https://example.org/a.png";
  const NodeList nodes = {
      section("1.", "S", 1,
              {paragraph("p"), BulletListNode{{item("x")}, "bl"},
               OrderedListNode{{item("y")}, "ol"}, item("z"), CoverNode{}, figure, CodeBlockNode{},
               table, admonition("note", {paragraph("q")})}),
  };
  struct Case {
    const char* name;
    std::map<std::string, bool, std::less<>> flags;
    std::string want;
  };
  const std::string lists = "<ul <li>x</li>\n><ol <li>y</li>\n><li><strong>z</strong></li>\n";
  const Case cases[] = {
      {"all on", {}, "[S1 (P p)" + lists + "FCT[A (P q)]]"},
      {"explicitly on",
       {{"paragraph", true}, {"section", true}},
       "[S1 (P p)" + lists + "FCT[A (P q)]]"},
      {"unrelated names",
       {{"header", false}, {"cover", false}},
       "[S1 (P p)" + lists + "FCT[A (P q)]]"},
      {"paragraph off", {{"paragraph", false}}, "[S1 " + lists + "FCT[A ]]"},
      {"section off", {{"section", false}}, "(P p)" + lists + "FCT[A (P q)]"},
      {"list_item off", {{"list_item", false}}, "[S1 (P p)<ul ><ol >FCT[A (P q)]]"},
      {"bullet_list off",
       {{"bullet_list", false}},
       "[S1 (P p)<ol <li>y</li>\n><li><strong>z</strong></li>\nFCT[A (P q)]]"},
      {"ordered_list off",
       {{"ordered_list", false}},
       "[S1 (P p)<ul <li>x</li>\n><li><strong>z</strong></li>\nFCT[A (P q)]]"},
      {"figure, code_block, table off",
       {{"figure", false}, {"code_block", false}, {"table", false}},
       "[S1 (P p)" + lists + "[A (P q)]]"},
      {"admonition off", {{"admonition", false}}, "[S1 (P p)" + lists + "FCT]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RenderSettings settings;
    settings.component_flags = c.flags;
    EXPECT_EQ(render_blocks(nodes, compact_templates(), settings), c.want);
  }
}

TEST(RenderParagraph, FirstLineBoldWhenTextHasLineFeed) {
  const TemplateSet t = builtin_template_set();
  EXPECT_EQ(render_paragraph("one\ntwo\nthree", t),
            "<p class=\"lrv-paragraph\"><strong>one</strong><br/>\ntwo<br/>\nthree</p>");
  EXPECT_EQ(render_paragraph("plain <b> & 'q'", t),
            "<p class=\"lrv-paragraph\">plain &lt;b&gt; &amp; &#39;q&#39;</p>");
  EXPECT_EQ(render_paragraph("\nrest", t),
            "<p class=\"lrv-paragraph\"><strong></strong><br/>\nrest</p>");
  EXPECT_EQ(render_paragraph("", t), "<p class=\"lrv-paragraph\"></p>");
}

TEST(RenderLists, BulletItemsExample) {
  const std::vector<ListItemNode> items = {item("one", {item("two", {item("three")})}),
                                           item("four")};
  const std::string out = list_items(BulletListNode{items, "bl"});
  EXPECT_EQ(out,
            "<li><strong>one</strong>\n<ul class=\"lrv-list lrv-bullet-list\">\n<li>two\n<ul "
            "class=\"lrv-list lrv-bullet-list\">\n<li>three</li>\n</ul>\n</li>\n</ul>\n</li>\n"
            "<li>four</li>\n");
  // The same list through the list template.
  EXPECT_EQ(render_block(BulletListNode{items, "bl"}, builtin_template_set(), {}),
            "<ul class=\"lrv-list lrv-bullet-list\">\n" + out + "\n</ul>");
}

TEST(RenderLists, OrderedItemsAreNeverBold) {
  const std::vector<ListItemNode> items = {item("x"), item("y", {item("z")})};
  EXPECT_EQ(
      list_items(OrderedListNode{items, "ol"}),
      "<li>x</li>\n<li>y\n<ul class=\"lrv-list lrv-bullet-list\">\n<li>z</li>\n</ul>\n</li>\n");
  EXPECT_EQ(render_block(OrderedListNode{{item("x"), item("y")}, "ol"}, builtin_template_set(), {}),
            "<ol class=\"lrv-list lrv-ordered-list\">\n<li>x</li>\n<li>y</li>\n\n</ol>");
  EXPECT_EQ(render_block(OrderedListNode{{}, "ol"}, builtin_template_set(), {}),
            "<ol class=\"lrv-list lrv-ordered-list\">\n\n</ol>");
}

TEST(RenderLists, ItemTextWithLineFeed) {
  EXPECT_EQ(render_list_item(item("a\nb<"), true), "<li><strong>a</strong><br/>\nb&lt;</li>\n");
  EXPECT_EQ(render_list_item(item("a\nb"), false), "<li>a<br/>\nb</li>\n");
  EXPECT_EQ(render_list_item(item("a"), true), "<li><strong>a</strong></li>\n");
  // A list_item node on its own is bold, with nothing around it.
  EXPECT_EQ(render_block(item("solo"), builtin_template_set(), {}),
            "<li><strong>solo</strong></li>\n");
}

TEST(RenderLists, DeeplyNestedItemsDoNotRecurse) {
  Node list = OrderedListNode{{item("0")}, "ol"};
  ListItemNode& root = list.get_if<OrderedListNode>()->items[0];
  ListItemNode* tail = &root;
  for (int i = 1; i < 20000; ++i) {
    tail->children.push_back(item(std::to_string(i)));
    tail = &tail->children.back();
  }
  TemplateSet t;
  t.list = "{ITEMS}";
  std::string out;
  lorvane::testing::run_with_small_stack([&] { out = render_block(list, t, {}); }, 256 * 1024);
  std::string want = "<li>0";
  for (int i = 1; i < 20000; ++i)
    want += "\n<ul class=\"lrv-list lrv-bullet-list\">\n<li>" + std::to_string(i);
  want += "</li>\n";
  for (int i = 1; i < 20000; ++i) want += "</ul>\n</li>\n";
  EXPECT_EQ(out, want);
  // The type destroys nested items recursively; unlink the chain first.
  while (!root.children.empty()) {
    ListItemNode next = std::move(root.children.front());
    root = std::move(next);
  }
}

TEST(RenderFigure, Pairs) {
  TemplateSet t;
  t.figure = "{SRC}|{ALT}|{WIDTH_ATTR}|{CAPTION}|{FIGURE_SRC}|{FIGURE_ALT}|{FIGURE_CAPTION}";
  FigureNode bare;
  bare.src = "https://example.org/a.png?x=1&y=2";
  EXPECT_EQ(render_block(bare, t, {}),
            "https://example.org/a.png?x=1&amp;y=2||||https://example.org/a.png?x=1&amp;y=2||");
  FigureNode full = bare;
  full.alt = "A \"b\"";
  full.caption = "";
  full.width = "56%<";
  EXPECT_EQ(render_block(full, t, {}),
            "https://example.org/a.png?x=1&amp;y=2|A &quot;b&quot;| style=\"max-width:56%&lt;;\"|"
            "<figcaption class=\"lrv-figure-caption\"></figcaption>|"
            "https://example.org/a.png?x=1&amp;y=2|A &quot;b&quot;|");
  full.caption = "Cap <1>";
  const std::string out = render_block(full, t, {});
  EXPECT_NE(out.find("|<figcaption class=\"lrv-figure-caption\">Cap &lt;1&gt;</figcaption>|"),
            std::string::npos);
  EXPECT_EQ(out.substr(out.rfind('|') + 1), "Cap &lt;1&gt;");
}

TEST(RenderFigure, LocalImageIsEmbedded) {
  testing::ScopedWorkDir dir;
  dir.write("img/a.svg", "<svg/>");
  FigureNode figure;
  figure.src = "img/a.svg";
  EXPECT_EQ(
      render_block(figure, builtin_template_set(), {}),
      "<figure class=\"lrv-figure\">\n"
      "  <img class=\"lrv-figure-img\" src=\"data:image/svg+xml;base64,PHN2Zy8+\" alt=\"\"/>\n"
      "  \n"
      "</figure>");
}

TEST(RenderCodeBlock, LanguageCaptionAndContent) {
  const TemplateSet t = builtin_template_set();
  CodeBlockNode code;
  code.content = "if (a < b) {\n  x = \"y\";\n}";
  EXPECT_EQ(render_code_block(code, t),
            "<div class=\"lrv-codeblock\">\n  \n  <pre class=\"lrv-pre\"><code class=\"lrv-code "
            "language-plain\">if (a &lt; b) {\n  x = &quot;y&quot;;\n}</code></pre>\n</div>");
  code.language = "";
  code.caption = "Example & more";
  code.content = "x";
  EXPECT_EQ(render_code_block(code, t),
            "<div class=\"lrv-codeblock\">\n  <div class=\"lrv-codeblock-caption\">Example &amp; "
            "more</div>\n  <pre class=\"lrv-pre\"><code class=\"lrv-code language-\">x</code></pre>"
            "\n</div>");
  TemplateSet custom;
  custom.code_block = "{LANGUAGE}:{CONTENT}:{CODE}";
  code.language = "c++";
  code.content = "a{CODE}<b";
  // "{CODE}" in the content receives the escaped code at that place.
  EXPECT_EQ(render_code_block(code, custom), "c++:aa{CODE}&lt;b&lt;b:a{CODE}&lt;b");
}

TEST(RenderAdmonition, TitleAndLevel) {
  const TemplateSet t = builtin_template_set();
  EXPECT_EQ(render_block(admonition("WARNING", {paragraph("Careful.")}), t, {}),
            "<aside class=\"lrv-admonition lrv-admonition-warning\">\n"
            "  <div class=\"lrv-admonition-title\">WARNING</div>\n"
            "  <div class=\"lrv-admonition-body\"><p class=\"lrv-paragraph\">Careful.</p></div>\n"
            "</aside>");

  struct Case {
    const char* name;
    std::optional<RenderHints> hints;
    std::string want;
  };
  const Case cases[] = {
      {"no hints", std::nullopt, "WARNING"},
      {"empty hints", RenderHints{}, "WARNING"},
      {"other keys", RenderHints{{"alignment", JsonValue(std::string("x"))}}, "WARNING"},
      {"trimmed title", RenderHints{{"title", JsonValue(std::string("  Heads up\u00A0"))}},
       "Heads up"},
      {"blank title", RenderHints{{"title", JsonValue(std::string(" \t "))}}, "WARNING"},
      {"number title", RenderHints{{"title", JsonValue(std::uint64_t{3})}}, "WARNING"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AdmonitionNode a;
    a.level = "WARNING";
    a.render_hints = c.hints;
    EXPECT_EQ(admonition_title(a), c.want);
  }
  // The title is escaped where it is filled in.
  TemplateSet custom;
  custom.admonition = "{LEVEL}|{TITLE}";
  EXPECT_EQ(
      render_block(admonition("Tip<", {}, RenderHints{{"title", JsonValue(std::string("a&b"))}}),
                   custom, {}),
      "tip&lt;|a&amp;b");
}

TEST(RenderAdmonition, LevelUsesUnicodeLowerCaseIndependentOfLocale) {
  const std::pair<const char*, const char*> cases[] = {
      {"NOTE", "note"},
      {"\u00C0B", "\u00E0b"},                                    // Latin letters beyond ASCII
      {"\u039F\u0394\u039F\u03A3", "\u03BF\u03B4\u03BF\u03C2"},  // final sigma
      {"\u03A3\u0391", "\u03C3\u03B1"},                          // sigma not at the end
      {"\u0130", "i\u0307"},                                     // dotted I, not Turkish rules
      {"I", "i"},
      {"\u65E5\u672C", "\u65E5\u672C"},
  };
  for (const auto& [level, want] : cases) {
    SCOPED_TRACE(level);
    EXPECT_EQ(lower_case(level), want);
  }
}

TEST(Slugify, Examples) {
  const std::pair<const char*, const char*> cases[] = {
      {"A  B", "a-b"},
      {"--x--", "x"},
      {"a_b", "a_b"},
      {"__a__", "__a__"},
      {"\u00DCn\u00EFcode", "ncode"},
      {"...", ""},
      {"", ""},
      {"sec-2.3", "sec-2-3"},
      {"1.-Hello World", "1-hello-world"},
      {"a\u00A0b\u3000c\td", "a-b-c-d"},
      {"a-\u00E9-b", "a-b"},
      {"Tab\tEnd.", "tab-end"},
      {"x!@#y", "xy"},
  };
  for (const auto& [text, want] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(slugify(text), want);
  }
}

TEST(SectionAnchor, FromIdentifierElseNumberAndTitle) {
  SectionNode s;
  s.number = "1.";
  s.title = "Hello World";
  s.node_id = "sec-2.3";
  EXPECT_EQ(section_anchor(s), "sec-2-3");
  s.node_id.clear();
  EXPECT_EQ(section_anchor(s), "1-hello-world");
}

TEST(PlaceholdersInText, FollowThePairOrder) {
  const TemplateSet t = builtin_template_set();
  // A paragraph "{TITLE}" inside an admonition becomes the admonition's escaped title.
  EXPECT_EQ(render_block(admonition("note", {paragraph("{TITLE}")},
                                    RenderHints{{"title", JsonValue(std::string("A<B"))}}),
                         t, {}),
            "<aside class=\"lrv-admonition lrv-admonition-note\">\n"
            "  <div class=\"lrv-admonition-title\">A&lt;B</div>\n"
            "  <div class=\"lrv-admonition-body\"><p class=\"lrv-paragraph\">A&lt;B</p></div>\n"
            "</aside>");
  // A section title "{CONTENT}" is replaced by the section's content.
  TemplateSet custom;
  custom.section = "<{TITLE}>{CONTENT}";
  custom.paragraph = "p:{TEXT}";
  EXPECT_EQ(render_block(section("1", "{CONTENT}", 1, {paragraph("x")}), custom, {}), "<p:x>p:x");
  // "{TITLE}" in a section's paragraph is left alone (the title went in first).
  EXPECT_EQ(render_block(section("1", "T", 1, {paragraph("{TITLE}")}), custom, {}), "<T>p:{TITLE}");
  // A list item "{CONTENT}" disappears.
  EXPECT_EQ(render_block(BulletListNode{{item("{CONTENT}")}, "bl"}, t, {}),
            "<ul class=\"lrv-list lrv-bullet-list\">\n<li></li>\n\n</ul>");
}

/// Admonitions nested `depth` deep, each holding "leaf {i}" and then the next one.
Node admonition_chain(int depth, const std::function<std::optional<RenderHints>(int)>& hints = {}) {
  Node node = admonition("note", {paragraph("leaf " + std::to_string(depth - 1))},
                         hints ? hints(depth - 1) : std::nullopt);
  for (int i = depth - 2; i >= 0; --i) {
    NodeList children;
    children.push_back(paragraph("leaf " + std::to_string(i)));
    children.push_back(std::move(node));
    node = admonition("note", std::move(children), hints ? hints(i) : std::nullopt);
  }
  return node;
}

using testing::count_of;

TEST(DeepTrees, ChainsAsDeepAsTheProgramBuildsStayExact) {
  // The deepest tree the program builds: a section around 32 admonitions, around a large
  // block. Every level keeps its template.
  TemplateSet t = compact_templates();
  t.paragraph = "{TEXT}";
  const std::string large(1 << 20, 'w');
  Node inner = admonition("note", {paragraph(large)});
  for (int i = 0; i < 31; ++i) inner = admonition("note", {std::move(inner)});
  const std::string out = render_block(section("1", "s", 1, {std::move(inner)}), t, {});
  std::string want = "[S1 ";
  for (int i = 0; i < 32; ++i) want += "[A ";
  EXPECT_EQ(out, want + large + std::string(33, ']'));
}

TEST(DeepTrees, AtTheNestingBoundContentStaysAsWritten) {
  TemplateSet t = compact_templates();
  t.paragraph = "{TEXT}";
  // A section and 63 admonitions: 64 levels, all filled.
  const std::string full = render_block(section("1", "s", 1, {admonition_chain(63)}), t, {});
  std::string want = "[S1 ";
  for (int i = 0; i < 63; ++i) want += "[A leaf " + std::to_string(i);
  want += std::string(64, ']');
  EXPECT_EQ(full, want);
  // One more admonition: it keeps its template, its content stays "{CONTENT}".
  const std::string over = render_block(section("1", "s", 1, {admonition_chain(64)}), t, {});
  want = "[S1 ";
  for (int i = 0; i < 63; ++i) want += "[A leaf " + std::to_string(i);
  want += "[A {CONTENT}]" + std::string(64, ']');
  EXPECT_EQ(over, want);
}

TEST(DeepTrees, HundredThousandAdmonitionsStopAtTheNestingBound) {
  const int depth = 100000;
  const Node chain = admonition_chain(depth);
  TemplateSet t = compact_templates();
  t.paragraph = "{TEXT},";
  std::string out;
  // Recursion stays bounded by the nesting bound, whatever the tree depth.
  lorvane::testing::run_with_small_stack([&] { out = render_block(chain, t, {}); }, 1024 * 1024);
  std::string want;
  for (int i = 0; i < kMaxNesting; ++i) want += "[A leaf " + std::to_string(i) + ",";
  want += "[A {CONTENT}]" + std::string(kMaxNesting, ']');
  EXPECT_EQ(out, want);

  const std::string builtin = render_block(chain, builtin_template_set(), {});
  EXPECT_EQ(count_of(builtin, "<aside"), std::size_t{kMaxNesting} + 1);
  EXPECT_EQ(count_of(builtin, "{CONTENT}"), 1u);
}

TEST(DeepTrees, PlaceholderDeepInsideGetsItsAdmonitionsTitle) {
  // Every filled level searches its content for "{TITLE}" after placing it: the innermost
  // paragraph receives the title of its own admonition.
  Node chain = admonition_chain(60, [](int i) {
    return RenderHints{{"title", JsonValue("t" + std::to_string(i))}};
  });
  auto* innermost = &chain;
  while (true) {
    auto& children = innermost->get_if<AdmonitionNode>()->children;
    if (children.size() < 2) {
      children[0] = paragraph("{TITLE}");
      break;
    }
    innermost = &children[1];
  }
  const std::string out = render_block(chain, builtin_template_set(), {});
  EXPECT_NE(out.find("<p class=\"lrv-paragraph\">t59</p>"), std::string::npos);
  EXPECT_EQ(out.find("{TITLE}"), std::string::npos);
}

TEST(DeepTrees, TemplatesThatRepeatTheirContentAreExactWithinTheBudget) {
  TemplateSet t = compact_templates();
  t.admonition = "[{CONTENT}|{CONTENT}]";
  t.paragraph = "{TEXT}";
  const std::function<std::string(int)> expected = [&](int i) -> std::string {
    if (i == 10) return "";
    const std::string inner = "leaf " + std::to_string(i) + expected(i + 1);
    return "[" + inner + "|" + inner + "]";
  };
  // Ten doubling levels: 1024 copies of the innermost leaf, every wrapper kept.
  EXPECT_EQ(render_block(admonition_chain(10), t, {}), expected(0));
  FillBudget roomy(std::size_t{64} << 20);
  EXPECT_EQ(render_block(admonition_chain(10), t, {}, &roomy), expected(0));
  EXPECT_FALSE(roomy.refused());

  // A section title of 64 "{CONTENT}" places the content 65 times, section kept.
  TemplateSet titled = builtin_template_set();
  std::string title;
  for (int i = 0; i < 64; ++i) title += "{CONTENT}";
  FillBudget budget(std::size_t{64} << 20);
  const std::string page =
      render_block(section("1", title, 1, {paragraph("body")}), titled, {}, &budget);
  EXPECT_EQ(count_of(page, "<p class=\"lrv-paragraph\">body</p>"), 65u);
  EXPECT_EQ(count_of(page, "<section"), 1u);
  EXPECT_EQ(count_of(page, "id=\"1-contentcontent"), 1u);
}

TEST(DeepTrees, DoublingPastTheBudgetLeavesPlaceholdersAndStaysBounded) {
  TemplateSet t = compact_templates();
  t.admonition = "[{CONTENT}|{CONTENT}]";
  t.paragraph = "{TEXT}";
  // Sixty doubling levels would write 2^60 copies; the budget stops the copies, the
  // first copy of every level is still written.
  const std::size_t bytes = std::size_t{1} << 20;
  FillBudget budget(bytes);
  std::string out;
  const Node chain = admonition_chain(60);
  lorvane::testing::run_with_small_stack([&] { out = render_block(chain, t, {}, &budget); },
                                         1024 * 1024);
  EXPECT_TRUE(budget.refused());
  EXPECT_LE(out.size(), 2 * bytes);
  EXPECT_NE(out.find("{CONTENT}"), std::string::npos);
  for (int i = 0; i < 60; ++i) EXPECT_NE(out.find("leaf " + std::to_string(i)), std::string::npos);
  EXPECT_EQ(out.rfind("[leaf 0", 0), 0u);

  // A section title "{CONTENT}" doubles the content as well.
  TemplateSet titled = compact_templates();
  titled.section = "<{TITLE}>{CONTENT}";
  titled.paragraph = "{TEXT}";
  Node node = paragraph("x");
  for (int i = 0; i < 40; ++i) {
    NodeList children;
    children.push_back(std::move(node));
    node = section("1", "{CONTENT}", 1, std::move(children));
  }
  FillBudget small(bytes);
  EXPECT_LE(render_block(node, titled, {}, &small).size(), 2 * bytes);
  EXPECT_TRUE(small.refused());
}

TEST(DeepTrees, SectionsNestedDeepWithSectionOffDoNotRecurse) {
  Node node = section("1", "s", 1, {paragraph("bottom")});
  for (int i = 0; i < 100000; ++i) {
    NodeList children;
    children.push_back(paragraph("x"));
    children.push_back(std::move(node));
    node = section("1", "s", 1, std::move(children));
  }
  RenderSettings off;
  off.component_flags["section"] = false;
  TemplateSet t = compact_templates();
  t.paragraph = "{TEXT}";
  std::string out;
  lorvane::testing::run_with_small_stack([&] { out = render_block(node, t, off); }, 1024 * 1024);
  EXPECT_EQ(out, std::string(100000, 'x') + "bottom");
  // With sections on, they nest up to the bound.
  std::string on_out;
  lorvane::testing::run_with_small_stack([&] { on_out = render_block(node, t, {}); }, 1024 * 1024);
  std::string want;
  for (int i = 0; i < kMaxNesting; ++i) want += "[S1 x";
  want += "[S1 {CONTENT}]" + std::string(kMaxNesting, ']');
  EXPECT_EQ(on_out, want);
}

}  // namespace
}  // namespace lorvane::render
