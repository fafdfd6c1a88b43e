#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "parser/document.hpp"
#include "parser/error.hpp"
#include "parser/text_lines.hpp"

// The front matter of a TEXT source: the title paragraph (title and optional subtitle),
// an optional description paragraph and the indented cover lines (metadata and
// comments), up to the first section heading.
namespace lorvane::parser {

/// Where the front matter ends and the body begins.
struct FrontMatterBounds {
  std::size_t end = 0;         ///< first line that is no longer front matter
  std::size_t body_start = 0;  ///< where the section parser begins
};

/// The first line that is a heading with a blank line after it and a blank line (or the
/// start of the source) before it ends the front matter and starts the body; without one
/// the front matter runs to the end and the body starts at line 0.
FrontMatterBounds find_front_matter_end(const SourceLines& lines, const Pattern& heading_pattern);

/// The front matter as read and checked.
struct FrontMatter {
  std::string title;
  std::optional<std::string> subtitle;
  std::optional<std::string> description;  ///< never present and empty
  TextMap metadata;  ///< canonical keys, plus "_comments" when there are comment lines
  std::size_t body_start = 0;
};

/// Reads the title, the description and the cover lines, then checks the cover. Fails
/// with the first breach, in the order: title, cover lines in line order, cover checks.
Result<FrontMatter> parse_front_matter(const SourceLines& lines, const Patterns& patterns);

}  // namespace lorvane::parser
