#include "parser/content.hpp"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "parser/numbers.hpp"
#include "parser/text.hpp"

namespace lorvane::parser {
namespace {

// "Line {}: Numbered list must be sequential: expected {}, got {}."
Error sequence_error(std::size_t line_number, std::uint64_t expected, std::uint64_t got) {
  std::string message = "Numbered list must be sequential: expected ";
  message += std::to_string(expected);
  message += ", got ";
  message += std::to_string(got);
  message += '.';
  return line_error(line_number, message);
}

// The item text of a line that matched the ordered-item pattern `(\d+)\)\s+(.+)`: the
// digits hold no ")", and trimming drops the white space after it however the match
// shared it out between `\s+` and the text group. So this is the trimmed text group,
// without matching again.
std::string_view ordered_item_text(std::string_view line) {
  return text::trim(line.substr(line.find(')') + 1));
}

// The item text of a line that matched the bullet pattern `(\s*)-\s+(.+)`: the
// indentation group is all the leading white space (a "-" is none), the rest as above.
std::string_view bullet_item_text(std::string_view line) {
  return text::trim(text::trim_start(line).substr(1));
}

// Reads the blocks of one section, one after the other in line order, each checked in
// full before its node is made.
class ContentParser {
 public:
  ContentParser(const BodyContext& context, std::string_view number)
      : context_(context), lines_(context.lines), number_(number) {}

  Result<SectionContent> parse(std::size_t first_line) {
    SectionContent content;
    const std::size_t n = lines_.size();
    std::size_t j = first_line;
    while (j < n) {
      if (lines_.is_blank(j)) {
        ++j;
        continue;
      }
      if (is_heading_line(lines_, j, context_.body_start, context_.heading)) break;
      const std::string_view line = lines_[j];
      if (context_.ordered_item.matches(line)) {
        Result<std::size_t> end = scan_ordered_list(j);
        if (!end) return std::move(end).error();
        content.blocks.emplace_back(ordered_list(j, *end));
        j = *end;
      } else if (context_.bullet.matches(line)) {
        Result<std::size_t> end = scan_bullet_run(j);
        if (!end) return std::move(end).error();
        content.blocks.emplace_back(bullet_list(j));
        j = *end;
      } else if (starts_with_space(line)) {
        return line_error(j + 1, "Paragraphs must not start with whitespace.");
      } else {
        const std::size_t end = scan_paragraph(j);
        content.blocks.emplace_back(paragraph(j, end));
        j = end;
      }
    }
    content.next = j;
    return content;
  }

 private:
  std::size_t scan_paragraph(std::size_t j) const {
    const ParagraphStops stops{&context_.heading, context_.body_start, &context_.bullet,
                               &context_.ordered_item};
    // The run holds at least line j: the caller found it non-blank, no heading and no
    // list item.
    return collect_paragraph_lines(lines_, lines_.size(), j, stops).next;
  }

  Result<std::size_t> scan_ordered_list(std::size_t j) const {
    std::array<std::string_view, 1> number;
    std::uint64_t expected = 1;
    std::size_t k = j;
    for (; k < lines_.size(); ++k) {
      const std::string_view line = lines_[k];
      if (lines_.is_blank(k)) break;
      if (starts_with_space(line))
        return line_error(k + 1, "Ordered list items must start at column 0.");
      if (!context_.ordered_item.match(line, number)) break;
      Result<std::uint64_t> value = parse_decimal_u64(number[0]);
      if (!value) return std::move(value).error();
      if (*value != expected) return sequence_error(k + 1, expected, *value);
      ++expected;
    }
    return k;
  }

