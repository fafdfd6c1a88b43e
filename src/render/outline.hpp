#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "parser/document.hpp"
#include "render/fill.hpp"
#include "render/settings.hpp"

// The three page parts built from the whole document: the outline (a collapsible tree of
// links to the sections), the page header and the document intro.
namespace lorvane::render {

/// Appends the outline of the document's top-level children: "<ul class="lrv-outline-tree">",
/// the items, "</ul>". Entries below the open depth start expanded (2 when
/// `max_depth` is unset, else the larger of `max_depth` and 1). Every top-level section
/// gives an entry; an entry more than one level below the previous entry at its depth has
/// no parent and is left out.
void append_outline_html(std::string& out, const parser::NodeList& children,
                         std::optional<std::uint8_t> max_depth);
/// About the size of the outline, for reserving room.
std::size_t estimate_outline_size(const parser::NodeList& children);

/// The text a header setting shows: one of the seven "{metadata.*}" tokens (after
/// trimming) gives its value from the document (empty when absent); anything else is
/// shown unchanged, untrimmed.
std::string resolve_header_text(const std::string& setting, const parser::Document& document);

/// The header template filled with the logo, left, center and right values; the empty
/// text when all four are empty. The logo's data URI and the copies of the fill are paid
/// from `budget` (if any).
std::string render_page_header(const parser::Document& document, const RenderSettings& settings,
                               const std::string& header_template, FillBudget* budget);

/// "<section class="lrv-doc-intro">" with the title, the subtitle, the description and the
/// metadata of the document, and "</section>".
std::string render_document_intro(const parser::Document& document);

}  // namespace lorvane::render
