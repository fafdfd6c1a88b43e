#include "render/outline.hpp"

#include <algorithm>

#include "parser/text.hpp"
#include "render/blocks.hpp"
#include "render/fill.hpp"
#include "render/html.hpp"
#include "render/image.hpp"

namespace lorvane::render {
namespace {

void append_items(std::string& out, const std::vector<OutlineEntry>& entries,
                  unsigned open_depth) {
  for (const OutlineEntry& entry : entries) {
    out += "<li>";
    auto link = [&] {
      out += "<a class=\"lrv-outline-link\" href=\"#";
      append_escaped_html(out, entry.anchor);
      out += "\">";
      append_escaped_html(out, entry.label);
      out += "</a>";
    };
    if (!entry.children.empty()) {
      out += entry.level < open_depth ? "<details open>" : "<details>";
      out += "<summary><div class=\"lrv-outline-row\">"
             "<span class=\"lrv-outline-toggle\" aria-hidden=\"true\"></span>";
      link();
      out += "</div></summary><ul>";
      append_items(out, entry.children, open_depth);  // one call per outline level (<= 255)
      out += "</ul></details>";
    } else {
      out += "<div class=\"lrv-outline-row\">"
             "<span class=\"lrv-outline-spacer\" aria-hidden=\"true\"></span>";
      link();
      out += "</div>";
    }
    out += "</li>";
  }
}

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

std::pair<std::vector<OutlineEntry>, std::size_t> build_outline_tree(
    std::vector<OutlineEntry>& flat, unsigned level, std::size_t start) {
  std::vector<OutlineEntry> result;
  std::size_t i = start;
  while (i < flat.size()) {
    const unsigned l = flat[i].level;
    if (l < level) break;
    if (l > level) {
      ++i;  // no parent at this level here: dropped
      continue;
    }
    OutlineEntry entry = std::move(flat[i]);
    ++i;
    // Levels are 8-bit: below 255 there is nothing, so such an entry stays a leaf and the
    // entries after it are left to this loop and its callers.
    if (level < 255) {
      auto [children, stop] = build_outline_tree(flat, level + 1, i);
      entry.children = std::move(children);
      i = stop;
    }
    result.push_back(std::move(entry));
  }
  return {std::move(result), i};
}

std::string render_outline_items(const std::vector<OutlineEntry>& entries, unsigned open_depth) {
  std::string out;
  append_items(out, entries, open_depth);
  return out;
}

std::string render_outline(const parser::NodeList& children,
                           std::optional<std::uint8_t> max_depth) {
  std::vector<OutlineEntry> flat;
  for (const parser::Node& node : children) {
    const auto* section = node.get_if<parser::SectionNode>();
    if (section == nullptr) continue;
    OutlineEntry& entry = flat.emplace_back();
    entry.label.reserve(section->number.size() + 1 + section->title.size());
    entry.label += section->number;
    entry.label += ' ';
    entry.label += section->title;
    entry.anchor = section_anchor(*section);
    entry.level = section->level == 0 ? std::uint8_t{1} : section->level;
  }
  const std::vector<OutlineEntry> tree = build_outline_tree(flat, 1, 0).first;
  const unsigned open_depth = max_depth ? std::max<unsigned>(*max_depth, 1) : 2;
  std::string out = "<ul class=\"lrv-outline-tree\">";
  append_items(out, tree, open_depth);
  out += "</ul>";
  return out;
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
                               const std::string& header_template) {
  const std::string left =
      settings.header_left.empty() ? std::string() : resolve_header_text(settings.header_left, document);
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

  const std::string logo_src = escape_html(resolve_image_src(logo));
  const std::string left_html = escape_html(left);
  const std::string center_html = escape_html(center);
  const std::string right_html = escape_html(right);
  FillRope rope;
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
