#include "render/blocks.hpp"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <charconv>
#include <utility>

#include "parser/text.hpp"
#include "render/fill.hpp"
#include "render/html.hpp"
#include "render/image.hpp"
#include "render/table.hpp"

namespace lorvane::render {
namespace {

using parser::AdmonitionNode;
using parser::BulletListNode;
using parser::CodeBlockNode;
using parser::CoverNode;
using parser::FigureNode;
using parser::ListItemNode;
using parser::Node;
using parser::NodeList;
using parser::OrderedListNode;
using parser::ParagraphNode;
using parser::SectionNode;
using parser::TableNode;

constexpr std::string_view kNestedListOpen = "\n<ul class=\"lrv-list lrv-bullet-list\">\n";

/// Text that is cut at its first line feed: the first line (bold or not), "<br/>\n",
/// then the rest; without a line feed the whole text (bold or not).
void append_first_line_split(std::string& out, std::string_view text, bool bold) {
  const std::size_t nl = text.find('\n');
  const std::string_view first = text.substr(0, nl);
  if (bold) out += "<strong>";
  append_inline_html(out, first);
  if (bold) out += "</strong>";
  if (nl == std::string_view::npos) return;
  out += "<br/>\n";
  append_inline_html(out, text.substr(nl + 1));
}

/// The nested item lists being written, with the next item of each.
using ItemStack = std::vector<std::pair<const std::vector<ListItemNode>*, std::size_t>>;

/// One list item with all its nested items. Items can nest to any depth in the type, so
/// the nesting is walked with an explicit stack (reused across calls).
void append_list_item(std::string& out, const ListItemNode& item, bool bold, ItemStack& stack) {
  out += "<li>";
  append_first_line_split(out, item.text, bold);
  if (item.children.empty()) {
    out += "</li>\n";
    return;
  }
  out += kNestedListOpen;
  stack.clear();
  stack.emplace_back(&item.children, 0);
  while (!stack.empty()) {
    auto& [list, next] = stack.back();
    if (next == list->size()) {
      stack.pop_back();
      out += "</ul>\n</li>\n";
      continue;
    }
    const ListItemNode& child = (*list)[next++];
    out += "<li>";
    append_first_line_split(out, child.text, false);
    if (child.children.empty()) {
      out += "</li>\n";
    } else {
      out += kNestedListOpen;
      stack.emplace_back(&child.children, 0);
    }
  }
}

void append_items(std::string& out, const std::vector<ListItemNode>& items, bool bullet,
                  ItemStack& stack) {
  for (const ListItemNode& item : items)
    append_list_item(out, item, bullet && !item.children.empty(), stack);
}

std::string decimal(unsigned value) {
  char buf[16];
  const auto result = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, result.ptr);
}

/// Renders blocks into one output. Nested fills reuse ropes from the pool, so rendering
/// allocates little beyond the output and the escaped values.
class BlockRenderer {
 public:
  BlockRenderer(const TemplateSet& templates, const RenderSettings& settings)
      : t_(templates),
        section_on_(settings.component_on("section")),
        paragraph_on_(settings.component_on("paragraph")),
        bullet_list_on_(settings.component_on("bullet_list")),
        ordered_list_on_(settings.component_on("ordered_list")),
        list_item_on_(settings.component_on("list_item")),
        figure_on_(settings.component_on("figure")),
        code_block_on_(settings.component_on("code_block")),
        table_on_(settings.component_on("table")),
        admonition_on_(settings.component_on("admonition")),
        paragraph_fill_(templates.paragraph, {}, "{TEXT}", {}),
        bullet_fill_(templates.list, {{"{TAG}", "ul"}, {"{LIST_CLASS}", "lrv-bullet-list"}},
                     "{ITEMS}", {{"{CONTENT}", ""}}),
        ordered_fill_(templates.list, {{"{TAG}", "ol"}, {"{LIST_CLASS}", "lrv-ordered-list"}},
                      "{ITEMS}", {{"{CONTENT}", ""}}) {}

