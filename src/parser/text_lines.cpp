#include "parser/text_lines.hpp"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>

#include "parser/text.hpp"

namespace lorvane::parser {
namespace {

constexpr std::size_t kMaxLineCodePoints = 10000;

bool compute_blank(std::string_view line) {
  if (line.empty()) return true;
  const auto first = static_cast<unsigned char>(line.front());
  // Most lines start with a visible ASCII character: no decoding needed.
  if (first < 0x80 && !text::is_white_space(first)) return false;
  return text::is_blank(line);
}

bool contains(std::string_view line, char c) {
  return !line.empty() && std::memchr(line.data(), c, line.size()) != nullptr;
}

// Fills `entries` (see SourceLines) for `source`, which has `feeds` line feeds.
template <typename Entry>
void split_lines(std::string_view source, std::size_t feeds, std::vector<Entry>& entries) {
  entries.reserve(feeds + 2);
  std::size_t start = 0;
  while (true) {
    const std::size_t feed = source.find('\n', start);
    const std::size_t end = feed == std::string_view::npos ? source.size() : feed;
    const bool blank = compute_blank(source.substr(start, end - start));
    entries.push_back(
        static_cast<Entry>((static_cast<std::uint64_t>(start) << 1) | (blank ? 1 : 0)));
    start = end + 1;
    if (feed == std::string_view::npos) break;
  }
  entries.push_back(static_cast<Entry>(static_cast<std::uint64_t>(start) << 1));
}

}  // namespace

SourceLines::SourceLines(std::string_view source, std::size_t narrow_limit) : source_(source) {
  const auto feeds = static_cast<std::size_t>(std::count(source.begin(), source.end(), '\n'));
  size_ = feeds + 1;
  if (source.size() < std::min(narrow_limit, kNarrowLimit))
    split_lines(source, feeds, narrow_);
  else
    split_lines(source, feeds, wide_);
}

Error line_error(std::size_t line_number, std::string_view message) {
  std::string text = "Line ";
  char digits[24];
  const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, line_number);
  text.append(digits, end);
  text += ": ";
  text += message;
  return Error(std::move(text));
}

Status check_line_rules(const SourceLines& lines) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (line.empty()) continue;
    if (contains(line, '\t')) return line_error(i + 1, "Tab character is forbidden (spaces only).");
    if (contains(line, '\r'))
      return line_error(i + 1, "Windows-style CR characters are forbidden.");
    if (line.back() == ' ') return line_error(i + 1, "Trailing whitespace is forbidden.");
    // A line of at most 10000 bytes cannot hold more than 10000 code points.
    if (line.size() > kMaxLineCodePoints && text::count_code_points(line) > kMaxLineCodePoints)
      return line_error(i + 1, "Maximum line length is 10_000 characters.");
  }
  return {};
}

namespace {

// `source` with each `\s` written as the class of `white_space_class`. REQUIRES: `source`
// has no `\\` and no `\s` inside a bracketed class.
std::string spell_white_space(std::string_view source) {
  const std::string space = white_space_class();
  std::string out;
  for (std::size_t pos = 0; pos < source.size();) {
    if (source.substr(pos).starts_with("\\s")) {
      out += space;
      pos += 2;
    } else {
      out += source[pos++];
    }
  }
  return out;
}

}  // namespace

Result<Patterns> Patterns::compile() {
  // `\s` is the white space of text.hpp (see `spell_white_space`); `\d` is any decimal
  // digit (Nd) under UCP.
  auto heading =
      Pattern::compile(spell_white_space(R"(^(\d+(?:\.\d+)*\.?)\s+(.+)$)"), Prefilter::kDigit);
  if (!heading) return std::move(heading).error();
  auto bullet = Pattern::compile(spell_white_space(R"(^(\s*)-\s+(.+)$)"), Prefilter::kDashOrSpace);
  if (!bullet) return std::move(bullet).error();
  auto ordered_item = Pattern::compile(spell_white_space(R"(^(\d+)\)\s+(.+)$)"), Prefilter::kDigit);
  if (!ordered_item) return std::move(ordered_item).error();
  auto cover_meta = Pattern::compile(spell_white_space(R"(^([A-Za-z][A-Za-z0-9 _-]*):\s*(.*)$)"));
  if (!cover_meta) return std::move(cover_meta).error();
  auto version = Pattern::compile(R"(^v\d{4}\.\d{2}\.\d{2}(?:-\d+)?$)");
  if (!version) return std::move(version).error();
  auto language = Pattern::compile(R"(^[a-z]{2,8}$)");
  if (!language) return std::move(language).error();
  return Patterns{std::move(heading).value(),      std::move(bullet).value(),
                  std::move(ordered_item).value(), std::move(cover_meta).value(),
                  std::move(version).value(),      std::move(language).value()};
}

bool is_heading_line(const SourceLines& lines, std::size_t i, std::size_t body_start,
                     const Pattern& heading_pattern) {
  // The neighbour tests are O(1); the pattern runs only when both hold.
  if (i + 1 >= lines.size() || !lines.is_blank(i + 1)) return false;
  if (i != 0 && i != body_start && !lines.is_blank(i - 1)) return false;
  return heading_pattern.matches(lines[i]);
}

LineRun collect_paragraph_lines(const SourceLines& lines, std::size_t end, std::size_t start,
                                const ParagraphStops& stops) {
  std::size_t i = start;
  while (i < end) {
    if (lines.is_blank(i)) break;
    if (stops.heading && i < lines.size() &&
        is_heading_line(lines, i, stops.body_start, *stops.heading))
      break;
    if (stops.bullet && stops.bullet->matches(lines[i])) break;
    if (stops.ordered_item && stops.ordered_item->matches(lines[i])) break;
    ++i;
  }
  return {start, i};
}

}  // namespace lorvane::parser
