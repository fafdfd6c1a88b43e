#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "parser/document.hpp"
#include "render/fill.hpp"
#include "render/settings.hpp"
#include "render/templates.hpp"

// Blocks of the document tree as HTML, and the section anchors that the section template
// and the outline share.
namespace lorvane::render {

/// How deep sections and admonitions may nest with their templates filled. Filling one
/// level writes its children from inside the fill of the level around it, so the call
/// stack grows with the nesting; the bound keeps it shallow on any tree. The trees the
/// program builds stay far below it (flat sections, admonitions chained at most 32 deep),
/// so only a tree built otherwise meets it: a section or admonition at this depth is filled
/// with its "{CONTENT}" left as written, the one fallback of every render bound.
inline constexpr int kMaxNesting = 64;

/// Writes blocks of a document tree as HTML, each kind through its template and under its
/// component switch; a section or admonition writes its children as well. Copies beyond
/// the first that a fill makes, embedded images and table padding are paid from `budget`
/// (none: unbounded, the literal fill). Never fails. The templates, settings and budget
/// must outlive the renderer.
class BlockRenderer {
 public:
  BlockRenderer(const TemplateSet& templates, const RenderSettings& settings,
                FillBudget* budget = nullptr);
  ~BlockRenderer();
  BlockRenderer(const BlockRenderer&) = delete;
  BlockRenderer& operator=(const BlockRenderer&) = delete;

  /// Appends the HTML of `node` (possibly nothing).
  void append_block(std::string& out, const parser::Node& node);
  /// Appends the HTML of `nodes`, in order, with no separator.
  void append_blocks(std::string& out, const parser::NodeList& nodes);

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

/// The trimmed "title" hint when it is a string that is not blank, else the `level` as
/// written. Not escaped.
std::string admonition_title(const parser::AdmonitionNode& admonition);

/// The section's id: `slugify` of its `node_id`, or of number, "-" and title when the
/// identifier is empty. It is made only of a-z, 0-9, "-" and "_", so it needs no escaping.
std::string section_anchor(const parser::SectionNode& section);

/// ASCII letters lower-cased, ASCII digits, "-" and "_" kept, "." and white space as "-",
/// everything else dropped; then runs of "-" become one and "-" is trimmed at both ends.
std::string slugify(std::string_view text);

/// `text` under the Unicode default lower-case mapping (root locale, so the result does
/// not depend on the process locale).
std::string lower_case(std::string_view text);

}  // namespace lorvane::render