  /// `depth` is the number of templates already open around `node`.
  void block(std::string& out, const Node& node, int depth) {
    if (const NodeList* inner = flat_children(node, depth)) {
      flat(out, *inner, depth);
      return;
    }
    if (const auto* s = node.get_if<SectionNode>()) {
      if (!section(out, *s, depth + 1)) flat(out, s->children, depth);
    } else if (const auto* p = node.get_if<ParagraphNode>()) {
      if (paragraph_on_) paragraph(out, p->text);
    } else if (const auto* b = node.get_if<BulletListNode>()) {
      if (bullet_list_on_) list(out, b->items, true);
    } else if (const auto* o = node.get_if<OrderedListNode>()) {
      if (ordered_list_on_) list(out, o->items, false);
    } else if (const auto* li = node.get_if<ListItemNode>()) {
      if (list_item_on_) append_list_item(out, *li, true, item_stack_);
    } else if (node.get_if<CoverNode>() != nullptr) {
      // A cover node never shows: the cover data reaches the page through the header and
      // the document intro.
    } else if (const auto* f = node.get_if<FigureNode>()) {
      if (figure_on_) figure(out, *f);
    } else if (const auto* c = node.get_if<CodeBlockNode>()) {
      if (code_block_on_) code_block(out, *c);
    } else if (const auto* tb = node.get_if<TableNode>()) {
      if (table_on_) append_table_html(out, *tb, t_);
    } else if (const auto* a = node.get_if<AdmonitionNode>()) {
      if (admonition_on_ && !admonition(out, *a, depth + 1)) flat(out, a->children, depth);
    }
  }

  void children(std::string& out, const NodeList& nodes, int depth) {
    for (const Node& node : nodes) block(out, node, depth);
  }

  void paragraph(std::string& out, std::string_view text) {
    // "{TEXT}" is the only pair, so the prepared fill never declines.
    (void)paragraph_fill_.append_to(out, [&](std::string& o) {
      append_first_line_split(o, text, text.find('\n') != text.npos);
    });
  }

  void code_block(std::string& out, const CodeBlockNode& code) {
    std::string caption;
    if (code.caption) {
      caption = "<div class=\"lrv-codeblock-caption\">";
      append_escaped_html(caption, *code.caption);
      caption += "</div>";
    }
    const std::string language = code.language ? escape_html(*code.language) : std::string("plain");
    const std::string content = escape_html(code.content);
    RopePool::Lease rope(pool_);
    rope->reset(t_.code_block);
    rope->replace("{CAPTION}", caption);
    rope->replace("{LANGUAGE}", language);
    rope->replace("{CONTENT}", content);
    rope->replace("{CODE}", content);
    rope->append_to(out);
  }

 private:
  /// The children to render in place of `node` without its template: a section whose
  /// component is off, or a section or admonition that would be filled too deep.
  const NodeList* flat_children(const Node& node, int depth) const {
    if (const auto* s = node.get_if<SectionNode>())
      return !section_on_ || depth >= kMaxTemplateDepth ? &s->children : nullptr;
    if (const auto* a = node.get_if<AdmonitionNode>())
      return admonition_on_ && depth >= kMaxTemplateDepth ? &a->children : nullptr;
    return nullptr;
  }

  /// Renders `nodes` at `depth`, opening no template for the nodes that render flat (at
  /// any nesting), with an explicit stack instead of recursion.
  void flat(std::string& out, const NodeList& nodes, int depth) {
    std::vector<std::pair<const NodeList*, std::size_t>> stack;
    stack.emplace_back(&nodes, 0);
    while (!stack.empty()) {
      auto& [list, next] = stack.back();
      if (next == list->size()) {
        stack.pop_back();
        continue;
      }
      const Node& node = (*list)[next++];
      if (const NodeList* inner = flat_children(node, depth)) {
        stack.emplace_back(inner, 0);
      } else if (const auto* s = node.get_if<SectionNode>()) {
        if (!section(out, *s, depth + 1)) stack.emplace_back(&s->children, 0);
      } else if (const auto* a = node.get_if<AdmonitionNode>()) {
        if (admonition_on_ && !admonition(out, *a, depth + 1)) stack.emplace_back(&a->children, 0);
      } else {
        block(out, node, depth);  // a leaf
      }
    }
  }

  /// Fills a template one of whose pairs takes rendered children: `fill` applies all
  /// pairs, with the content deferred (nullptr) or as a text; `produce` writes the
  /// content. The deferred form writes the children straight into `out`; only when a later
  /// pair could reach into them is the fill repeated with their text. For a section or
  /// admonition (`nests`), returns false without writing anything when the copies of the
  /// content would exceed `kMaxContentCopies`; the caller then renders it flat.
  template <typename Fill, typename Produce>
  bool fill_with_content(std::string& out, bool nests, Fill&& fill, Produce&& produce) {
    RopePool::Lease rope(pool_);
    fill(*rope, nullptr);
    const std::size_t copies = std::max<std::size_t>(rope->deferred_copies(), 1);
    if (nests && copies > 1 && copies_ * copies > kMaxContentCopies) return false;
    const std::size_t saved = copies_;
    if (nests) copies_ *= copies;
    std::string content;
    const bool written = rope->append_to(out, produce, &content);
    copies_ = saved;
    if (written) return true;
    fill(*rope, &content);
    rope->append_to(out);
    return true;
  }

