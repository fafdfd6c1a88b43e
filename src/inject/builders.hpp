#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "inject/sidecar_entries.hpp"
#include "inject/merge_mode.hpp"
#include "inject/section_blocks.hpp"
#include "parser/error.hpp"

// The builders of injected blocks: an injection entry becomes a paragraph, code block,
// figure, table or admonition, which is then placed in the target section (or, for an
// admonition entry that names a block range, the range is wrapped instead).
namespace lorvane::inject {

enum class InjectionKind { kAdmonition, kCodeBlock, kParagraph, kTable, kFigure };

/// The builder that a type word chooses, compared byte for byte (lower case only).
std::optional<InjectionKind> injection_kind(std::string_view type);

/// Whether `type` is one of the six admonition type words.
bool is_admonition_type(std::string_view type);

/// Builds the block of `entry` (the entry at `entry_index` of its list) and places it in
/// `section`. Fails on a missing required key before anything is placed, or with the
/// placement and range errors; on an error the section is unchanged.
Status build_injection(const InjectionSpec& entry, std::uint64_t entry_index, InjectionKind kind,
                       SectionBlocks& section, const MergeMode& mode);

/// The lines of a CSV text, each without its "\n" or "\r\n" line end; a text that ends
/// with a line end has no empty line after it.
class CsvLines {
 public:
  explicit CsvLines(std::string_view text) : rest_(text) {}
  /// The next line, or none when the text is used up.
  std::optional<std::string_view> next();

 private:
  std::string_view rest_;
  bool done_ = false;
};

/// `line` split at every ",", each cell trimmed (Unicode white space); no quoting.
std::vector<std::string> split_csv_line(std::string_view line);

/// The next line that is not blank, split; none when the lines are used up.
std::optional<std::vector<std::string>> next_table_csv_row(CsvLines& lines);

/// Every remaining row, in order.
std::vector<std::vector<std::string>> collect_csv_rows(CsvLines& lines);

/// Each row's cells joined with ",".
std::vector<std::string> join_table_rows(const std::vector<std::vector<std::string>>& rows);

}  // namespace lorvane::inject
