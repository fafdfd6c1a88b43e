#include "render/page.hpp"

#include <sys/types.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

#include "render/blocks.hpp"
#include "render/file_io.hpp"
#include "render/fill.hpp"
#include "render/html.hpp"
#include "render/image.hpp"
#include "render/outline.hpp"

namespace lorvane::render {
namespace {

/// The fill budget of a page: this many times everything it is made of, plus this much.
constexpr std::size_t kFillBudgetFactor = 16;
constexpr std::size_t kFillBudgetSlack = std::size_t{64} << 20;

std::size_t optional_size(const std::optional<std::string>& text) {
  return text ? text->size() : 0;
}

/// The bytes of text that the document gives the renderer, and the figures' image sources.
std::size_t document_text_bytes(const parser::Document& document,
                                std::vector<std::string_view>& image_sources) {
  std::size_t bytes = document.title.size() + optional_size(document.subtitle) +
                      optional_size(document.description);
  for (const auto& [key, value] : document.metadata) bytes += key.size() + value.size();
  if (document.cover) {
    bytes += document.cover->title.size() + document.cover->subtitle.size() +
             document.cover->description.size();
    for (const auto& [key, value] : document.cover->metadata) bytes += key.size() + value.size();
  }
  std::vector<const parser::NodeList*> stack{&document.children};
  std::vector<const std::vector<parser::ListItemNode>*> items;
  while (!stack.empty()) {
    const parser::NodeList* list = stack.back();
    stack.pop_back();
    for (const parser::Node& node : *list) {
      if (const auto* s = node.get_if<parser::SectionNode>()) {
        bytes += s->number.size() + s->title.size() + s->node_id.size();
      } else if (const auto* p = node.get_if<parser::ParagraphNode>()) {
        bytes += p->text.size();
      } else if (const auto* b = node.get_if<parser::BulletListNode>()) {
        items.push_back(&b->items);
      } else if (const auto* o = node.get_if<parser::OrderedListNode>()) {
        items.push_back(&o->items);
      } else if (const auto* li = node.get_if<parser::ListItemNode>()) {
        bytes += li->text.size();
        items.push_back(&li->children);
      } else if (const auto* c = node.get_if<parser::CodeBlockNode>()) {
        bytes += c->content.size() + optional_size(c->language) + optional_size(c->caption);
      } else if (const auto* t = node.get_if<parser::TableNode>()) {
        bytes += t->data_source.size() + optional_size(t->caption);
        if (t->columns)
          for (const std::string& column : *t->columns) bytes += column.size();
      } else if (const auto* f = node.get_if<parser::FigureNode>()) {
        bytes += f->src.size() + optional_size(f->alt) + optional_size(f->caption) +
                 optional_size(f->width);
        image_sources.push_back(f->src);
      } else if (const auto* a = node.get_if<parser::AdmonitionNode>()) {
        bytes += a->level.size() + admonition_title(*a).size();
      }
      if (const parser::NodeList* children = node.child_blocks()) stack.push_back(children);
      // List items nest to any depth: walked with a stack of their own.
      while (!items.empty()) {
        const std::vector<parser::ListItemNode>* item_list = items.back();
        items.pop_back();
        for (const parser::ListItemNode& item : *item_list) {
          bytes += item.text.size();
          if (!item.children.empty()) items.push_back(&item.children);
        }
      }
    }
  }
  return bytes;
}

/// The data URIs of the distinct image files among `sources`, each counted once however
/// many figures show it: a page of a thousand figures of one image is made of one image.
std::size_t distinct_image_bytes(std::vector<std::string_view>& sources) {
  std::sort(sources.begin(), sources.end());
  sources.erase(std::unique(sources.begin(), sources.end()), sources.end());
  std::set<std::pair<dev_t, ino_t>> seen;
  std::size_t bytes = 0;
  for (const std::string_view src : sources) {
    const EmbeddedImage image = embedded_image(src);
    if (image.uri_bytes > 0 && seen.insert({image.device, image.inode}).second)
      bytes += image.uri_bytes;
  }
  return bytes;
}

/// A guess at the page size, so that the page buffer rarely has to grow (and copy itself)
/// while the blocks are written: the document's text plus room for the markup around
/// every node. Memory that is reserved but never written is not touched.
std::size_t estimate_body_size(const parser::NodeList& nodes) {
  std::size_t bytes = 0;
  std::vector<const parser::NodeList*> stack{&nodes};
  while (!stack.empty()) {
    const parser::NodeList* list = stack.back();
    stack.pop_back();
    for (const parser::Node& node : *list) {
      bytes += 256;
      if (const auto* s = node.get_if<parser::SectionNode>()) {
        bytes += 2 * (s->title.size() + s->number.size());
      } else if (const auto* p = node.get_if<parser::ParagraphNode>()) {
        bytes += p->text.size() + p->text.size() / 2;
      } else if (const auto* b = node.get_if<parser::BulletListNode>()) {
        for (const auto& item : b->items) bytes += 2 * item.text.size() + 64;
      } else if (const auto* o = node.get_if<parser::OrderedListNode>()) {
        for (const auto& item : o->items) bytes += 2 * item.text.size() + 64;
      } else if (const auto* c = node.get_if<parser::CodeBlockNode>()) {
        bytes += 2 * c->content.size();
      } else if (const auto* t = node.get_if<parser::TableNode>()) {
        bytes += 3 * t->data_source.size();
      }
      if (const parser::NodeList* children = node.child_blocks()) stack.push_back(children);
    }
  }
  return bytes;
}

struct PageParts {
  std::string title;
  std::string header;
  std::string intro;
  std::string_view outline_title;
  std::array<std::string, 6> css;  // reset, variables, layout, blocks, header, cover
  bool outline_on = false;
};

// The two values written straight into the page: the blocks and the outline.
constexpr int kBlocksSlot = 0;
constexpr int kOutlineSlot = 1;

/// The layout and base fills of the page. A value whose text is given is filled in as a
/// text, the others are deferred.
void fill_page(FillRope& base, FillRope& layout, FillRope& body, const TemplateSet& templates,
               const PageParts& parts,
               const std::optional<std::string> (&texts)[FillRope::kSlots]) {
  body.clear();
  body.append_text(parts.intro);
  if (texts[kBlocksSlot])
    body.append_text(*texts[kBlocksSlot]);
  else
    body.append_deferred(kBlocksSlot);
  if (parts.outline_on) {
    layout.reset(templates.layout);
    layout.replace("{OUTLINE_TITLE}", parts.outline_title);
    if (texts[kOutlineSlot])
      layout.replace("{OUTLINE}", *texts[kOutlineSlot]);
    else
      layout.replace_deferred("{OUTLINE}", kOutlineSlot);
    layout.replace_with("{CONTENT}", body);
    layout.replace("{BODY}", "");
  }
  base.reset(templates.base);
  base.replace("{TITLE}", parts.title);
  base.replace("{HEADER}", parts.header);
  base.replace_with("{BODY}", parts.outline_on ? layout : body);
  base.replace("{COVER}", "");
  base.replace("{CSS_RESET}", parts.css[0]);
  base.replace("{CSS_VARIABLES}", parts.css[1]);
  base.replace("{CSS_LAYOUT}", parts.css[2]);
  base.replace("{CSS_BLOCKS}", parts.css[3]);
  base.replace("{CSS_HEADER}", parts.css[4]);
  base.replace("{CSS_COVER}", parts.css[5]);
  for (const std::string_view placeholder :
       {"{CSS}", "{HEADER_SVG_CSS}", "{LAYOUT_CSS}", "{COVER_CSS}", "{SECTION_CSS}",
        "{PARAGRAPH_CSS}", "{LIST_CSS}", "{FIGURE_CSS}", "{CODE_BLOCK_CSS}", "{ADMONITION_CSS}",
        "{TABLE_CSS}", "{SCRIPTS}"})
    base.replace(placeholder, "");
}

}  // namespace

FillBudget page_budget(const parser::Document& document, const TemplateSet& templates,
                       const RenderSettings& settings) {
  std::size_t bytes = 0;
  for (const std::string* t :
       {&templates.base, &templates.layout, &templates.header, &templates.section,
        &templates.paragraph, &templates.list, &templates.figure, &templates.code_block,
        &templates.admonition, &templates.table})
    bytes += t->size();
  for (const std::string* value :
       {&settings.logo_path, &settings.header_left, &settings.header_center, &settings.header_right,
        &settings.outline_title})
    bytes += value->size();
  // The style blocks: each file with its "<style>\n" and "\n</style>".
  for (const std::string* path :
       {&settings.css_reset, &settings.css_variables, &settings.css_layout, &settings.css_blocks,
        &settings.css_header, &settings.css_cover}) {
    if (path->empty()) continue;
    Result<OptionalFile> css = OptionalFile::open(*path);
    if (css) bytes += css->size() + 17;
  }
  // The document's text and its images are found by a walk over the whole tree, which
  // costs an ordinary 50 MB page about 3 % of its render; they are counted once, when
  // first needed.
  auto counted = std::make_shared<std::optional<std::size_t>>();
  const std::string* logo = &settings.logo_path;
  return FillBudget(kFillBudgetFactor * bytes + kFillBudgetSlack, [&document, logo, counted] {
    if (!*counted) {
      std::vector<std::string_view> image_sources;
      const std::size_t text = document_text_bytes(document, image_sources);
      if (!logo->empty()) image_sources.push_back(*logo);
      *counted = text + distinct_image_bytes(image_sources);
    }
    return kFillBudgetFactor * **counted;
  });
}

std::string render_page(const parser::Document& document, const TemplateSet& templates,
                        const RenderSettings& settings, FillBudget& budget) {
  const bool header_on = settings.header_enabled.value_or(true) && settings.component_on("header");
  const bool outline_on =
      settings.outline_enabled.value_or(true) && settings.component_on("outline");
  const bool intro_on =
      settings.cover_enabled.value_or(true) && settings.component_on("document_intro");

  PageParts parts;
  parts.title = escape_html(document.title);
  if (intro_on) parts.intro = render_document_intro(document);
  parts.outline_on = outline_on;
  if (outline_on)
    parts.outline_title = settings.outline_title.empty() ? std::string_view("Outline")
                                                         : std::string_view(settings.outline_title);
  if (header_on) parts.header = render_page_header(document, settings, templates.header, &budget);
  parts.css[0] = load_css(settings.css_reset);
  parts.css[1] = load_css(settings.css_variables);
  parts.css[2] = load_css(settings.css_layout);
  parts.css[3] = load_css(settings.css_blocks);
  parts.css[4] = load_css(settings.css_header);
  if (!settings.css_cover.empty()) parts.css[5] = load_css(settings.css_cover);

  std::string page;
  std::size_t fixed = templates.base.size() + templates.layout.size() + parts.header.size() +
                      parts.intro.size() + parts.title.size();
  for (const std::string& css : parts.css) fixed += css.size();
  reserve_large_buffer(page, fixed + estimate_body_size(document.children) +
                                 (outline_on ? estimate_outline_size(document.children) : 0));

  // The blocks and the outline are written straight into the page where the fills put
  // them. Only when one of the pairs that follow such a value could reach into it
  // (document text holding a placeholder such as "{CSS_RESET}") is the page filled again
  // with that value as a plain text; each round turns at least one value into text.
  std::optional<FillBudget> round_budget;
  auto produce = [&](int slot, std::string& out) {
    if (slot == kBlocksSlot)
      BlockRenderer(templates, settings, &*round_budget).append_blocks(out, document.children);
    else
      append_outline_html(out, document.children, settings.outline_max_depth);
  };
  std::optional<std::string> texts[FillRope::kSlots];
  while (true) {
    // Each round pays from the budget as it was before the first: a round that is given
    // up must not use up what the next one needs.
    round_budget = budget;
    FillRope base(&*round_budget);
    FillRope layout(&*round_budget);
    FillRope body(&*round_budget);
    fill_page(base, layout, body, templates, parts, texts);
    std::optional<std::string> written[FillRope::kSlots];
    if (base.append_slots(page, produce, written)) break;
    for (int slot = 0; slot < FillRope::kSlots; ++slot)
      if (written[slot]) texts[slot] = std::move(written[slot]);
  }
  budget = *round_budget;
  return page;
}

std::string render_document_html(const parser::Document& document) {
  Result<std::string> sidecar = read_optional_text_file("SIDECAR/sidecar.yaml");
  const RenderSettings settings = sidecar.ok() ? parse_render_settings(*sidecar) : RenderSettings{};
  const TemplateSet templates = load_template_set(settings);
  FillBudget budget = page_budget(document, templates, settings);
  return render_page(document, templates, settings, budget);
}

}  // namespace lorvane::render