  static void put(FillRope& rope, std::string_view placeholder, const std::string* content) {
    if (content != nullptr)
      rope.replace(placeholder, *content);
    else
      rope.replace_deferred(placeholder);
  }

  /// Fills the section template at `level`; false (nothing written) when the section must
  /// be rendered flat because of `kMaxContentCopies`.
  bool section(std::string& out, const SectionNode& s, int level) {
    const unsigned heading = s.level >= 1 && s.level <= 4 ? s.level + 1u : 6u;
    const std::string level_text = decimal(s.level);
    const std::string heading_text = decimal(heading);
    std::string anchor;
    append_section_anchor(anchor, s);
    const std::string number = escape_html(s.number);
    const std::string title = escape_html(s.title);
    return fill_with_content(
        out, true,
        [&](FillRope& rope, const std::string* content) {
          rope.reset(t_.section);
          rope.replace("{LEVEL}", level_text);
          rope.replace("{ANCHOR}", anchor);
          rope.replace("{HLEVEL}", heading_text);
          rope.replace("{SECNUM}", number);
          rope.replace("{TITLE}", title);
          put(rope, "{CONTENT}", content);
        },
        [&](std::string& o) { children(o, s.children, level); });
  }

  void list(std::string& out, const std::vector<ListItemNode>& items, bool bullet) {
    auto produce = [&](std::string& o) {
      if (list_item_on_) append_items(o, items, bullet, item_stack_);
    };
    if ((bullet ? bullet_fill_ : ordered_fill_).append_to(out, produce)) return;
    // The items hold text that "{CONTENT}" could reach (or are empty): the general fill.
    fill_with_content(
        out, false,
        [&](FillRope& rope, const std::string* content) {
          rope.reset(t_.list);
          rope.replace("{TAG}", bullet ? "ul" : "ol");
          rope.replace("{LIST_CLASS}", bullet ? "lrv-bullet-list" : "lrv-ordered-list");
          put(rope, "{ITEMS}", content);
          rope.replace("{CONTENT}", "");
        },
        produce);
  }

  void figure(std::string& out, const FigureNode& f) {
    const std::string src = resolve_image_src_html(f.src);
    const std::string alt = f.alt ? escape_html(*f.alt) : std::string();
    std::string width;
    if (f.width) {
      width = " style=\"max-width:";
      append_escaped_html(width, *f.width);
      width += ";\"";
    }
    const std::string caption_text = f.caption ? escape_html(*f.caption) : std::string();
    std::string caption;
    if (f.caption)
      caption = "<figcaption class=\"lrv-figure-caption\">" + caption_text + "</figcaption>";
    RopePool::Lease rope(pool_);
    rope->reset(t_.figure);
    rope->replace("{SRC}", src);
    rope->replace("{ALT}", alt);
    rope->replace("{WIDTH_ATTR}", width);
    rope->replace("{CAPTION}", caption);
    rope->replace("{FIGURE_SRC}", src);
    rope->replace("{FIGURE_ALT}", alt);
    rope->replace("{FIGURE_CAPTION}", caption_text);
    rope->append_to(out);
  }

  /// Like `section`, for the admonition template.
  bool admonition(std::string& out, const AdmonitionNode& a, int level) {
    const std::string kind = escape_html(lower_case(a.level));
    const std::string title = escape_html(admonition_title(a));
    return fill_with_content(
        out, true,
        [&](FillRope& rope, const std::string* content) {
          rope.reset(t_.admonition);
          rope.replace("{LEVEL}", kind);
          put(rope, "{CONTENT}", content);
          rope.replace("{TITLE}", title);
        },
        [&](std::string& o) { children(o, a.children, level); });
  }

