#include "render/testing/reference.hpp"

#include <algorithm>

#include "parser/text.hpp"
#include "render/blocks.hpp"
#include "render/html.hpp"

namespace lorvane::render::reference {

std::optional<std::string> fill_template(std::string_view text,
                                         const std::vector<Placeholder>& pairs,
                                         std::size_t max_bytes) {
  if (text.size() > max_bytes) return std::nullopt;
  std::string current(text);
  for (const auto& [placeholder, value] : pairs) {
    if (placeholder.empty()) continue;
    std::string next;
    std::size_t done = 0;
    for (std::size_t pos = current.find(placeholder); pos != std::string::npos;
         pos = current.find(placeholder, done)) {
      next.append(current, done, pos - done);
      next.append(value);
      done = pos + placeholder.size();
      if (next.size() > max_bytes) return std::nullopt;
    }
    next.append(current, done);
    if (next.size() > max_bytes) return std::nullopt;
    current = std::move(next);
  }
  return current;
}

std::vector<std::vector<std::string_view>> parse_csv_rows(std::string_view data_source) {
  std::vector<std::vector<std::string_view>> rows;
  std::size_t pos = 0;
  while (auto row = next_csv_row(data_source, pos)) rows.push_back(std::move(*row));
  return rows;
}

std::optional<std::vector<std::string_view>> next_csv_row(std::string_view text, std::size_t& pos) {
  while (pos < text.size()) {
    const std::size_t nl = text.find('\n', pos);
    const std::size_t end = nl == std::string_view::npos ? text.size() : nl;
    const std::string_view line = text::trim(text.substr(pos, end - pos));
    pos = nl == std::string_view::npos ? text.size() : nl + 1;
    if (!line.empty()) return split_csv_cells(line);
  }
  return std::nullopt;
}

std::vector<std::string_view> split_csv_cells(std::string_view line) {
  std::vector<std::string_view> cells;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = line.find(',', start);
    if (comma == std::string_view::npos) {
      cells.push_back(text::trim(line.substr(start)));
      return cells;
    }
    cells.push_back(text::trim(line.substr(start, comma - start)));
    start = comma + 1;
  }
}

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
    // Levels are 8-bit: below 255 there is nothing, so such an entry stays a leaf.
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
  for (const OutlineEntry& entry : entries) {
    const std::string link = "<a class=\"lrv-outline-link\" href=\"#" + escape_html(entry.anchor) +
                             "\">" + escape_html(entry.label) + "</a>";
    out += "<li>";
    if (!entry.children.empty()) {
      out += entry.level < open_depth ? "<details open>" : "<details>";
      out +=
          "<summary><div class=\"lrv-outline-row\">"
          "<span class=\"lrv-outline-toggle\" aria-hidden=\"true\"></span>";
      out += link;
      out += "</div></summary><ul>";
      out += render_outline_items(entry.children, open_depth);
      out += "</ul></details>";
    } else {
      out +=
          "<div class=\"lrv-outline-row\">"
          "<span class=\"lrv-outline-spacer\" aria-hidden=\"true\"></span>";
      out += link;
      out += "</div>";
    }
    out += "</li>";
  }
  return out;
}

std::string render_outline(const parser::NodeList& children,
                           std::optional<std::uint8_t> max_depth) {
  std::vector<OutlineEntry> flat;
  for (const parser::Node& node : children) {
    const auto* s = node.get_if<parser::SectionNode>();
    if (s == nullptr) continue;
    OutlineEntry entry;
    entry.label = s->number + " " + s->title;
    entry.anchor = section_anchor(*s);
    entry.level = s->level == 0 ? 1 : s->level;
    flat.push_back(std::move(entry));
  }
  const std::vector<OutlineEntry> tree = build_outline_tree(flat, 1, 0).first;
  const unsigned open_depth = max_depth ? std::max<unsigned>(*max_depth, 1) : 2;
  return "<ul class=\"lrv-outline-tree\">" + render_outline_items(tree, open_depth) + "</ul>";
}

}  // namespace lorvane::render::reference
