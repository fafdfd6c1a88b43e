#include "parser/content.hpp"

#include <array>
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

class ContentParser {
 public:
  ContentParser(const BodyContext& context, std::string_view number, std::vector<Node>& blocks)
      : context_(context), lines_(context.lines), number_(number), blocks_(blocks) {}

  Result<std::size_t> run(std::size_t first_line) {
    const std::size_t n = lines_.size();
    std::size_t j = first_line;
    while (j < n) {
      if (lines_.is_blank(j)) {
        ++j;
        continue;
      }
      if (is_heading_line(lines_, j, context_.body_start, context_.heading)) break;
      const std::string_view line = lines_[j];
      Result<std::size_t> next = std::size_t{0};
      if (context_.ordered_item.matches(line)) {
        next = ordered_list(j);
      } else if (context_.bullet.matches(line)) {
        next = bullet_list(j);
      } else if (starts_with_space(line)) {
        return line_error(j + 1, "Paragraphs must not start with whitespace.");
      } else {
        next = paragraph(j);
      }
      if (!next) return std::move(next).error();
      j = *next;
    }
    return j;
  }

 private:
  std::size_t paragraph(std::size_t j) {
    const ParagraphStops stops{&context_.heading, context_.body_start, &context_.bullet,
                               &context_.ordered_item};
    const LineRun run = collect_paragraph_lines(lines_, lines_.size(), j, stops);
    // The run holds at least line j: the caller found it non-blank, no heading and no
    // list item.
    ParagraphNode paragraph;
    paragraph.text = std::string(text::trim(lines_.joined(run.start, run.next)));
    paragraph.node_id = make_node_id("p", {number_, std::to_string(paragraph_counter_++)});
    blocks_.emplace_back(std::move(paragraph));
    return run.next;
  }

  Result<std::size_t> ordered_list(std::size_t j) {
    OrderedListNode list;
    const std::string counter = "o" + std::to_string(list_counter_);
    std::array<std::string_view, 2> groups;
    std::uint64_t expected = 1;
    std::size_t k = j;
    for (; k < lines_.size(); ++k) {
      const std::string_view line = lines_[k];
      if (lines_.is_blank(k)) break;
      if (starts_with_space(line))
        return line_error(k + 1, "Ordered list items must start at column 0.");
      if (!context_.ordered_item.match(line, groups)) break;
      Result<std::uint64_t> value = parse_decimal_u64(groups[0]);
      if (!value) return std::move(value).error();
      if (*value != expected) return sequence_error(k + 1, expected, *value);
      list.items.push_back(
          ListItemNode{std::string(text::trim(groups[1])),
                       {},
                       make_node_id("li", {number_, counter, std::to_string(list.items.size())})});
      ++expected;
    }
    list.node_id = make_node_id("ol", {number_, std::to_string(list_counter_++)});
    blocks_.emplace_back(std::move(list));
    return k;
  }

  Result<std::size_t> bullet_list(std::size_t j) {
    entries_.clear();
    std::array<std::string_view, 2> groups;
    std::size_t k = j;
    // The run and the per-line checks in one pass: a line's checks depend only on the
    // lines before it, so the first breach in line order is found all the same.
    for (; k < lines_.size() && context_.bullet.match(lines_[k], groups); ++k) {
      const std::size_t line_number = k + 1;
      const std::size_t indentation = groups[0].size();  // bytes: U+00A0 counts two
      if (indentation % 2 != 0)
        return line_error(line_number, "Nested bullet indentation must use exact 2-space steps.");
      if (indentation > 4)
        return line_error(
            line_number, "Nested bullet list maximum depth is 3 levels (0..2 indentation levels).");
      const auto level = static_cast<unsigned>(indentation / 2);
      if (!entries_.empty() && level > entries_.back().level + 1)
        return line_error(line_number, "Nested bullet list level jump is not allowed.");
      entries_.push_back(BulletEntry{text::trim(groups[1]), level, line_number, entries_.size()});
    }
    Result<BulletLevel> tree = build_bullet_tree(entries_, 0, 0, number_, list_counter_);
    if (!tree) return std::move(tree).error();
    BulletListNode list;
    list.items = std::move(tree->items);
    list.node_id = make_node_id("bl", {number_, std::to_string(list_counter_++)});
    blocks_.emplace_back(std::move(list));
    return k;
  }

  const BodyContext& context_;
  const SourceLines& lines_;
  std::string_view number_;
  std::size_t list_counter_ = 0;
  std::size_t paragraph_counter_ = 0;
  std::vector<Node>& blocks_;
  std::vector<BulletEntry> entries_;  // reused by every bullet run of the section
};

}  // namespace

Result<SectionContent> parse_section_content(const BodyContext& context, std::size_t first_line,
                                             std::string_view number, std::vector<Node>& scratch) {
  scratch.clear();
  Result<std::size_t> next = ContentParser(context, number, scratch).run(first_line);
  if (!next) {
    scratch.clear();
    return std::move(next).error();
  }
  SectionContent content;
  content.next = *next;
  content.blocks.reserve(scratch.size());
  for (Node& block : scratch) content.blocks.push_back(std::move(block));
  scratch.clear();
  return content;
}

Result<SectionContent> parse_section_content(const BodyContext& context, std::size_t first_line,
                                             std::string_view number) {
  std::vector<Node> scratch;
  return parse_section_content(context, first_line, number, scratch);
}

Result<BulletLevel> build_bullet_tree(std::span<const BulletEntry> entries, unsigned level,
                                      std::size_t start, std::string_view number,
                                      std::size_t list_counter) {
  BulletLevel result;
  const std::string counter = "b" + std::to_string(list_counter);
  std::size_t p = start;
  while (p < entries.size()) {
    const BulletEntry& entry = entries[p];
    if (entry.level < level) break;
    if (entry.level > level) return line_error(entry.line, "Invalid nested bullet structure.");
    ListItemNode item{std::string(entry.text),
                      {},
                      make_node_id("li", {number, counter, std::to_string(entry.index)})};
    ++p;
    if (p < entries.size() && entries[p].level == level + 1) {
      Result<BulletLevel> children = build_bullet_tree(entries, level + 1, p, number, list_counter);
      if (!children) return std::move(children).error();
      item.children = std::move(children->items);
      p = children->next;
    }
    result.items.push_back(std::move(item));
  }
  result.next = p;
  return result;
}

}  // namespace lorvane::parser
