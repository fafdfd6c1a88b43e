#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "parser/document.hpp"

// Literal forms of the renderer's operations, written as plainly as they are defined:
// the references that the tests and fuzz targets compare the renderer against. Only tests,
// fuzz targets and benchmarks link them; the renderer itself never calls them.
namespace lorvane::render::reference {

/// A placeholder ("{TITLE}") and the text that replaces it.
using Placeholder = std::pair<std::string_view, std::string_view>;

/// Replaces, pair after pair in the given order, every non-overlapping occurrence of the
/// pair's placeholder (left to right) by its value. Text inserted by a pair is not searched
/// again by that pair, but later pairs see it. Values are inserted unchanged. One copy of
/// the current text per pair; nullopt once the text grows beyond `max_bytes` (values
/// that hold later placeholders can multiply it pair after pair).
std::optional<std::string> fill_template(std::string_view text,
                                         const std::vector<Placeholder>& pairs,
                                         std::size_t max_bytes = SIZE_MAX);

/// Every row of a data source, in the order of its lines; blank lines are skipped.
std::vector<std::vector<std::string_view>> parse_csv_rows(std::string_view data_source);
/// The cells of the next line at or after `pos` that is not blank after trimming; nullopt
/// at the end. `pos` moves past the line.
std::optional<std::vector<std::string_view>> next_csv_row(std::string_view text, std::size_t& pos);
/// Cuts a trimmed line at every ",", each cell trimmed; empty cells kept.
std::vector<std::string_view> split_csv_cells(std::string_view line);

/// One node of the outline tree.
struct OutlineEntry {
  std::string label;   ///< number as written, " ", title
  std::string anchor;  ///< `section_anchor` of the section
  std::vector<OutlineEntry> children;
  std::uint8_t level = 1;  ///< the section's level, 0 counted as 1
};

/// The entries of level `level` found in `flat` from `start` on, each with its children
/// (the following entries one level deeper, recursively), and the position where it
/// stopped. Entries it uses are moved out of `flat`.
std::pair<std::vector<OutlineEntry>, std::size_t> build_outline_tree(
    std::vector<OutlineEntry>& flat, unsigned level, std::size_t start);

/// The list items of `entries`: a details element, open below `open_depth`, for an entry
/// with children; a plain row with a spacer for a leaf.
std::string render_outline_items(const std::vector<OutlineEntry>& entries, unsigned open_depth);

/// The outline of the document's top-level children, built as a tree and then written.
std::string render_outline(const parser::NodeList& children, std::optional<std::uint8_t> max_depth);

}  // namespace lorvane::render::reference
