#include "render/table.hpp"

#include <algorithm>
#include <optional>
#include <string_view>

#include "parser/text.hpp"
#include "render/fill.hpp"
#include "render/html.hpp"

namespace lorvane::render {
namespace {

/// The next line of `text` at or after `pos` that is not blank, trimmed; nullopt at the
/// end. Lines end at each line feed; `pos` moves past the line returned.
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

}  // namespace

void append_table_element(std::string& out, const parser::TableNode& table, FillBudget* budget) {
  const std::string_view source = table.data_source;
  out += "<table class=\"lrv-table-inner\">";
  std::size_t width = 0;
  if (table.columns) {
    out += "<thead><tr>";
    for (const std::string& column : *table.columns) append_cell(out, "<th>", column, "</th>");
    out += "</tr></thead>";
    width = table.columns->size();
  } else {
    // The width is the largest cell count, so the rows are read twice rather than kept.
    std::size_t pos = 0;
    while (auto line = next_csv_line(source, pos)) width = std::max(width, cell_count(*line));
  }
  out += "<tbody>";
  std::size_t pos = 0;
  bool any_row = false;
  constexpr std::string_view kEmptyCell = "<td></td>";
  while (auto line = next_csv_line(source, pos)) {
    any_row = true;
    out += "<tr>";
    std::size_t written = 0;
    for_each_cell(*line, width, [&](std::string_view cell) {
      append_cell(out, "<td>", cell, "</td>");
      ++written;
    });
    // Padding is not in proportion to the text (one wide line among many short ones asks
    // for rows x width cells), so it is paid for; a row it cannot pay for stays short.
    if (written < width && pay_from(budget, (width - written) * kEmptyCell.size()))
      for (; written < width; ++written) out += kEmptyCell;
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
                       const TemplateSet& templates, FillBudget* budget) {
  std::string caption;
  if (table.caption) {
    caption = "<div class=\"lrv-table-caption\">";
    append_escaped_html(caption, *table.caption);
    caption += "</div>";
  }
  // The table element is written straight into `out`; only when "{DATA_SOURCE}" could
  // reach into it (a cell holding that text) is the template filled again with it.
  std::string data_source;
  FillRope rope(budget);
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
  const std::optional<FillBudget> before =
      budget != nullptr ? std::optional<FillBudget>(*budget) : std::nullopt;
  std::string element;
  if (rope.append_to(
          out, [&](std::string& o) { append_table_element(o, table, budget); }, &element))
    return;
  // Filled again with the element as a text: paid from the budget as it was at first.
  if (before) *budget = *before;
  fill(&element);
  rope.append_to(out);
}

}  // namespace lorvane::render
