#include "render/page.hpp"

#include <gtest/gtest.h>

#include "render/blocks.hpp"
#include "render/html.hpp"
#include "render/outline.hpp"
#include "render/test_util.hpp"
#include "render/testing/reference.hpp"

namespace lorvane::render {
namespace {

using parser::AdmonitionNode;
using parser::BulletListNode;
using parser::CodeBlockNode;
using parser::Document;
using parser::DocumentCover;
using parser::FigureNode;
using parser::JsonValue;
using parser::ListItemNode;
using parser::Node;
using parser::NodeList;
using parser::OrderedListNode;
using parser::ParagraphNode;
using parser::SectionNode;
using parser::TableNode;
using testing::read_file;
using testing::ScopedWorkDir;

const std::filesystem::path kTestData = LORVANE_RENDER_TESTDATA;

/// The page with the budget that the program gives it.
std::string render_page(const Document& d, const TemplateSet& t, const RenderSettings& s) {
  FillBudget budget = page_budget(d, t, s);
  return render::render_page(d, t, s, budget);
}
const std::filesystem::path kSampleSidecar = LORVANE_SAMPLE_SIDECAR;

// The sample project's templates and CSS (not its settings) in the work directory.
void copy_sample_look(const ScopedWorkDir& dir) {
  for (const char* part : {"templates", "css"}) {
    std::filesystem::create_directories(dir.path() / "SIDECAR");
    std::filesystem::copy(kSampleSidecar / part, dir.path() / "SIDECAR" / part,
                          std::filesystem::copy_options::recursive);
  }
}

Node section(std::string number, std::string title, std::uint8_t level, NodeList children) {
  SectionNode s;
  s.number = std::move(number);
  s.title = std::move(title);
  s.level = level;
  s.children = std::move(children);
  std::string id = s.number;
  while (!id.empty() && id.back() == '.') id.pop_back();
  s.node_id = "sec-" + id;
  s.source = parser::SourceLocation{1};
  return s;
}

Node paragraph(std::string text) { return ParagraphNode{std::move(text), "p"}; }

/// A small document with every kind of block, as the parser and the injector build them.
Document small_document() {
  Document d;
  d.title = "Field Notes & <Drafts>";
  d.subtitle = "A short sample";
  d.description = "Two lines of\ndescription.";
  d.metadata = {
      {"Author", "Jorun Aldane"}, {"Version", "v2026.04.19"}, {"_comments", "First note."}};
  d.cover = DocumentCover{d.title, *d.subtitle, *d.description, d.metadata};

  ListItemNode nested{"Inner point", {}, "li-2"};
  ListItemNode parent{"Outer point", {nested}, "li-1"};
  ListItemNode simple{"Plain point", {}, "li-3"};

  CodeBlockNode code;
  code.language = "yaml";
  code.content = "key: \"value\"\nlist:\n  - a";
  code.caption = "Config";
  code.node_id = "inj-code_block-1";

  TableNode table;
  table.data_source = "Admonition,after_paragraph\nFigure,after_paragraph\n";
  table.caption = "Capability examples";
  table.columns = std::vector<std::string>{"Capability", "Example"};
  table.node_id = "inj-table-2";

  FigureNode figure;
  figure.src = "https://example.org/figure.svg";
  figure.alt = "A figure";
  figure.width = "56%";
  figure.node_id = "inj-figure-3";

  AdmonitionNode note;
  note.level = "Note";
  note.render_hints = parser::RenderHints{{"title", JsonValue(std::string("Keep in mind"))}};
  note.children.push_back(paragraph("Wrapped paragraph."));
  note.node_id = "inj-admonition-0";

  d.children.push_back(
      section("1.", "Purpose", 1,
              {paragraph("First line\nsecond line"), paragraph("Plain <text> & more")}));
  d.children.push_back(
      section("1.1", "Scope", 2, {BulletListNode{{parent, simple}, "bl-1.1-0"}, std::move(note)}));
  d.children.push_back(section(
      "2.", "Design", 1,
      {OrderedListNode{{ListItemNode{"Step one", {}, "li-4"}, ListItemNode{"Step two", {}, "li-5"}},
                       "ol-2.-0"},
       code, table, figure}));
  return d;
}

TEST(RenderDocumentHtml, BuiltinTemplatesGolden) {
  ScopedWorkDir dir;
  const std::string page = render_document_html(small_document());
  EXPECT_EQ(page, read_file(kTestData / "small_page.html"));
}

TEST(RenderDocumentHtml, SampleTemplatesAndCssGolden) {
  ScopedWorkDir dir;
  copy_sample_look(dir);
  const std::string page = render_document_html(small_document());
  EXPECT_EQ(page, read_file(kTestData / "small_page_sample.html"));
}

TEST(RenderDocumentHtml, UnreadableSettingsFallBackToDefaults) {
  ScopedWorkDir dir;
  const std::string defaults = render_document_html(small_document());
  dir.write("SIDECAR/sidecar.yaml", "render:\n  outline:\n    title: \xFF\n");
  EXPECT_EQ(render_document_html(small_document()), defaults);
  // A directory where the settings file belongs is no settings file either.
  std::filesystem::remove(dir.path() / "SIDECAR/sidecar.yaml");
  dir.make_dir("SIDECAR/sidecar.yaml");
  EXPECT_EQ(render_document_html(small_document()), defaults);
}

TEST(RenderDocumentHtml, TemplatesFromTheWorkDirectory) {
  ScopedWorkDir dir;
  dir.write("SIDECAR/templates/base.html", "<{TITLE}>{BODY}");
  dir.write("SIDECAR/templates/layout.html", "{CONTENT}");
  dir.write("SIDECAR/templates/section.html", "[{SECNUM}{CONTENT}]");
  dir.write("SIDECAR/templates/paragraph.html", "{TEXT};");
  dir.write("SIDECAR/templates/code-block.html", "code:{CONTENT}");
  dir.write("SIDECAR/templates/list.html", "");  // an empty file is an empty template
  Document d;
  d.title = "T";
  CodeBlockNode code;
  code.content = "x";
  d.children.push_back(section("1.", "S", 1, {paragraph("p"), code, BulletListNode{{}, "bl"}}));
  EXPECT_EQ(render_document_html(d),
            "<T><section class=\"lrv-doc-intro\"><h1>T</h1></section>[1.p;code:x]");
}

TEST(RenderDocumentHtml, ImagesResolveAgainstTheWorkDirectory) {
  ScopedWorkDir dir;
  dir.write("SIDECAR/templates/base.html", "{BODY}");
  dir.write("SIDECAR/templates/layout.html", "{CONTENT}");
  dir.write("SIDECAR/templates/section.html", "{CONTENT}");
  dir.write("SIDECAR/templates/figure.html", "{SRC}");
  dir.write("img/a.png", "");
  Document d;
  FigureNode local;
  local.src = "img/a.png";
  FigureNode missing;
  missing.src = "img/b.png";
  d.children.push_back(section("1", "S", 1, {local, missing}));
  const std::string page = render_document_html(d);
  EXPECT_EQ(page.substr(page.find("</section>") + 10), "data:image/png;base64,img/b.png");
}

TEST(RenderDocumentHtml, SettingsFromTheSidecarFile) {
  ScopedWorkDir dir;
  copy_sample_look(dir);
  dir.write("SIDECAR/sidecar.yaml",
            "metadata:\n  project: \"x\"\n\nrender:\n  cover:\n    enabled: false\n  header:\n"
            "    enabled: true\n    logo: \"SIDECAR/assets/imgs/header.svg\"\n"
            "    left: \"{metadata.author}\"\n    center: \"{metadata.title}\"\n"
            "    right: \"{metadata.version}\"\n  outline:\n    enabled: true\n"
            "    title: \"Contents\"\n    max_depth: 3\n  components:\n    table:\n"
            "      enabled: false\n\ninjections: []\n");
  std::string page = render_document_html(small_document());
  EXPECT_EQ(page.find("<section class=\"lrv-doc-intro\">"), std::string::npos);  // cover off
  EXPECT_EQ(page.find("<div class=\"lrv-table\">"), std::string::npos);  // table component off
  EXPECT_NE(page.find("<div class=\"lrv-outline-title\">Contents</div>"), std::string::npos);
  EXPECT_NE(page.find("<div class=\"lrv-header-left\">Jorun Aldane</div>"), std::string::npos);
  EXPECT_NE(page.find("<div class=\"lrv-header-right\">v2026.04.19</div>"), std::string::npos);
  // The logo file is missing: its path stands as written; once present, it is embedded.
  EXPECT_NE(page.find("src=\"SIDECAR/assets/imgs/header.svg\""), std::string::npos);
  dir.write("SIDECAR/assets/imgs/header.svg", "<svg/>");
  page = render_document_html(small_document());
  EXPECT_NE(page.find("src=\"data:image/svg+xml;base64,PHN2Zy8+\""), std::string::npos);
}

TEST(RenderDocumentHtml, RunningTextGetsLinks) {
  ScopedWorkDir dir;
  Document d;
  d.title = "T";
  d.children.push_back(
      section("1.", "S", 1,
              {paragraph("See https://example.org/a."),
               BulletListNode{{ListItemNode{"www.example.com", {}, "li"}}, "bl"}}));
  const std::string page = render_document_html(d);
  EXPECT_NE(page.find("See <a href=\"https://example.org/a\" target=\"_blank\" rel=\"noopener "
                      "noreferrer\">https://example.org/a</a>."),
            std::string::npos);
  EXPECT_NE(page.find("<li><a href=\"https://www.example.com\" target=\"_blank\" rel=\"noopener "
                      "noreferrer\">www.example.com</a></li>"),
            std::string::npos);
}

/// Templates that show the page structure at a glance.
TemplateSet page_templates() {
  TemplateSet t;
  t.base = "T={TITLE}|H={HEADER}|B={BODY}|C={CSS_RESET}{CSS_COVER}";
  t.layout = "L[{OUTLINE_TITLE}|{OUTLINE}|{CONTENT}]";
  t.header = "HDR:{HEADER_CENTER}";
  t.section = "S({CONTENT})";
  t.paragraph = "{TEXT}";
  return t;
}

Document tiny_document() {
  Document d;
  d.title = "Doc";
  d.children.push_back(section("1.", "One", 1, {paragraph("text")}));
  return d;
}

TEST(RenderPage, Switches) {
  ScopedWorkDir dir;
  const std::string outline = reference::render_outline(tiny_document().children, std::nullopt);
  const std::string intro = "<section class=\"lrv-doc-intro\"><h1>Doc</h1></section>";
  struct Case {
    const char* name;
    RenderSettings settings;
    std::string want;
  };
  auto with = [](auto change) {
    RenderSettings s;
    change(s);
    return s;
  };
  const Case cases[] = {
      {"all on", {}, "T=Doc|H=HDR:Doc|B=L[Outline|" + outline + "|" + intro + "S(text)]|C="},
      {"header_enabled false", with([](RenderSettings& s) { s.header_enabled = false; }),
       "T=Doc|H=|B=L[Outline|" + outline + "|" + intro + "S(text)]|C="},
      {"component header off", with([](RenderSettings& s) { s.component_flags["header"] = false; }),
       "T=Doc|H=|B=L[Outline|" + outline + "|" + intro + "S(text)]|C="},
      {"outline off", with([](RenderSettings& s) { s.outline_enabled = false; }),
       "T=Doc|H=HDR:Doc|B=" + intro + "S(text)|C="},
      {"component outline off",
       with([](RenderSettings& s) { s.component_flags["outline"] = false; }),
       "T=Doc|H=HDR:Doc|B=" + intro + "S(text)|C="},
      {"intro off", with([](RenderSettings& s) { s.cover_enabled = false; }),
       "T=Doc|H=HDR:Doc|B=L[Outline|" + outline + "|S(text)]|C="},
      {"document_intro on but cover_enabled false", with([](RenderSettings& s) {
         s.cover_enabled = false;
         s.component_flags["document_intro"] = true;
       }),
       "T=Doc|H=HDR:Doc|B=L[Outline|" + outline + "|S(text)]|C="},
      {"component document_intro off",
       with([](RenderSettings& s) { s.component_flags["document_intro"] = false; }),
       "T=Doc|H=HDR:Doc|B=L[Outline|" + outline + "|S(text)]|C="},
      {"explicitly on", with([](RenderSettings& s) {
         s.header_enabled = true;
         s.outline_enabled = true;
         s.cover_enabled = true;
       }),
       "T=Doc|H=HDR:Doc|B=L[Outline|" + outline + "|" + intro + "S(text)]|C="},
      {"outline title as markup",
       with([](RenderSettings& s) { s.outline_title = "<em>Contents</em>"; }),
       "T=Doc|H=HDR:Doc|B=L[<em>Contents</em>|" + outline + "|" + intro + "S(text)]|C="},
      {"outline title of spaces", with([](RenderSettings& s) { s.outline_title = "  "; }),
       "T=Doc|H=HDR:Doc|B=L[  |" + outline + "|" + intro + "S(text)]|C="},
      {"section component off: the outline still lists the section",
       with([](RenderSettings& s) { s.component_flags["section"] = false; }),
       "T=Doc|H=HDR:Doc|B=L[Outline|" + outline + "|" + intro + "text]|C="},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(render_page(tiny_document(), page_templates(), c.settings), c.want);
  }
}

TEST(RenderPage, DocumentWithoutChildren) {
  ScopedWorkDir dir;
  Document d;
  d.title = "a<b";
  RenderSettings s;
  s.outline_enabled = false;
  s.header_enabled = false;
  EXPECT_EQ(render_page(d, page_templates(), s),
            "T=a&lt;b|H=|B=<section class=\"lrv-doc-intro\"><h1>a&lt;b</h1></section>|C=");
  s.cover_enabled = false;
  EXPECT_EQ(render_page(d, page_templates(), s), "T=a&lt;b|H=|B=|C=");
}

TEST(RenderPage, StyleBlocks) {
  ScopedWorkDir dir;
  TemplateSet t = page_templates();
  t.base = "{CSS_RESET}|{CSS_VARIABLES}|{CSS_LAYOUT}|{CSS_BLOCKS}|{CSS_HEADER}|{CSS_COVER}";
  RenderSettings s;
  EXPECT_EQ(render_page(tiny_document(), t, s), "|||||");
  dir.write("SIDECAR/css/reset.css", "r");
  dir.write("SIDECAR/css/header.css", "h {}\n");
  dir.write("cover.css", "");
  EXPECT_EQ(render_page(tiny_document(), t, s),
            "<style>\nr\n</style>||||<style>\nh {}\n\n</style>|");
  s.css_cover = "missing.css";
  s.css_reset = "";
  EXPECT_EQ(render_page(tiny_document(), t, s), "||||<style>\nh {}\n\n</style>|");
  s.css_cover = "cover.css";
  EXPECT_EQ(render_page(tiny_document(), t, s),
            "||||<style>\nh {}\n\n</style>|<style>\n\n</style>");
}

TEST(RenderPage, BaseTemplateShapes) {
  ScopedWorkDir dir;
  TemplateSet t = page_templates();
  RenderSettings s;
  s.outline_enabled = false;
  s.cover_enabled = false;
  t.base =
      "{COVER}\n<b>{BODY}</b>\n{SCRIPTS}\n{CSS}{HEADER_SVG_CSS}{LAYOUT_CSS}{COVER_CSS}"
      "{SECTION_CSS}{PARAGRAPH_CSS}{LIST_CSS}{FIGURE_CSS}{CODE_BLOCK_CSS}{ADMONITION_CSS}"
      "{TABLE_CSS}";
  EXPECT_EQ(render_page(tiny_document(), t, s), "\n<b>S(text)</b>\n\n");
  t.base = "no body here";
  EXPECT_EQ(render_page(tiny_document(), t, s), "no body here");
}

/// The page as the literal fills give it, for checking the placeholder order.
std::string literal_page(const Document& d, const TemplateSet& t, const RenderSettings& s) {
  std::string body = render_document_intro(d);
  BlockRenderer(t, s).append_blocks(body, d.children);
  const std::string outline = reference::render_outline(d.children, s.outline_max_depth);
  const std::string content = *reference::fill_template(t.layout, {{"{OUTLINE_TITLE}", "Outline"},
                                                                   {"{OUTLINE}", outline},
                                                                   {"{CONTENT}", body},
                                                                   {"{BODY}", ""}});
  const std::string title = escape_html(d.title);
  const std::string header = render_page_header(d, s, t.header, nullptr);
  std::vector<reference::Placeholder> pairs = {
      {"{TITLE}", title}, {"{HEADER}", header}, {"{BODY}", content}, {"{COVER}", ""}};
  const std::string reset = load_css(s.css_reset);
  pairs.emplace_back("{CSS_RESET}", reset);
  for (const char* p : {"{CSS_VARIABLES}", "{CSS_LAYOUT}", "{CSS_BLOCKS}", "{CSS_HEADER}",
                        "{CSS_COVER}", "{CSS}", "{HEADER_SVG_CSS}", "{LAYOUT_CSS}", "{COVER_CSS}",
                        "{SECTION_CSS}", "{PARAGRAPH_CSS}", "{LIST_CSS}", "{FIGURE_CSS}",
                        "{CODE_BLOCK_CSS}", "{ADMONITION_CSS}", "{TABLE_CSS}", "{SCRIPTS}"})
    pairs.emplace_back(p, "");
  return *reference::fill_template(t.base, pairs);
}

TEST(RenderPage, PlaceholdersInDocumentTextFollowThePairOrder) {
  ScopedWorkDir dir;
  dir.write("SIDECAR/css/reset.css", "RESET");
  const TemplateSet builtin = builtin_template_set();
  RenderSettings s;
  // Every placeholder of the layout and base fills, and some near-misses, in a paragraph,
  // in a section title (shown in the outline) and in the document title.
  const char* texts[] = {"{TITLE}",
                         "{HEADER}",
                         "{BODY}",
                         "{COVER}",
                         "{CSS_RESET}",
                         "{CSS_COVER}",
                         "{SCRIPTS}",
                         "{TABLE_CSS}",
                         "{OUTLINE}",
                         "{CONTENT}",
                         "{OUTLINE_TITLE}",
                         "{CSS",
                         "SS_RESET}",
                         "{",
                         "}",
                         "plain",
                         "a {CSS_RESET} b {SCRIPTS} c"};
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    for (int where = 0; where < 3; ++where) {
      Document d = tiny_document();
      if (where == 0) d.children[0].get_if<SectionNode>()->children[0] = paragraph(text);
      if (where == 1) d.children[0].get_if<SectionNode>()->title = text;
      if (where == 2) d.title = text;
      EXPECT_EQ(render_page(d, builtin, s), literal_page(d, builtin, s)) << where;
    }
  }
}

TEST(RenderPage, PlaceholderExamples) {
  ScopedWorkDir dir;
  dir.write("SIDECAR/css/reset.css", "RESET");
  TemplateSet t = page_templates();
  t.base = "<title>{TITLE}</title>{BODY}{CSS_RESET}";
  RenderSettings s;
  s.cover_enabled = false;
  s.header_enabled = false;
  s.outline_enabled = false;
  Document d = tiny_document();
  auto& first = d.children[0].get_if<SectionNode>()->children[0];
  // A paragraph holding "{CSS_RESET}" receives the reset style block; "{SCRIPTS}" is lost.
  first = paragraph("a{CSS_RESET}b{SCRIPTS}c");
  EXPECT_EQ(render_page(d, t, s),
            "<title>Doc</title>S(a<style>\nRESET\n</style>bc)<style>\nRESET\n</style>");
  // "{TITLE}" in the body is left alone: the title went in before the body.
  first = paragraph("{TITLE}");
  EXPECT_EQ(render_page(d, t, s), "<title>Doc</title>S({TITLE})<style>\nRESET\n</style>");
  // Without the layout, "{BODY}" in the body stays; with it, the layout fill removes it.
  first = paragraph("{BODY}");
  EXPECT_EQ(render_page(d, t, s), "<title>Doc</title>S({BODY})<style>\nRESET\n</style>");
  s.outline_enabled = true;
  t.layout = "{CONTENT}";
  EXPECT_EQ(render_page(d, t, s), "<title>Doc</title>S()<style>\nRESET\n</style>");
  // The document title holding "{BODY}" receives the whole content.
  s.outline_enabled = false;
  first = paragraph("x");
  d.title = "{BODY}";
  EXPECT_EQ(render_page(d, t, s), "<title>S(x)</title>S(x)<style>\nRESET\n</style>");
}

}  // namespace
}  // namespace lorvane::render
