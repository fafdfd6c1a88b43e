// Renders documents and templates built from the input: nothing may crash, the page stays
// within its budget, and a page the budget did not cut short equals the one the literal
// template fills give.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "parser/text.hpp"
#include "render/blocks.hpp"
#include "render/html.hpp"
#include "render/outline.hpp"
#include "render/page.hpp"
#include "render/testing/reference.hpp"

namespace {

using namespace lorvane;
using parser::Node;
using parser::NodeList;

const char* const kTokens[] = {"{CONTENT}", "{TITLE}",   "{BODY}",      "{TEXT}",   "{ITEMS}",
                               "{LEVEL}",   "{CODE}",    "{CSS_RESET}", "{HEADER}", "{OUTLINE}",
                               "{SCRIPTS}", "{CAPTION}", "{TABLE}",     "{SRC}",    "{",
                               "}",         "<",         "x",           "\n",       "TITLE}"};

std::string tokens(FuzzedDataProvider& in, std::size_t max) {
  std::string s;
  const std::size_t n = in.ConsumeIntegralInRange<std::size_t>(0, max);
  for (std::size_t i = 0; i < n; ++i)
    s += kTokens[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kTokens) - 1)];
  return s;
}

std::string text(FuzzedDataProvider& in) {
  if (in.ConsumeBool()) return tokens(in, 4);
  return text::lossy_utf8(in.ConsumeRandomLengthString(24));
}

parser::Document build_document(FuzzedDataProvider& in) {
  parser::Document d;
  d.title = text(in);
  if (in.ConsumeBool()) d.subtitle = text(in);
  if (in.ConsumeBool()) d.description = text(in);
  if (in.ConsumeBool()) d.metadata["Version"] = text(in);
  if (in.ConsumeBool()) d.cover = parser::DocumentCover{text(in), "", "", d.metadata};
  std::vector<NodeList*> open = {&d.children};
  for (int op = 0; op < 64 && in.remaining_bytes() > 0; ++op) {
    NodeList& here = *open.back();
    switch (in.ConsumeIntegralInRange(0, 9)) {
      case 0: {
        parser::SectionNode s;
        s.number = text(in);
        s.title = text(in);
        s.level = in.ConsumeIntegral<std::uint8_t>();
        if (in.ConsumeBool()) s.node_id = text(in);
        here.push_back(std::move(s));
        open.push_back(here.back().child_blocks());
        break;
      }
      case 1: {
        parser::AdmonitionNode a;
        a.level = text(in);
        if (in.ConsumeBool())
          a.render_hints = parser::RenderHints{{"title", parser::JsonValue(text(in))}};
        here.push_back(std::move(a));
        open.push_back(here.back().child_blocks());
        break;
      }
      case 2:
        if (open.size() > 1) open.pop_back();
        break;
      case 3:
        here.push_back(parser::ParagraphNode{text(in), "p"});
        break;
      case 4:
      case 5: {
        std::vector<parser::ListItemNode> items(in.ConsumeIntegralInRange(0, 3));
        for (auto& item : items) {
          item.text = text(in);
          if (in.ConsumeBool()) item.children.push_back(parser::ListItemNode{text(in), {}, "li"});
        }
        if (in.ConsumeBool())
          here.push_back(parser::BulletListNode{std::move(items), "bl"});
        else
          here.push_back(parser::OrderedListNode{std::move(items), "ol"});
        break;
      }
      case 6: {
        parser::TableNode t;
        t.data_source = text(in) + "," + text(in) + "\n" + text(in);
        if (in.ConsumeBool()) t.columns = std::vector<std::string>{text(in)};
        if (in.ConsumeBool()) t.caption = text(in);
        here.push_back(std::move(t));
        break;
      }
      case 7: {
        parser::CodeBlockNode c;
        c.content = text(in);
        if (in.ConsumeBool()) c.language = text(in);
        here.push_back(std::move(c));
        break;
      }
      case 8: {
        static const char* const kSources[] = {"", "https://example.org/a.png", "data:x",
                                               "missing.png", "/dev/zero"};
        parser::FigureNode f;
        f.src = kSources[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kSources) - 1)];
        if (in.ConsumeBool()) f.caption = text(in);
        here.push_back(std::move(f));
        break;
      }
      default: {
        // A chain deeper than the template bound.
        const int depth = in.ConsumeIntegralInRange(1, 100);
        Node node = parser::ParagraphNode{text(in), "p"};
        for (int i = 0; i < depth; ++i) {
          parser::AdmonitionNode a;
          a.level = "note";
          a.children.push_back(std::move(node));
          node = std::move(a);
        }
        here.push_back(std::move(node));
        break;
      }
    }
  }
  return d;
}

