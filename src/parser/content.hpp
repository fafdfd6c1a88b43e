#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "parser/document.hpp"
#include "parser/error.hpp"
#include "parser/pattern.hpp"
#include "parser/text_lines.hpp"

// The content of one section: paragraphs, ordered lists and bullet lists nested up to
// three levels, with their node identifiers.
namespace lorvane::parser {

/// What the content parser reads besides the section's own first line and number. Only
/// views: the lines and patterns belong to the caller.
struct BodyContext {
  const SourceLines& lines;
  std::size_t body_start;
  const Pattern& heading;
  const Pattern& bullet;
  const Pattern& ordered_item;
};

/// The blocks of one section and the first line they did not take: the next heading
/// line, or the line count.
struct SectionContent {
  NodeList blocks;
  std::size_t next = 0;
};

/// Parses the lines from `first_line` up to the next heading line (or the end) into the
/// blocks of the section numbered `number` (as written, trailing dot kept). Blank lines
/// separate blocks and leave no trace. Fails with the first breach of the paragraph and
/// list rules.
Result<SectionContent> parse_section_content(const BodyContext& context, std::size_t first_line,
                                             std::string_view number);

}  // namespace lorvane::parser
