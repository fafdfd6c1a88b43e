#pragma once

#include <cstddef>
#include <span>
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

/// Like the above, building the blocks in `scratch` (left empty, its capacity kept) so
/// that the returned list holds exactly its blocks: a parse reuses one scratch for all
/// its sections.
Result<SectionContent> parse_section_content(const BodyContext& context, std::size_t first_line,
                                             std::string_view number, std::vector<Node>& scratch);

/// One line of a bullet run while its list is built. `text` is a view into the source.
struct BulletEntry {
  std::string_view text;  ///< the item text, trimmed
  unsigned level = 0;     ///< indentation / 2: 0, 1 or 2
  std::size_t line = 0;   ///< 1-based line number
  std::size_t index = 0;  ///< 0-based position within the run
};

/// The items of one level and the position of the first entry not taken.
struct BulletLevel {
  std::vector<ListItemNode> items;
  std::size_t next = 0;
};

/// The items at `level` from entry `start` on: an entry of a lower level ends the level,
/// one of the next level becomes the children of the item before it, one deeper than
/// that (only possible as the first entry of a run) is "Line {}: Invalid nested bullet
/// structure.". Recurses once per level, so at most three calls deep for the levels the
/// format allows.
/// REQUIRES: every level is at most 2 and no entry is more than one level deeper than the
/// entry before it (the run checks of the content parser guarantee both).
Result<BulletLevel> build_bullet_tree(std::span<const BulletEntry> entries, unsigned level,
                                      std::size_t start, std::string_view number,
                                      std::size_t list_counter);

}  // namespace lorvane::parser