  // Notes the level (0, 1 or 2) of each line of the run in `levels_`.
  Result<std::size_t> scan_bullet_run(std::size_t j) {
    levels_.clear();
    std::array<std::string_view, 1> indentation;
    std::size_t k = j;
    // The run and the per-line checks in one pass: a line's checks depend only on the
    // lines before it, so the first breach in line order is found all the same.
    for (; k < lines_.size() && context_.bullet.match(lines_[k], indentation); ++k) {
      const std::size_t line_number = k + 1;
      const std::size_t width = indentation[0].size();  // bytes: U+00A0 counts two
      if (width % 2 != 0)
        return line_error(line_number, "Nested bullet indentation must use exact 2-space steps.");
      if (width > 4)
        return line_error(
            line_number, "Nested bullet list maximum depth is 3 levels (0..2 indentation levels).");
      const auto level = static_cast<std::uint8_t>(width / 2);
      if (!levels_.empty() && level > levels_.back() + 1)
        return line_error(line_number, "Nested bullet list level jump is not allowed.");
      levels_.push_back(level);
    }
    // Each later line is at most one level below the line before it, so only the first
    // line of the run can stand where no item is open (checked after the whole run, so a
    // breach on a later line is reported first).
    if (levels_[0] != 0) return line_error(j + 1, "Invalid nested bullet structure.");
    return k;
  }

  ParagraphNode paragraph(std::size_t start, std::size_t end) {
    ParagraphNode paragraph;
    paragraph.text = std::string(text::trim(lines_.joined(start, end)));
    paragraph.node_id = make_node_id("p", {number_, std::to_string(paragraph_counter_++)});
    return paragraph;
  }

  // Every line of [start, end) is one item.
  OrderedListNode ordered_list(std::size_t start, std::size_t end) {
    OrderedListNode list;
    const std::string counter = "o" + std::to_string(list_counter_);
    list.items.reserve(end - start);
    for (std::size_t k = start; k < end; ++k)
      list.items.push_back(
          ListItemNode{std::string(ordered_item_text(lines_[k])),
                       {},
                       make_node_id("li", {number_, counter, std::to_string(k - start)})});
    list.node_id = make_node_id("ol", {number_, std::to_string(list_counter_++)});
    return list;
  }

  // The run starting at line `start` that `scan_bullet_run` checked last.
  BulletListNode bullet_list(std::size_t start) {
    BulletListNode list;
    const std::string counter = "b" + std::to_string(list_counter_);
    std::size_t p = 0;
    list.items = bullet_items(start, levels_, 0, p, counter);
    list.node_id = make_node_id("bl", {number_, std::to_string(list_counter_++)});
    return list;
  }

  // The items at `level` from run position `p` up to the first line of a lower level,
  // each with its children; `p` moves past them. Counts them first, so the items are
  // allocated once. Each position is counted once per level above it and recursion goes
  // one call per level, so both stay within three for the levels the format allows.
  // REQUIRES: levels[p] == level (the scan's run checks guarantee it).
  std::vector<ListItemNode> bullet_items(std::size_t start, std::span<const std::uint8_t> levels,
                                         unsigned level, std::size_t& p,
                                         const std::string& counter) {
    std::size_t count = 0;
    for (std::size_t q = p; q < levels.size() && levels[q] >= level; ++q)
      count += levels[q] == level ? 1 : 0;
    std::vector<ListItemNode> items;
    items.reserve(count);
    // Lines deeper than `level` are taken by the children of the item before them.
    while (p < levels.size() && levels[p] >= level) {
      ListItemNode& item = items.emplace_back(
          ListItemNode{std::string(bullet_item_text(lines_[start + p])),
                       {},
                       make_node_id("li", {number_, counter, std::to_string(p)})});
      ++p;
      if (p < levels.size() && levels[p] == level + 1)
        item.children = bullet_items(start, levels, level + 1, p, counter);
    }
    return items;
  }

  const BodyContext& context_;
  const SourceLines& lines_;
  std::string_view number_;
  std::vector<std::uint8_t> levels_;  // of the bullet run read last
  std::size_t list_counter_ = 0;
  std::size_t paragraph_counter_ = 0;
};

}  // namespace

Result<SectionContent> parse_section_content(const BodyContext& context, std::size_t first_line,
                                             std::string_view number) {
  return ContentParser(context, number).parse(first_line);
}

}  // namespace lorvane::parser
