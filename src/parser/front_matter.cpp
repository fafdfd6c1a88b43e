#include "parser/front_matter.hpp"

#include <array>
#include <string_view>
#include <utility>
#include <vector>

#include "parser/text.hpp"

namespace lorvane::parser {
namespace {

// The canonical form of a metadata key, found by its ASCII lower case; empty for a key
// outside the five.
std::string_view canonical_key(std::string_view key) {
  struct Known {
    std::string_view lower;
    std::string_view canonical;
  };
  static constexpr std::array<Known, 5> kKnown = {{{"author", "Author"},
                                                   {"version", "Version"},
                                                   {"language", "Language"},
                                                   {"status", "Status"},
                                                   {"comments", "Comments"}}};
  for (const Known& known : kKnown) {
    if (known.lower.size() != key.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < key.size() && same; ++i) {
      char c = key[i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      same = c == known.lower[i];
    }
    if (same) return known.canonical;
  }
  return {};
}

Error cover_error(std::string_view message) {
  return Error("Cover validation error: " + std::string(message));
}

std::string quoted_message(std::string_view before, std::string_view key, std::string_view after) {
  std::string message(before);
  message += key;
  message += after;
  return message;
}

std::size_t skip_blank(const SourceLines& lines, std::size_t i, std::size_t end) {
  while (i < end && lines.is_blank(i)) ++i;
  return i;
}

}  // namespace

FrontMatterBounds find_front_matter_end(const SourceLines& lines, const Pattern& heading_pattern) {
  // With a body start of 0 the heading test's own clause for the body start only ever
  // admits line 0, which the front matter rule admits too.
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (is_heading_line(lines, i, 0, heading_pattern)) return {i, i};
  return {lines.size(), 0};
}

Result<FrontMatter> parse_front_matter(const SourceLines& lines, const Patterns& patterns) {
  const FrontMatterBounds bounds = find_front_matter_end(lines, patterns.heading);
  const std::size_t end = bounds.end;
  FrontMatter front;
  front.body_start = bounds.body_start;

  // Title paragraph. Its messages always name line 1, wherever the title stands.
  const LineRun title = collect_paragraph_lines(lines, end, skip_blank(lines, 0, end));
  if (title.empty()) return line_error(1, "Missing Title Paragraph (line 1 must be Title).");
  for (std::size_t i = title.start; i < title.next; ++i)
    if (starts_with_space(lines[i]))
      return line_error(1, "Title Paragraph lines must not start with whitespace.");
  if (title.count() > 2)
    return line_error(1,
                      "Title Paragraph may contain maximum 2 lines (title + optional subtitle).");
  front.title = std::string(lines[title.start]);
  if (title.count() == 2) front.subtitle = std::string(lines[title.start + 1]);

  // Description: an unindented paragraph; only a blank line or the end of the front
  // matter ends it, so its later lines may be indented.
  std::size_t i = skip_blank(lines, title.next, end);
  if (i < end && !starts_with_space(lines[i])) {
    const LineRun description = collect_paragraph_lines(lines, end, i);
    front.description = std::string(lines.joined(description.start, description.next));
    i = description.next;
  }

  // Cover lines: metadata where the text after the leading spaces is "Key: value", a
  // comment otherwise.
  std::vector<std::string_view> comments;
  std::array<std::string_view, 2> groups;
  for (; i < end; ++i) {
    if (lines.is_blank(i)) continue;
    const std::string_view line = lines[i];
    const std::size_t line_number = i + 1;
    if (!starts_with_space(line))
      return line_error(line_number,
                        "Cover Meta / Comment lines must start with at least one leading space.");
    // A non-blank line has something besides spaces.
    const std::size_t text_start = line.find_first_not_of(' ');
    const std::string_view rest =
        text_start == std::string_view::npos ? std::string_view() : line.substr(text_start);
    if (!patterns.cover_meta.match(rest, groups)) {
      comments.push_back(rest);
      continue;
    }
    const std::string_view key = text::trim(groups[0]);
    const std::string_view value = text::trim(groups[1]);
    if (value.empty())
      return line_error(line_number,
                        quoted_message("Metadata '", key, "' must have a non-empty value."));
    const std::string_view canonical = canonical_key(key);
    if (canonical.empty())
      return line_error(line_number,
                        quoted_message("Unknown metadata key '", key, "' is forbidden in v1."));
    if (!front.metadata.try_emplace(std::string(canonical), value).second)
      return line_error(line_number,
                        quoted_message("Duplicate metadata key '", canonical, "' is forbidden."));
  }

  // Cover checks. Stored values are trimmed and never empty, so only absence counts.
  const auto version = front.metadata.find("Version");
  if (!front.metadata.contains("Author"))
    return cover_error("missing mandatory metadata field 'Author'.");
  if (version == front.metadata.end())
    return cover_error("missing mandatory metadata field 'Version'.");
  if (!patterns.version.matches(version->second))
    return cover_error("'Version' must match vYYYY.MM.DD or vYYYY.MM.DD-XXX.");
  const auto language = front.metadata.find("Language");
  if (language != front.metadata.end() && !patterns.language.matches(language->second))
    return cover_error("'Language' should be a short lowercase code like 'en' or 'hu'.");

  if (!comments.empty()) {
    std::size_t size = comments.size() - 1;
    for (std::string_view comment : comments) size += comment.size();
    std::string joined;
    joined.reserve(size);
    for (std::size_t c = 0; c < comments.size(); ++c) {
      if (c > 0) joined += '\n';
      joined += comments[c];
    }
    front.metadata.emplace("_comments", std::move(joined));
  }
  return front;
}

}  // namespace lorvane::parser
