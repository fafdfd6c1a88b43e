#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "parser/error.hpp"
#include "parser/pattern.hpp"

// The line facilities of the TEXT format, shared by the front matter, the section and the
// content parsers: the source split into lines, the rules every line must follow, the six
// patterns of the format, the heading test and the paragraph line collector.
namespace lorvane::parser {

/// The source split at every line feed, each line a view into the source exactly as
/// written (a carriage return stays part of its line). A source that ends with a line
/// feed has an empty last line; the empty source is one empty line.
///
/// The lines are views: the source must outlive this object.
class SourceLines {
 public:
  /// Sources shorter than this keep four bytes per line, longer ones eight: the last
  /// entry, (size + 1) shifted left by one with room for the flag, must fit 32 bits.
  static constexpr std::size_t kNarrowLimit = (std::size_t{1} << 31) - 1;

  /// `narrow_limit` is for tests, which lower it to reach the eight-byte form.
  explicit SourceLines(std::string_view source, std::size_t narrow_limit = kNarrowLimit);

  std::size_t size() const { return size_; }
  std::string_view operator[](std::size_t i) const { return joined(i, i + 1); }

  /// Whether line `i` is empty after trimming Unicode white space.
  /// REQUIRES: the source is valid UTF-8.
  bool is_blank(std::size_t i) const { return (entry(i) & 1) != 0; }

  /// Lines [first, last) joined with "\n": since they stand side by side in the source,
  /// this is a view of it, not a copy. REQUIRES: first < last <= size().
  std::string_view joined(std::size_t first, std::size_t last) const {
    const std::uint64_t begin = entry(first) >> 1;
    const std::uint64_t end = (entry(last) >> 1) - 1;  // before the line feed
    return source_.substr(begin, end - begin);
  }

 private:
  // Offset of the start of line `i`, shifted left by one, with its blank flag in bit 0.
  std::uint64_t entry(std::size_t i) const { return wide_.empty() ? narrow_[i] : wide_[i]; }

  std::string_view source_;
  std::size_t size_ = 0;
  // One entry per line in one of the two vectors (the other stays empty), and one more
  // standing one past a line feed after the end, so that every line ends one byte
  // before the next start. A source of line feeds only has one entry per byte, so the
  // entry size counts: four bytes wherever the offsets fit.
  std::vector<std::uint32_t> narrow_;
  std::vector<std::uint64_t> wide_;
};

/// Whether the first character of `line` is a space (U+0020); other white space does not
/// count.
inline bool starts_with_space(std::string_view line) {
  return !line.empty() && line.front() == ' ';
}

/// The error of a rule tied to a line: "Line {line_number}: {message}".
Error line_error(std::size_t line_number, std::string_view message);

/// The rules for every line, in line order and for each line in this order: no tab, no
/// carriage return, no trailing space, at most 10000 code points. Returns the first
/// breach ("Line {}: ...").
/// REQUIRES: the source is valid UTF-8.
Status check_line_rules(const SourceLines& lines);

/// The six patterns of the TEXT format, compiled afresh for every parse.
struct Patterns {
  Pattern heading;       ///< group 1 the section number, group 2 the heading text
  Pattern bullet;        ///< group 1 the leading white space, group 2 the item text
  Pattern ordered_item;  ///< group 1 the item number, group 2 the item text
  Pattern cover_meta;    ///< group 1 the key, group 2 the value
  Pattern version;
  Pattern language;

  /// Compiles the six patterns in the order above.
  static Result<Patterns> compile();
};

/// Whether line `i` is a section heading: it matches `heading_pattern`, a line i+1
/// exists and is blank, and i is 0, or i is `body_start`, or line i-1 is blank.
/// O(1) unless both neighbours qualify; then one pattern test on the line.
bool is_heading_line(const SourceLines& lines, std::size_t i, std::size_t body_start,
                     const Pattern& heading_pattern);

/// What ends a run of paragraph lines besides a blank line and its end. Null members
/// are not tested.
struct ParagraphStops {
  const Pattern* heading = nullptr;  ///< tested through `is_heading_line` with `body_start`
  std::size_t body_start = 0;
  const Pattern* bullet = nullptr;
  const Pattern* ordered_item = nullptr;
};

/// A run of collected lines: lines [start, next) of the source, in order.
struct LineRun {
  std::size_t start = 0;
  std::size_t next = 0;  ///< the line that stopped the run, or the end
  bool empty() const { return next == start; }
  std::size_t count() const { return next - start; }
};

/// Collects the lines from `start` up to, and without, the first line before `end` that
/// is blank, is a heading line, or matches the bullet or the ordered-item pattern (each
/// test only when its member of `stops` is given). The run is empty when `start` is not
/// below `end`. REQUIRES: end <= lines.size().
LineRun collect_paragraph_lines(const SourceLines& lines, std::size_t end, std::size_t start,
                                const ParagraphStops& stops = {});

}  // namespace lorvane::parser
