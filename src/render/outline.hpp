#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "parser/document.hpp"
#include "render/settings.hpp"

// The three page parts built from the whole document: the outline (a collapsible tree of
// links to the sections), the page header and the document intro.
namespace lorvane::render {

/// One node of the outline tree.
struct OutlineEntry {
  std::string label;   ///< number as written, " ", title
  std::string anchor;  ///< `section_anchor` of the section
  std::vector<OutlineEntry> children;
  std::uint8_t level = 1;  ///< the section's level, 0 counted as 1
};

/// The outline of the document's top-level children: "<ul class="lrv-outline-tree">",
/// the items, "</ul>". Entries below the open depth start expanded (2 when
/// `max_depth` is unset, else the larger of `max_depth` and 1). Every top-level section
/// gives an entry; an entry more than one level below the previous entry at its depth has
/// no parent and is left out.
std::string render_outline(const parser::NodeList& children, std::optional<std::uint8_t> max_depth);
/// Appends `render_outline` to `out`, in one pass over the sections.
void append_outline_html(std::string& out, const parser::NodeList& children,
                         std::optional<std::uint8_t> max_depth);
/// About the size of the outline, for reserving room.
std::size_t estimate_outline_size(const parser::NodeList& children);

/// The entries of level `level` found in `flat` from `start` on, each with its children
/// (the following entries one level deeper, recursively), and the position where it
/// stopped: at the first entry of a lower level, or the end. Entries it uses are moved out
/// of `flat`. Recurses once per level, so at most 255 deep. An entry of level 255 has no
/// children: no level lies below it.
std::pair<std::vector<OutlineEntry>, std::size_t> build_outline_tree(
    std::vector<OutlineEntry>& flat, unsigned level, std::size_t start);

/// The list items of `entries`: a details element, open below `open_depth`, for an entry
/// with children; a plain row with a spacer for a leaf.
std::string render_outline_items(const std::vector<OutlineEntry>& entries, unsigned open_depth);

/// The text a header setting shows: one of the seven "{metadata.*}" tokens (after
/// trimming) gives its value from the document (empty when absent); anything else is
/// shown unchanged, untrimmed.
std::string resolve_header_text(const std::string& setting, const parser::Document& document);

/// The header template filled with the logo, left, center and right values; the empty
/// text when all four are empty.
std::string render_page_header(const parser::Document& document, const RenderSettings& settings,
                               const std::string& header_template);

/// "<section class="lrv-doc-intro">" with the title, the subtitle, the description and the
/// metadata of the document, and "</section>".
std::string render_document_intro(const parser::Document& document);

}  // namespace lorvane::render
