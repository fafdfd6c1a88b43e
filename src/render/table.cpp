#include "render/table.hpp"

#include <algorithm>

#include "parser/text.hpp"
#include "render/fill.hpp"
#include "render/html.hpp"

namespace lorvane::render {
namespace {

/// Calls `cell(text)` for each trimmed cell of a trimmed line, up to `limit` cells.
template <typename Cell>
void for_each_cell(std::string_view line, std::size_t limit, Cell&& cell) {
  std::size_t start = 0;
  for (std::size_t n = 0; n < limit; ++n) {
    const std::size_t comma = line.find(',', start);
    cell(text::trim(
        line.substr(start, comma == std::string_view::npos ? line.size() - start : comma - start)));
    if (comma == std::string_view::npos) return;
    start = comma + 1;
  }
}

std::size_t cell_count(std::string_view line) {
  return 1 + static_cast<std::size_t>(std::count(line.begin(), line.end(), ','));
}

void append_cell(std::string& out, std::string_view open, std::string_view text,
                 std::string_view close) {
  out += open;
  append_escaped_html(out, text);
  out += close;
}

/// Padding short rows cell by cell writes rows × width cells, which one very wide line
/// among many short ones (or a long `columns` list over many short lines) makes quadratic
/// in the size of the table: a data source of 30 KB could ask for 80 MB of empty cells, one
/// of a few MB for terabytes. A table may write this many padding cells per byte of its
/// data source and columns, plus `kPaddingSlack`, one by one; beyond that every short row
/// is padded with a single empty cell spanning the columns it lacks, which looks the same.
/// Tables that people write never come near it.
constexpr std::size_t kPaddingPerByte = 2;
constexpr std::size_t kPaddingSlack = std::size_t{1} << 20;

/// Whether the short rows of `source` lack more than `allowance` cells of `width` in all.
bool padding_exceeds(std::string_view source, std::size_t width, std::size_t allowance) {
  std::size_t padding = 0;
  std::size_t pos = 0;
  while (auto line = next_csv_line(source, pos)) {
    const std::size_t cells = cell_count(*line);
    if (cells >= width) continue;
    padding += width - cells;
    if (padding > allowance) return true;
  }
  return false;
}

/// Whether the short rows of the table are padded with one spanning cell each (see
/// `kPaddingPerByte`). `rows` is at least the number of rows.
bool pads_with_span(const parser::TableNode& table, std::size_t width, std::size_t rows) {
  std::size_t input = table.data_source.size();
  if (table.columns)
    for (const std::string& column : *table.columns) input += column.size() + 1;
  const std::size_t allowance = kPaddingPerByte * input + kPaddingSlack;
  if (rows == 0 || width <= allowance / rows) return false;  // cannot exceed it
  return padding_exceeds(table.data_source, width, allowance);
}

}  // namespace

std::optional<std::string_view> next_csv_line(std::string_view text, std::size_t& pos) {
  while (pos < text.size()) {
    const std::size_t nl = text.find('\n', pos);
    const std::size_t end = nl == std::string_view::npos ? text.size() : nl;
    const std::string_view line = text::trim(text.substr(pos, end - pos));
    pos = nl == std::string_view::npos ? text.size() : nl + 1;
    if (!line.empty()) return line;
  }
  return std::nullopt;
}

std::optional<std::vector<std::string_view>> next_csv_row(std::string_view text, std::size_t& pos) {
  const std::optional<std::string_view> line = next_csv_line(text, pos);
  if (!line) return std::nullopt;
  return split_csv_cells(*line);
}

std::vector<std::string_view> split_csv_cells(std::string_view line) {
  std::vector<std::string_view> cells;
  cells.reserve(cell_count(line));
  for_each_cell(line, SIZE_MAX, [&](std::string_view cell) { cells.push_back(cell); });
  return cells;
}

std::vector<std::vector<std::string_view>> parse_csv_rows(std::string_view data_source) {
  std::vector<std::vector<std::string_view>> rows;
  std::size_t pos = 0;
  while (auto row = next_csv_row(data_source, pos)) rows.push_back(std::move(*row));
  return rows;
}

void append_table_element(std::string& out, const parser::TableNode& table) {
  const std::string_view source = table.data_source;
  out += "<table class=\"lrv-table-inner\">";
  std::size_t width = 0;
  std::size_t rows = 0;
  if (table.columns) {
    out += "<thead><tr>";
    for (const std::string& column : *table.columns) append_cell(out, "<th>", column, "</th>");
    out += "</tr></thead>";
    width = table.columns->size();
    rows = 1 + static_cast<std::size_t>(std::count(source.begin(), source.end(), '\n'));
  } else {
    // The width is the largest cell count, so the rows are read twice rather than kept.
    std::size_t pos = 0;
    while (auto line = next_csv_line(source, pos)) {
      width = std::max(width, cell_count(*line));
      ++rows;
    }
  }
  const bool span = pads_with_span(table, width, rows);
  out += "<tbody>";
  std::size_t pos = 0;
  bool any_row = false;
  while (auto line = next_csv_line(source, pos)) {
    any_row = true;
    out += "<tr>";
    std::size_t written = 0;
    for_each_cell(*line, width, [&](std::string_view cell) {
      append_cell(out, "<td>", cell, "</td>");
      ++written;
    });
    if (span && width - written > 1) {
      out += "<td colspan=\"";
      out += std::to_string(width - written);
      out += "\"></td>";
    } else {
      for (; written < width; ++written) out += "<td></td>";
    }
    out += "</tr>";
  }
  if (!any_row) {
    if (!table.columns) {
      out += "<tr><td></td></tr>";
    } else {
      out += "<tr><td colspan=\"";
      out += std::to_string(std::max<std::size_t>(width, 1));
      out += "\"></td></tr>";
    }
  }
  out += "</tbody></table>";
}

void append_table_html(std::string& out, const parser::TableNode& table,
                       const TemplateSet& templates) {
  std::string caption;
  if (table.caption) {
    caption = "<div class=\"lrv-table-caption\">";
    append_escaped_html(caption, *table.caption);
    caption += "</div>";
  }
  // The table element is written straight into `out`; only when "{DATA_SOURCE}" could
  // reach into it (a cell holding that text) is the template filled again with it.
  std::string data_source;
  FillRope rope;
  auto fill = [&](const std::string* element) {
    rope.reset(templates.table);
    rope.replace("{CAPTION}", caption);
    if (element != nullptr)
      rope.replace("{TABLE}", *element);
    else
      rope.replace_deferred("{TABLE}");
    if (data_source.empty() && rope.contains("{DATA_SOURCE}"))
      data_source = escape_html(table.data_source);
    rope.replace("{DATA_SOURCE}", data_source);
  };
  fill(nullptr);
  std::string element;
  if (rope.append_to(
          out, [&](std::string& o) { append_table_element(o, table); }, &element))
    return;
  fill(&element);
  rope.append_to(out);
}

std::string render_table(const parser::TableNode& table, const TemplateSet& templates) {
  std::string out;
  append_table_html(out, table, templates);
  return out;
}

}  // namespace lorvane::render