/// The page as the literal fills give it, its blocks rendered within `budget` (the page
/// may leave them out, so their size is not bounded by the page's).
std::string literal_page(const parser::Document& d, const render::TemplateSet& t,
                         const render::RenderSettings& s, render::FillBudget& budget) {
  std::string body = s.cover_enabled.value_or(true) ? render::render_document_intro(d) : "";
  render::BlockRenderer(t, s, &budget).append_blocks(body, d.children);
  std::string content = body;
  if (s.outline_enabled.value_or(true)) {
    const std::string outline = render::reference::render_outline(d.children, s.outline_max_depth);
    content = *render::reference::fill_template(t.layout, {{"{OUTLINE_TITLE}", "Outline"},
                                                           {"{OUTLINE}", outline},
                                                           {"{CONTENT}", body},
                                                           {"{BODY}", ""}});
  }
  const std::string title = render::escape_html(d.title);
  const std::string header =
      s.header_enabled.value_or(true) ? render::render_page_header(d, s, t.header, nullptr) : "";
  std::vector<render::reference::Placeholder> pairs = {
      {"{TITLE}", title}, {"{HEADER}", header}, {"{BODY}", content}, {"{COVER}", ""}};
  for (const char* p :
       {"{CSS_RESET}", "{CSS_VARIABLES}", "{CSS_LAYOUT}", "{CSS_BLOCKS}", "{CSS_HEADER}",
        "{CSS_COVER}", "{CSS}", "{HEADER_SVG_CSS}", "{LAYOUT_CSS}", "{COVER_CSS}", "{SECTION_CSS}",
        "{PARAGRAPH_CSS}", "{LIST_CSS}", "{FIGURE_CSS}", "{CODE_BLOCK_CSS}", "{ADMONITION_CSS}",
        "{TABLE_CSS}", "{SCRIPTS}"})
    pairs.emplace_back(p, "");
  return *render::reference::fill_template(t.base, pairs);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  render::TemplateSet t = render::builtin_template_set();
  for (std::string* tmpl : {&t.base, &t.layout, &t.header, &t.section, &t.paragraph, &t.list,
                            &t.figure, &t.code_block, &t.admonition, &t.table})
    if (in.ConsumeBool()) *tmpl = tokens(in, 6);
  render::RenderSettings s;
  // The CSS paths point nowhere, so the style blocks are empty.
  s.css_reset = s.css_variables = s.css_layout = s.css_blocks = s.css_header = "";
  if (in.ConsumeBool()) s.outline_enabled = false;
  if (in.ConsumeBool()) s.cover_enabled = false;
  if (in.ConsumeBool()) s.header_enabled = false;
  if (in.ConsumeBool()) s.component_flags["section"] = false;
  if (in.ConsumeBool()) s.outline_max_depth = in.ConsumeIntegral<std::uint8_t>();
  const parser::Document d = build_document(in);
  // A small budget, so that templates that repeat their content, nested, reach it. The
  // page stays within it; a page that it did not cut short is the literal one.
  constexpr std::size_t kBudget = std::size_t{256} << 10;
  render::FillBudget budget(kBudget);
  const std::string page = render::render_page(d, t, s, budget);
  if (page.size() > 2 * kBudget + (std::size_t{1} << 20)) __builtin_trap();
  if (budget.refused()) return 0;
  render::FillBudget blocks_budget(kBudget);
  const std::string literal = literal_page(d, t, s, blocks_budget);
  if (!blocks_budget.refused() && page != literal) __builtin_trap();
  return 0;
}
