#include "parser/sections.hpp"

#include <array>
#include <optional>
#include <string>
#include <utility>

#include "parser/content.hpp"
#include "parser/numbers.hpp"
#include "parser/text.hpp"

namespace lorvane::parser {
namespace {

constexpr std::size_t kMaxComponents = 255;

Error jump_error(std::size_t line_number, std::uint64_t expected, std::uint64_t got) {
  std::string message = "Section numbering jump: expected ";
  message += std::to_string(expected);
  message += ", got ";
  message += std::to_string(got);
  message += '.';
  return line_error(line_number, message);
}

}  // namespace

SectionNumbering::SectionNumbering() : children_of_(1, 0) {}

void SectionNumbering::reserve(std::size_t headings) { children_of_.reserve(headings + 1); }

std::optional<std::size_t> SectionNumbering::child(std::size_t parent,
                                                   std::uint64_t component) const {
  const std::size_t list = children_of_[parent];
  if (list == 0) return std::nullopt;
  const Children& children = children_[list - 1];
  if (component < children.first) return std::nullopt;
  const std::uint64_t offset = component - children.first;
  if (offset >= children.ids.size()) return std::nullopt;
  return children.ids[offset];
}

Status SectionNumbering::accept(const std::vector<std::uint64_t>& components,
                                std::string_view bare_number, std::size_t line_number) {
  if (components.size() > kMaxComponents)
    return line_error(line_number, "Section nesting too deep.");
  // The checks come in this order, and each relies on the ones before it: the walk
  // goes down as far as the number is known; the whole number known is a duplicate;
  // stopping more than one step short of the end is a missing parent; only then is the
  // entry reached (`id`, 0 for the root) the parent, whose children the sequence rule
  // checks.
  std::size_t id = 0;
  std::size_t depth = 0;
  for (; depth < components.size(); ++depth) {
    const std::optional<std::size_t> next = child(id, components[depth]);
    if (!next) break;
    id = *next;
  }
  if (depth == components.size()) {
    std::string message = "Duplicate section number '";
    message += bare_number;
    message += "' is forbidden.";
    return line_error(line_number, message);
  }
  if (depth + 1 < components.size()) {
    const std::vector<std::uint64_t> parent(components.begin(), components.end() - 1);
    std::string message = "Invalid hierarchy: parent section '";
    message += join_section_number(parent);
    message += "' is missing.";
    return line_error(line_number, message);
  }
  // Here depth + 1 == size: `id` is the parent (the root for a one-component number).
  const std::uint64_t last = components.back();
  std::size_t list = children_of_[id];
  if (list != 0) {
    // Children count up from 0 or 1 by one, so this stays far below the maximum.
    const Children& siblings = children_[list - 1];
    const std::uint64_t expected = siblings.first + siblings.ids.size();
    if (last != expected) return jump_error(line_number, expected, last);
  } else if (components.size() == 1) {
    if (last > 1)
      return line_error(line_number, "First section under ROOT must start with 0 or 1.");
  } else if (last != 1) {
    return line_error(line_number, "First subsection must start with 1.");
  }
  if (list == 0) {
    children_.push_back(Children{last, {}});
    list = children_.size();
    children_of_[id] = list;
  }
  children_[list - 1].ids.push_back(children_of_.size());
  children_of_.push_back(0);
  return {};
}

Result<NodeList> parse_sections(const SourceLines& lines, std::size_t body_start,
                                const Pattern& heading_pattern, const Pattern& bullet_pattern,
                                const Pattern& ordered_item_pattern) {
  const BodyContext context{lines, body_start, heading_pattern, bullet_pattern,
                            ordered_item_pattern};
  NodeList sections;
  // Every heading line of the body becomes a section (or the parse fails), so counting
  // them first lets the list be allocated once: a section node is large, and growing the
  // list by doubling would move each one and briefly hold the list twice.
  std::size_t heading_count = 0;
  for (std::size_t i = body_start; i < lines.size(); ++i)
    heading_count += is_heading_line(lines, i, body_start, heading_pattern) ? 1 : 0;
  sections.reserve(heading_count);
  SectionNumbering numbering;
  numbering.reserve(heading_count);
  std::vector<std::uint64_t> components;
  ContentScratch scratch;
  std::array<std::string_view, 2> groups;
  const std::size_t n = lines.size();
  std::size_t i = body_start;
  while (i < n) {
    if (lines.is_blank(i)) {
      ++i;
      continue;
    }
    if (!is_heading_line(lines, i, body_start, heading_pattern) ||
        !heading_pattern.match(lines[i], groups))
      return line_error(i + 1, "Content outside sections is not allowed.");
    const std::size_t line_number = i + 1;
    const std::string_view number = groups[0];
    std::string_view bare = number;
    while (!bare.empty() && bare.back() == '.') bare.remove_suffix(1);
    if (Status status = parse_section_number_into(bare, components); !status)
      return std::move(status).error();
    if (Status status = numbering.accept(components, bare, line_number); !status)
      return std::move(status).error();

    SectionNode section;
    section.number = std::string(number);
    section.title = std::string(text::trim(groups[1]));
    section.level = static_cast<std::uint8_t>(components.size());
    section.node_id = make_node_id("sec", {bare});
    section.source = SourceLocation{line_number};
    Result<SectionContent> content = parse_section_content(context, i + 1, section.number, scratch);
    if (!content) return std::move(content).error();
    section.children = std::move(content->blocks);
    sections.emplace_back(std::move(section));
    i = content->next;
  }
  return sections;
}

}  // namespace lorvane::parser
