#pragma once

#include <string>
#include <string_view>

#include "parser/document.hpp"
#include "render/fill.hpp"
#include "render/templates.hpp"

// Table blocks: the comma-separated `data_source` of a table node becomes body rows, its
// `columns` a header row, its `caption` a caption element, filled into the table template.
namespace lorvane::render {

/// The table element alone: header row from `columns`, body rows padded to the width
/// (the number of columns, or else the largest cell count), every text escaped. The
/// padding of each short row is paid from `budget` (if any); a row it cannot pay for is
/// written without padding.
void append_table_element(std::string& out, const parser::TableNode& table, FillBudget* budget);

/// Appends the table block: the table template filled with "{CAPTION}", "{TABLE}" and
/// "{DATA_SOURCE}", paying from `budget` (if any) like the other fills. Memory beyond the
/// output stays constant however many rows and cells the data source has.
void append_table_html(std::string& out, const parser::TableNode& table,
                       const TemplateSet& templates, FillBudget* budget);

}  // namespace lorvane::render
