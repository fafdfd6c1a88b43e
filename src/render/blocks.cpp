#include "render/blocks.hpp"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <charconv>
#include <optional>
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

}  // namespace

/// Renders blocks into one output. Nested fills reuse ropes from the pool, so rendering
/// allocates little beyond the output and the escaped values.
class BlockRenderer::Impl {
 public:
  Impl(const TemplateSet& templates, const RenderSettings& settings, FillBudget* budget)
      : t_(templates),
        budget_(budget),
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
                      "{ITEMS}", {{"{CONTENT}", ""}}),
        pool_(budget) {}

  /// `depth` is the number of templates already open around `node`.
  void block(std::string& out, const Node& node, int depth) {
    if (const auto* s = node.get_if<SectionNode>()) {
      if (section_on_)
        section(out, *s, depth + 1);
      else
        unwrapped_sections(out, s->children, depth);
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
      if (table_on_) append_table_html(out, *tb, t_, budget_);
    } else if (const auto* a = node.get_if<AdmonitionNode>()) {
      if (admonition_on_) admonition(out, *a, depth + 1);
    }
  }

  void children(std::string& out, const NodeList& nodes, int depth) {
    for (const Node& node : nodes) block(out, node, depth);
  }

  void paragraph(std::string& out, std::string_view text) {
    // "{TEXT}" is the only pair, so the prepared fill never declines.
    (void)paragraph_fill_.append_to(
        out,
        [&](std::string& o) { append_first_line_split(o, text, text.find('\n') != text.npos); },
        budget_);
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
  /// Writes `nodes` at `depth` as `block` does, taking the sections among them (and among
  /// their children, at any nesting) without their template, as the section component
  /// being off asks: with an explicit stack, since nothing bounds how deep they nest.
  void unwrapped_sections(std::string& out, const NodeList& nodes, int depth) {
    std::vector<std::pair<const NodeList*, std::size_t>> stack;
    stack.emplace_back(&nodes, 0);
    while (!stack.empty()) {
      auto& [list, next] = stack.back();
      if (next == list->size()) {
        stack.pop_back();
        continue;
      }
      const Node& node = (*list)[next++];
      if (const auto* s = node.get_if<SectionNode>())
        stack.emplace_back(&s->children, 0);
      else
        block(out, node, depth);
    }
  }

  /// Fills a template one of whose pairs takes rendered children: `fill` applies all
  /// pairs, with the content deferred (nullptr) or as a text; `produce` writes the
  /// content. The deferred form writes the children straight into `out`; only when a later
  /// pair could reach into them is the fill repeated with their text, paying again from
  /// the budget as it was before the first try.
  template <typename Fill, typename Produce>
  void fill_with_content(std::string& out, Fill&& fill, Produce&& produce) {
    RopePool::Lease rope(pool_);
    fill(*rope, nullptr);
    const std::optional<FillBudget> before =
        budget_ != nullptr ? std::optional<FillBudget>(*budget_) : std::nullopt;
    std::string content;
    if (rope->append_to(out, produce, &content)) return;
    if (before) *budget_ = *before;
    fill(*rope, &content);
    rope->append_to(out);
  }

  /// The children of a section or admonition at `level`, written by `produce`, or the
  /// placeholder as written when the level is past `kMaxNesting`.
  template <typename Fill, typename Produce>
  void fill_nested(std::string& out, int level, Fill&& fill, Produce&& produce) {
    if (level > kMaxNesting) {
      static const std::string kContentAsWritten = "{CONTENT}";
      RopePool::Lease rope(pool_);
      fill(*rope, &kContentAsWritten);
      rope->append_to(out);
      return;
    }
    fill_with_content(out, fill, produce);
  }

  static void put(FillRope& rope, std::string_view placeholder, const std::string* content) {
    if (content != nullptr)
      rope.replace(placeholder, *content);
    else
      rope.replace_deferred(placeholder);
  }

  /// Fills the section template at `level`.
  void section(std::string& out, const SectionNode& s, int level) {
    const unsigned heading = s.level >= 1 && s.level <= 4 ? s.level + 1u : 6u;
    const std::string level_text = decimal(s.level);
    const std::string heading_text = decimal(heading);
    const std::string anchor = section_anchor(s);
    const std::string number = escape_html(s.number);
    const std::string title = escape_html(s.title);
    fill_nested(
        out, level,
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
    if ((bullet ? bullet_fill_ : ordered_fill_).append_to(out, produce, budget_)) return;
    // The items hold text that "{CONTENT}" could reach (or are empty): the general fill.
    fill_with_content(
        out,
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
    // An image is embedded (and paid for) only when the fill places its source.
    std::optional<std::string> src;
    auto place_src = [&](FillRope& rope, std::string_view placeholder) {
      if (!src && rope.contains(placeholder)) src = resolve_image_src_html(f.src, budget_);
      rope.replace(placeholder, src ? *src : std::string_view());
    };
    RopePool::Lease rope(pool_);
    rope->reset(t_.figure);
    place_src(*rope, "{SRC}");
    rope->replace("{ALT}", alt);
    rope->replace("{WIDTH_ATTR}", width);
    rope->replace("{CAPTION}", caption);
    place_src(*rope, "{FIGURE_SRC}");
    rope->replace("{FIGURE_ALT}", alt);
    rope->replace("{FIGURE_CAPTION}", caption_text);
    rope->append_to(out);
  }

  /// Like `section`, for the admonition template.
  void admonition(std::string& out, const AdmonitionNode& a, int level) {
    const std::string kind = escape_html(lower_case(a.level));
    const std::string title = escape_html(admonition_title(a));
    fill_nested(
        out, level,
        [&](FillRope& rope, const std::string* content) {
          rope.reset(t_.admonition);
          rope.replace("{LEVEL}", kind);
          put(rope, "{CONTENT}", content);
          rope.replace("{TITLE}", title);
        },
        [&](std::string& o) { children(o, a.children, level); });
  }

  const TemplateSet& t_;
  FillBudget* const budget_;
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
};

namespace {

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

BlockRenderer::BlockRenderer(const TemplateSet& templates, const RenderSettings& settings,
                             FillBudget* budget)
    : impl_(std::make_unique<Impl>(templates, settings, budget)) {}

BlockRenderer::~BlockRenderer() = default;

void BlockRenderer::append_block(std::string& out, const Node& node) { impl_->block(out, node, 0); }

void BlockRenderer::append_blocks(std::string& out, const NodeList& nodes) {
  impl_->children(out, nodes, 0);
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
  Slugger slug(out);
  if (!section.node_id.empty()) {
    slug.feed(section.node_id);
    return out;
  }
  slug.feed(section.number);
  slug.feed("-");
  slug.feed(section.title);
  return out;
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