  const TemplateSet& t_;
  const bool section_on_;
  const bool paragraph_on_;
  const bool bullet_list_on_;
  const bool ordered_list_on_;
  const bool list_item_on_;
  const bool figure_on_;
  const bool code_block_on_;
  const bool table_on_;
  const bool admonition_on_;
  const PreparedFill paragraph_fill_;
  const PreparedFill bullet_fill_;
  const PreparedFill ordered_fill_;
  RopePool pool_;
  ItemStack item_stack_;
  /// The product of the copies that the open templates make of what is rendered now.
  std::size_t copies_ = 1;
};

bool is_slug_hyphen(char32_t cp) { return cp == '-' || cp == '.' || text::is_white_space(cp); }

/// Appends the slug of the texts fed to it, as if they were one text.
class Slugger {
 public:
  explicit Slugger(std::string& out) : out_(out), start_(out.size()) {}
  void feed(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
      const char32_t cp = text::decode_utf8(text, pos);
      if (is_slug_hyphen(cp)) {
        hyphen_ = out_.size() > start_;  // a run of hyphens waits for a kept character
        continue;
      }
      char c;
      if (cp >= 'A' && cp <= 'Z') {
        c = static_cast<char>(cp - 'A' + 'a');
      } else if ((cp >= 'a' && cp <= 'z') || (cp >= '0' && cp <= '9') || cp == '_') {
        c = static_cast<char>(cp);
      } else {
        continue;  // dropped; a waiting hyphen still waits
      }
      if (hyphen_) out_ += '-';
      hyphen_ = false;
      out_ += c;
    }
  }

 private:
  std::string& out_;
  const std::size_t start_;
  bool hyphen_ = false;
};

}  // namespace

std::string render_block(const Node& node, const TemplateSet& templates,
                         const RenderSettings& settings) {
  std::string out;
  BlockRenderer(templates, settings).block(out, node, 0);
  return out;
}

std::vector<std::string> render_children(const NodeList& nodes, const TemplateSet& templates,
                                         const RenderSettings& settings) {
  BlockRenderer renderer(templates, settings);
  std::vector<std::string> texts;
  texts.reserve(nodes.size());
  for (const Node& node : nodes) {
    std::string& text = texts.emplace_back();
    renderer.block(text, node, 0);
  }
  return texts;
}

void append_blocks_html(std::string& out, const NodeList& nodes, const TemplateSet& templates,
                        const RenderSettings& settings) {
  BlockRenderer(templates, settings).children(out, nodes, 0);
}

std::string render_paragraph(std::string_view text, const TemplateSet& templates) {
  std::string out;
  BlockRenderer(templates, RenderSettings{}).paragraph(out, text);
  return out;
}

std::string render_list_item(const ListItemNode& item, bool bold) {
  std::string out;
  ItemStack stack;
  append_list_item(out, item, bold, stack);
  return out;
}

void render_bullet_items(std::string& out, const std::vector<ListItemNode>& items) {
  ItemStack stack;
  append_items(out, items, true, stack);
}

void render_ordered_items(std::string& out, const std::vector<ListItemNode>& items) {
  ItemStack stack;
  append_items(out, items, false, stack);
}

std::string render_code_block(const CodeBlockNode& code, const TemplateSet& templates) {
  std::string out;
  BlockRenderer(templates, RenderSettings{}).code_block(out, code);
  return out;
}

std::string admonition_title(const AdmonitionNode& admonition) {
  if (admonition.render_hints) {
    const auto it = admonition.render_hints->find("title");
    if (it != admonition.render_hints->end()) {
      if (const auto* title = std::get_if<std::string>(&it->second.value)) {
        const std::string_view trimmed = text::trim(*title);
        if (!trimmed.empty()) return std::string(trimmed);
      }
    }
  }
  return admonition.level;
}

std::string section_anchor(const SectionNode& section) {
  std::string out;
  append_section_anchor(out, section);
  return out;
}

void append_section_anchor(std::string& out, const SectionNode& section) {
  Slugger slug(out);
  if (!section.node_id.empty()) {
    slug.feed(section.node_id);
    return;
  }
  slug.feed(section.number);
  slug.feed("-");
  slug.feed(section.title);
}

std::string slugify(std::string_view text) {
  std::string out;
  Slugger(out).feed(text);
  return out;
}

std::string lower_case(std::string_view text) {
  bool ascii = true;
  for (const char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  std::string out;
  if (ascii) {
    out.reserve(text.size());
    for (const char c : text) out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return out;
  }
  // ICU takes 32-bit lengths: a (never realistic) text beyond that is mapped in parts cut
  // at code point boundaries.
  constexpr std::size_t kPart = std::size_t{1} << 28;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = std::min(text.size(), start + kPart);
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0u) == 0x80u) ++end;
    icu::UnicodeString part = icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data() + start, static_cast<int32_t>(end - start)));
    part.toLower(icu::Locale::getRoot());
    part.toUTF8String(out);
    start = end;
  }
  return out;
}

}  // namespace lorvane::render
