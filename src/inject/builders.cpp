#include "inject/builders.hpp"

#include <utility>

#include "inject/placement.hpp"
#include "inject/render_hints.hpp"
#include "parser/text.hpp"

namespace lorvane::inject {
namespace {

// The parts with `separator` between each two, none after the last.
std::string join(const std::vector<std::string>& parts, char separator) {
  std::size_t total = parts.empty() ? 0 : parts.size() - 1;
  for (const std::string& part : parts) total += part.size();
  std::string out;
  out.reserve(total);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out += separator;
    out += parts[i];
  }
  return out;
}

// Lines joined with "\n", no line end after the last.
std::string join_lines(const std::vector<std::string>& lines) { return join(lines, '\n'); }

Status build_paragraph(const InjectionSpec& entry, std::uint64_t entry_index,
                       SectionBlocks& section, const MergeMode& mode) {
  if (!entry.text) return Error("paragraph injection requires text");
  parser::ParagraphNode paragraph{*entry.text, injected_node_id(entry, entry_index)};
  return place_block(section, std::move(paragraph), entry.target, mode);
}

Status build_code_block(const InjectionSpec& entry, std::uint64_t entry_index,
                        SectionBlocks& section, const MergeMode& mode) {
  const std::optional<std::string>& body = entry.content ? entry.content : entry.code;
  if (!body) return Error("code_block injection requires content or code");
  parser::CodeBlockNode code;
  code.language = entry.language;
  code.content = *body;
  code.caption = entry.caption;
  code.render_hints = convert_render_hints(entry.render_hints);
  code.node_id = injected_node_id(entry, entry_index);
  return place_block(section, std::move(code), entry.target, mode);
}

Status build_figure(const InjectionSpec& entry, std::uint64_t entry_index, SectionBlocks& section,
                    const MergeMode& mode) {
  if (!entry.src) return Error("figure injection requires src");
  parser::FigureNode figure;
  figure.src = *entry.src;
  figure.alt = entry.alt;
  figure.caption = entry.caption;
  figure.width = entry.width;
  figure.render_hints = render_hints_with(entry.render_hints, "alignment", entry.alignment);
  figure.node_id = injected_node_id(entry, entry_index);
  return place_block(section, std::move(figure), entry.target, mode);
}

Status build_table(const InjectionSpec& entry, std::uint64_t entry_index, SectionBlocks& section,
                   const MergeMode& mode) {
  parser::TableNode table;
  if (entry.data_source) {
    table.data_source = *entry.data_source;
    table.columns = entry.columns;
  } else if (entry.csv) {
    CsvLines lines(*entry.csv);
    std::optional<std::vector<std::string>> header = next_table_csv_row(lines);
    if (!header) return Error("CSV is empty");
    table.columns = std::move(*header);
    table.data_source = join_lines(join_table_rows(collect_csv_rows(lines)));
  } else if (entry.headers && entry.rows) {
    table.columns = *entry.headers;
    table.data_source = join_lines(join_table_rows(*entry.rows));
  } else {
    return Error("table injection requires data_source, csv, or headers+rows");
  }
  table.caption = entry.caption;
  table.render_hints = convert_render_hints(entry.render_hints);
  table.node_id = injected_node_id(entry, entry_index);
  return place_block(section, std::move(table), entry.target, mode);
}

Status build_admonition(const InjectionSpec& entry, std::uint64_t entry_index,
                        SectionBlocks& section, const MergeMode& mode) {
  if (const auto range = block_range(entry.target))
    return wrap_block_range(section, entry, entry_index, range->first, range->second, mode);
  parser::AdmonitionNode admonition = make_admonition(entry, entry_index);
  if (entry.text) {
    std::string body_id = "inj-";
    body_id += std::to_string(entry_index);
    body_id += "-p0";
    admonition.children.push_back(parser::ParagraphNode{*entry.text, std::move(body_id)});
  }
  // A new admonition puts after_block before every other selector, prepend included.
  if (entry.target.after_block)
    return insert_after_block(section, std::move(admonition), *entry.target.after_block, mode);
  return place_block(section, std::move(admonition), entry.target, mode);
}

}  // namespace

std::optional<InjectionKind> injection_kind(std::string_view type) {
  if (is_admonition_type(type)) return InjectionKind::kAdmonition;
  if (type == "code" || type == "codeblock" || type == "code_block")
    return InjectionKind::kCodeBlock;
  if (type == "paragraph") return InjectionKind::kParagraph;
  if (type == "table") return InjectionKind::kTable;
  if (type == "figure") return InjectionKind::kFigure;
  return std::nullopt;
}

bool is_admonition_type(std::string_view type) {
  return type == "tip" || type == "note" || type == "warning" || type == "example" ||
         type == "important" || type == "admonition";
}

Status build_injection(const InjectionSpec& entry, std::uint64_t entry_index, InjectionKind kind,
                       SectionBlocks& section, const MergeMode& mode) {
  switch (kind) {
    case InjectionKind::kAdmonition:
      return build_admonition(entry, entry_index, section, mode);
    case InjectionKind::kCodeBlock:
      return build_code_block(entry, entry_index, section, mode);
    case InjectionKind::kParagraph:
      return build_paragraph(entry, entry_index, section, mode);
    case InjectionKind::kTable:
      return build_table(entry, entry_index, section, mode);
    case InjectionKind::kFigure:
      return build_figure(entry, entry_index, section, mode);
  }
  return {};
}

std::optional<std::string_view> CsvLines::next() {
  if (done_) return std::nullopt;
  const std::size_t end = rest_.find('\n');
  std::string_view line;
  if (end == std::string_view::npos) {
    line = rest_;
    rest_ = {};
    done_ = true;
    if (line.empty()) return std::nullopt;  // the text ended with a line end
    return line;
  }
  line = rest_.substr(0, end);
  rest_.remove_prefix(end + 1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

std::vector<std::string> split_csv_line(std::string_view line) {
  std::vector<std::string> cells;
  while (true) {
    const std::size_t comma = line.find(',');
    cells.emplace_back(text::trim(line.substr(0, comma)));
    if (comma == std::string_view::npos) break;
    line.remove_prefix(comma + 1);
  }
  return cells;
}

std::optional<std::vector<std::string>> next_table_csv_row(CsvLines& lines) {
  while (const std::optional<std::string_view> line = lines.next())
    if (!text::is_blank(*line)) return split_csv_line(*line);
  return std::nullopt;
}

std::vector<std::vector<std::string>> collect_csv_rows(CsvLines& lines) {
  std::vector<std::vector<std::string>> rows;
  while (std::optional<std::vector<std::string>> row = next_table_csv_row(lines))
    rows.push_back(std::move(*row));
  return rows;
}

std::vector<std::string> join_table_rows(const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::string> lines;
  lines.reserve(rows.size());
  for (const std::vector<std::string>& row : rows) lines.push_back(join(row, ','));
  return lines;
}

}  // namespace lorvane::inject
