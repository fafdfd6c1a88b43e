#include "parser/content.hpp"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <utility>

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

// The kind of a block, kept in the low bits of its note in `ContentScratch::blocks`.
enum class BlockKind : std::uint64_t { kParagraph = 0, kOrderedList = 1, kBulletList = 2 };
constexpr unsigned kKindBits = 2;
constexpr std::uint64_t kKindMask = (std::uint64_t{1} << kKindBits) - 1;

// Appends `value` seven bits to a byte, low bits first, the top bit of each byte set when
// another one follows: most block notes take one byte.
void append_varint(std::vector<std::uint8_t>& out, std::uint64_t value) {
  while (value >= 0x80) {
    out.push_back(static_cast<std::uint8_t>(value | 0x80));
    value >>= 7;
  }
  out.push_back(static_cast<std::uint8_t>(value));
}

// Reads a value written by `append_varint` at `pos` and moves `pos` past it.
std::uint64_t read_varint(const std::vector<std::uint8_t>& in, std::size_t& pos) {
  std::uint64_t value = 0;
  for (unsigned shift = 0;; shift += 7) {
    const std::uint8_t byte = in[pos++];
    value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
    if (byte < 0x80) return value;
  }
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

// Reads the blocks of one section in two passes over its lines. `scan` runs the patterns
// and every check in line order and notes the kind and the end of each block (and the
// level of each bullet line); `build` then makes the nodes from those notes, each list
// allocated once at its final size.
class ContentParser {
 public:
  ContentParser(const BodyContext& context, std::string_view number, ContentScratch& scratch)
      : context_(context), lines_(context.lines), number_(number), scratch_(scratch) {}

  // Returns the first line after the section's content: the next heading line or the end.
  Result<std::size_t> scan(std::size_t first_line) {
    const std::size_t n = lines_.size();
    std::size_t j = first_line;
    std::size_t previous_end = first_line;
    while (j < n) {
      if (lines_.is_blank(j)) {
        ++j;
        continue;
      }
      if (is_heading_line(lines_, j, context_.body_start, context_.heading)) break;
      const std::string_view line = lines_[j];
      Result<std::size_t> next = std::size_t{0};
      BlockKind kind = BlockKind::kParagraph;
      if (context_.ordered_item.matches(line)) {
        kind = BlockKind::kOrderedList;
        next = scan_ordered_list(j);
      } else if (context_.bullet.matches(line)) {
        kind = BlockKind::kBulletList;
        next = scan_bullet_run(j);
      } else if (starts_with_space(line)) {
        return line_error(j + 1, "Paragraphs must not start with whitespace.");
      } else {
        next = scan_paragraph(j);
      }
      if (!next) return std::move(next).error();
      const std::uint64_t lines = *next - previous_end;
      append_varint(scratch_.blocks, (lines << kKindBits) | static_cast<std::uint64_t>(kind));
      ++block_count_;
      previous_end = j = *next;
    }
    return j;
  }

  // The blocks noted by a successful `scan` from the same `first_line`. Blank lines
  // separate blocks, so each block starts at the first non-blank line after the one before.
  NodeList build(std::size_t first_line) {
    NodeList blocks;
    blocks.reserve(block_count_);
    std::size_t start = first_line;
    std::size_t end = first_line;
    std::size_t bullet_lines = 0;  // bullet levels taken by the runs before
    for (std::size_t pos = 0; pos < scratch_.blocks.size();) {
      const std::uint64_t note = read_varint(scratch_.blocks, pos);
      end += note >> kKindBits;
      while (lines_.is_blank(start)) ++start;
      switch (static_cast<BlockKind>(note & kKindMask)) {
        case BlockKind::kParagraph:
          blocks.emplace_back(paragraph(start, end));
          break;
        case BlockKind::kOrderedList:
          blocks.emplace_back(ordered_list(start, end));
          break;
        case BlockKind::kBulletList: {
          const std::span<const std::uint8_t> levels(scratch_.bullet_levels.data() + bullet_lines,
                                                     end - start);
          bullet_lines += levels.size();
          blocks.emplace_back(bullet_list(start, levels));
          break;
        }
      }
      start = end;
    }
    return blocks;
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

  Result<std::size_t> scan_bullet_run(std::size_t j) {
    std::vector<std::uint8_t>& levels = scratch_.bullet_levels;
    const std::size_t first = levels.size();
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
      if (levels.size() > first && level > levels.back() + 1)
        return line_error(line_number, "Nested bullet list level jump is not allowed.");
      levels.push_back(level);
    }
    // Each later line is at most one level below the line before it, so only the first
    // line of the run can stand where no item is open (checked after the whole run, so a
    // breach on a later line is reported first).
    if (levels[first] != 0) return line_error(j + 1, "Invalid nested bullet structure.");
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
      list.items.push_back(ListItemNode{std::string(ordered_item_text(lines_[k])),
                                        {},
                                        make_node_id("li", {number_, counter,
                                                            std::to_string(k - start)})});
    list.node_id = make_node_id("ol", {number_, std::to_string(list_counter_++)});
    return list;
  }

  // `levels` holds the level of each line of the run starting at line `start`.
  BulletListNode bullet_list(std::size_t start, std::span<const std::uint8_t> levels) {
    BulletListNode list;
    const std::string counter = "b" + std::to_string(list_counter_);
    std::size_t p = 0;
    list.items = bullet_items(start, levels, 0, p, counter);
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
  ContentScratch& scratch_;
  std::size_t block_count_ = 0;  // the notes written by `scan`
  std::size_t list_counter_ = 0;
  std::size_t paragraph_counter_ = 0;
};

}  // namespace

Result<SectionContent> parse_section_content(const BodyContext& context, std::size_t first_line,
                                             std::string_view number, ContentScratch& scratch) {
  scratch.blocks.clear();
  scratch.bullet_levels.clear();
  ContentParser parser(context, number, scratch);
  Result<std::size_t> next = parser.scan(first_line);
  if (!next) return std::move(next).error();
  return SectionContent{parser.build(first_line), *next};
}

Result<SectionContent> parse_section_content(const BodyContext& context, std::size_t first_line,
                                             std::string_view number) {
  ContentScratch scratch;
  return parse_section_content(context, first_line, number, scratch);
}

}  // namespace lorvane::parser
