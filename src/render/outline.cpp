#include "render/outline.hpp"

#include <algorithm>

#include "parser/text.hpp"
#include "render/blocks.hpp"
#include "render/fill.hpp"
#include "render/html.hpp"
#include "render/image.hpp"

namespace lorvane::render {
namespace {

/// The map the header takes "Author", "Status", "Version" and "Language" from.
const parser::TextMap& header_metadata(const parser::Document& document) {
  if (document.cover && !document.cover->metadata.empty()) return document.cover->metadata;
  return document.metadata;
}

std::string metadata_value(const parser::TextMap& metadata, const char* key) {
  const auto it = metadata.find(key);
  return it == metadata.end() ? std::string() : it->second;
}

const std::string& cover_or_document_title(const parser::Document& document) {
  if (document.cover && !document.cover->title.empty()) return document.cover->title;
  return document.title;
}

}  // namespace

namespace {

void append_link(std::string& out, const parser::SectionNode& section) {
  out += "<a class=\"lrv-outline-link\" href=\"#";
  out += section_anchor(section);  // needs no escaping
  out += "\">";
  append_escaped_html(out, section.number);
  out += ' ';
  append_escaped_html(out, section.title);
  out += "</a>";
}

void append_leaf(std::string& out, const parser::SectionNode& section) {
  out +=
      "<li><div class=\"lrv-outline-row\">"
      "<span class=\"lrv-outline-spacer\" aria-hidden=\"true\"></span>";
  append_link(out, section);
  out += "</div></li>";
}

void append_opening(std::string& out, const parser::SectionNode& section, bool open) {
  out += open ? "<li><details open>" : "<li><details>";
  out +=
      "<summary><div class=\"lrv-outline-row\">"
      "<span class=\"lrv-outline-toggle\" aria-hidden=\"true\"></span>";
  append_link(out, section);
  out += "</div></summary><ul>";
}

}  // namespace

std::size_t estimate_outline_size(const parser::NodeList& children) {
  std::size_t estimate = 64;
  for (const parser::Node& node : children)
    if (const auto* s = node.get_if<parser::SectionNode>())
      estimate += 280 + 2 * (s->number.size() + s->title.size() + s->node_id.size());
  return estimate;
}

void append_outline_html(std::string& out, const parser::NodeList& children,
                         std::optional<std::uint8_t> max_depth) {
  const unsigned open_depth = max_depth ? std::max<unsigned>(*max_depth, 1) : 2;
  out += "<ul class=\"lrv-outline-tree\">";

  // The outline is a tree: each entry takes the following entries one level deeper as its
  // children, and an entry deeper than that has no parent and is left out. It is written
  // in one pass without building the tree. `calls` are the levels being collected,
  // innermost last, each with whether it has taken an entry yet. An entry is written once it is
  // known whether its children's level takes anything: at the next entry taken, or when that level
  // ends.
  struct Call {
    unsigned level;
    bool took = false;
  };
  std::vector<Call> calls = {{1}};
  const parser::SectionNode* pending = nullptr;  // taken, children unknown
  auto end_call = [&] {
    if (calls.back().took)
      out += "</ul></details></li>";
    else if (pending != nullptr)
      append_leaf(out, *pending);  // its children's level took nothing
    pending = nullptr;
    calls.pop_back();
  };
  for (const parser::Node& node : children) {
    const auto* section = node.get_if<parser::SectionNode>();
    if (section == nullptr) continue;
    const unsigned level = section->level == 0 ? 1 : section->level;
    while (level < calls.back().level) end_call();
    if (level > calls.back().level) continue;  // no parent at this place: left out
    if (pending != nullptr) {
      // The first child of the pending entry.
      const unsigned parent_level = calls.back().level - 1;
      append_opening(out, *pending, parent_level < open_depth);
      pending = nullptr;
    }
    calls.back().took = true;
    if (level < 255) {
      pending = section;
      calls.push_back({level + 1});
    } else {
      append_leaf(out, *section);  // nothing lies below level 255
    }
  }
  while (calls.size() > 1) end_call();
  out += "</ul>";
}

std::string resolve_header_text(const std::string& setting, const parser::Document& document) {
  const std::string_view token = text::trim(setting);
  const parser::TextMap& metadata = header_metadata(document);
  if (token == "{metadata.title}") return cover_or_document_title(document);
  if (token == "{metadata.author}") return metadata_value(metadata, "Author");
  if (token == "{metadata.status}") return metadata_value(metadata, "Status");
  if (token == "{metadata.version}") return metadata_value(metadata, "Version");
  if (token == "{metadata.language}") return metadata_value(metadata, "Language");
  if (token == "{metadata.subtitle}") return document.subtitle.value_or(std::string());
  if (token == "{metadata.description}") return document.description.value_or(std::string());
  return setting;
}

std::string render_page_header(const parser::Document& document, const RenderSettings& settings,
                               const std::string& header_template, FillBudget* budget) {
  const std::string left = settings.header_left.empty()
                               ? std::string()
                               : resolve_header_text(settings.header_left, document);
  const std::string center = settings.header_center.empty()
                                 ? cover_or_document_title(document)
                                 : resolve_header_text(settings.header_center, document);
  std::string right;
  if (!settings.header_right.empty()) {
    right = resolve_header_text(settings.header_right, document);
  } else {
    right = metadata_value(header_metadata(document), "Version");
  }
  const std::string& logo = settings.logo_path;
  if (left.empty() && center.empty() && right.empty() && logo.empty()) return {};

  const std::string logo_src = resolve_image_src_html(logo, budget);
  const std::string left_html = escape_html(left);
  const std::string center_html = escape_html(center);
  const std::string right_html = escape_html(right);
  FillRope rope(budget);
  rope.reset(header_template);
  rope.replace("{HEADER_SVG_SRC}", logo_src);
  rope.replace("{HEADER_LEFT}", left_html);
  rope.replace("{HEADER_CENTER}", center_html);
  rope.replace("{HEADER_RIGHT}", right_html);
  return rope.text();
}

std::string render_document_intro(const parser::Document& document) {
  std::string out = "<section class=\"lrv-doc-intro\"><h1>";
  append_escaped_html(out, document.title);
  out += "</h1>";
  if (document.subtitle) {
    out += "<p class=\"cover-subtitle\" style=\"color:#5a6676;\">";
    append_escaped_html(out, *document.subtitle);
    out += "</p>";
  }
  if (document.description) {
    out += "<p class=\"lrv-paragraph\">";
    const std::string description = escape_html(*document.description);
    std::size_t start = 0;
    for (std::size_t nl = description.find('\n'); nl != std::string::npos;
         nl = description.find('\n', start)) {
      out.append(description, start, nl - start);
      out += "<br/>\n";
      start = nl + 1;
    }
    out.append(description, start);
    out += "</p>";
  }
  if (!document.metadata.empty()) {
    out += "<ul class=\"lrv-doc-meta\">";
    for (const auto& [key, value] : document.metadata) {
      out += "<li><strong>";
      append_escaped_html(out, key);
      out += "</strong>: ";
      append_escaped_html(out, value);
      out += "</li>";
    }
    out += "</ul>";
  }
  out += "</section>";
  return out;
}

}  // namespace lorvane::render
