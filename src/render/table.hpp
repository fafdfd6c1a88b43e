#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "parser/document.hpp"
#include "render/templates.hpp"

// Table blocks: the comma-separated `data_source` of a table node becomes body rows, its
// `columns` a header row, its `caption` a caption element, filled into the table template.
namespace lorvane::render {

/// The next line of `text` at or after `pos` that is not blank, trimmed; nullopt at the
/// end. Lines end at each line feed; `pos` moves past the line returned.
std::optional<std::string_view> next_csv_line(std::string_view text, std::size_t& pos);

/// The cells of the next non-blank line at or after `pos` (see `next_csv_line`).
std::optional<std::vector<std::string_view>> next_csv_row(std::string_view text, std::size_t& pos);

/// Cuts a trimmed line at every ",": no quoting, no escaping, empty cells kept (also
/// before a leading and after a trailing ","); every cell trimmed. Never empty.
std::vector<std::string_view> split_csv_cells(std::string_view line);

/// Every row of a data source, in the order of its lines; blank lines are skipped.
std::vector<std::vector<std::string_view>> parse_csv_rows(std::string_view data_source);

/// The table element alone: header row from `columns`, body rows padded to the width
/// (the number of columns, or else the largest cell count), every text escaped. A table
/// whose padding would be out of all proportion to its text pads each short row with one
/// empty cell spanning the missing columns instead, so the output stays linear in it.
void append_table_element(std::string& out, const parser::TableNode& table);

/// The table block: the table template filled with "{CAPTION}", "{TABLE}" and
/// "{DATA_SOURCE}". Memory beyond the output stays constant however many rows and cells
/// the data source has.
std::string render_table(const parser::TableNode& table, const TemplateSet& templates);
void append_table_html(std::string& out, const parser::TableNode& table,
                       const TemplateSet& templates);

}  // namespace lorvane::render
