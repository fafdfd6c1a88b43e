#include "inject/placement.hpp"

#include <algorithm>
#include <vector>

#include "inject/render_hints.hpp"

namespace lorvane::inject {
namespace {

std::string_view without_trailing_dots(std::string_view number) {
  while (!number.empty() && number.back() == '.') number.remove_suffix(1);
  return number;
}

void append_decimal(std::string& out, std::uint64_t value) { out += std::to_string(value); }

// "target {kind} #{n} not found in section {number}"
std::string miss_message(std::string_view kind_word, std::uint64_t n, std::string_view number) {
  std::string message = "target ";
  message += kind_word;
  message += " #";
  append_decimal(message, n);
  message += " not found in section ";
  message += number;
  return message;
}

// A placement that cannot be made: an error naming `message` (strict), else a warning and
// an append.
Status append_instead(SectionBlocks& section, parser::Node node, std::string message,
                      const MergeMode& mode) {
  return mode.pass_over(std::move(message), "; appending", [&] {
    section.append(std::move(node));
    return Status();
  });
}

Status miss(SectionBlocks& section, parser::Node node, const MergeMode& mode,
            std::string_view kind_word, std::uint64_t n) {
  return append_instead(section, std::move(node), miss_message(kind_word, n, section.number()),
                        mode);
}

// "admonition block range [{start}..={end}] " — the common head of two range messages.
std::string range_head(std::uint64_t start, std::uint64_t end) {
  std::string message = "admonition block range [";
  append_decimal(message, start);
  message += "..=";
  append_decimal(message, end);
  message += "] ";
  return message;
}

}  // namespace

SectionIndex::SectionIndex(parser::Document& document) {
  by_number_.reserve(document.children.size());
  for (parser::Node& node : document.children)
    if (auto* section = node.get_if<parser::SectionNode>())
      by_number_.push_back({without_trailing_dots(section->number), section});
  std::stable_sort(by_number_.begin(), by_number_.end(),
                   [](const Numbered& a, const Numbered& b) { return a.number < b.number; });
}

parser::SectionNode* SectionIndex::find(std::string_view target) const {
  const std::string_view wanted = without_trailing_dots(target);
  // The first of equal numbers is the first in document order.
  const auto it = std::lower_bound(
      by_number_.begin(), by_number_.end(), wanted,
      [](const Numbered& entry, std::string_view number) { return entry.number < number; });
  return it != by_number_.end() && it->number == wanted ? it->section : nullptr;
}

Status place_block(SectionBlocks& section, parser::Node node, const TargetSpec& target,
                   const MergeMode& mode) {
  if (target.prepend) {
    section.insert(0, std::move(node));
    return {};
  }
  if (target.after_block)
    return insert_after_block(section, std::move(node), *target.after_block, mode);
  if (target.before_paragraph) {
    const std::uint64_t n = *target.before_paragraph;
    const std::optional<std::size_t> found = section.find_occurrence(BlockKind::kParagraph, n);
    if (!found) return miss(section, std::move(node), mode, "paragraph", n);
    section.insert(*found, std::move(node));
    return {};
  }
  if (target.after_paragraph) {
    const std::uint64_t n = *target.after_paragraph;
    return insert_after_match(section, std::move(node),
                              section.find_occurrence(BlockKind::kParagraph, n), mode, "paragraph",
                              n);
  }
  if (target.after_list) {
    const std::uint64_t n = *target.after_list;
    return insert_after_match(section, std::move(node),
                              section.find_occurrence(BlockKind::kList, n), mode, "list", n);
  }
  if (target.after_note) {
    const std::uint64_t n = *target.after_note;
    return insert_after_match(section, std::move(node), find_note_admonition(section, n), mode,
                              "note admonition", n);
  }
  section.append(std::move(node));
  return {};
}

Status insert_after_block(SectionBlocks& section, parser::Node node, std::uint64_t n,
                          const MergeMode& mode) {
  const std::size_t count = section.size();
  if (n < count) {
    section.insert(static_cast<std::size_t>(n) + 1, std::move(node));
    return {};
  }
  std::string message = "after_block=";
  append_decimal(message, n);
  message += " is out of range for section '";
  message += section.number();
  message += "' with ";
  append_decimal(message, count);
  message += " child blocks";
  return append_instead(section, std::move(node), std::move(message), mode);
}

Status insert_after_match(SectionBlocks& section, parser::Node node,
                          std::optional<std::size_t> found, const MergeMode& mode,
                          std::string_view kind_word, std::uint64_t n) {
  if (!found) return miss(section, std::move(node), mode, kind_word, n);
  section.insert(*found + 1, std::move(node));
  return {};
}

std::optional<std::size_t> find_note_admonition(const SectionBlocks& section, std::uint64_t n) {
  return section.find_occurrence(BlockKind::kNote, n);
}

std::optional<std::pair<std::uint64_t, std::uint64_t>> block_range(const TargetSpec& target) {
  const std::pair<const std::optional<std::uint64_t>*, const std::optional<std::uint64_t>*>
      pairs[] = {{&target.start_block, &target.end_block},
                 {&target.from_block, &target.to_block},
                 {&target.start_node, &target.end_node},
                 {&target.from_node, &target.to_node}};
  for (const auto& [start, end] : pairs)
    if (*start && *end) return std::pair{**start, **end};
  return std::nullopt;
}

Status wrap_block_range(SectionBlocks& section, const InjectionSpec& entry,
                        std::uint64_t entry_index, std::uint64_t start, std::uint64_t end,
                        const MergeMode& mode) {
  const std::size_t count = section.size();
  if (count == 0) {
    std::string message = "section ";
    message += section.number();
    message += " has no child blocks";
    return mode.pass_over(std::move(message));
  }
  if (end < start) return Error("invalid admonition block range: start_block > end_block");
  if (end >= count) {
    std::string message = range_head(start, end);
    message += "exceeds section '";
    message += section.number();
    message += "' child count ";
    append_decimal(message, count);
    return mode.pass_over(std::move(message));
  }
  const auto first = static_cast<std::size_t>(start);
  const auto last = static_cast<std::size_t>(end);
  if (section.max_admonition_depth(first, last) >= kMaxAdmonitionDepth) {
    std::string message = range_head(start, end);
    message += "in section '";
    message += section.number();
    message += "' would nest admonitions deeper than ";
    append_decimal(message, kMaxAdmonitionDepth);
    message += " levels";
    return mode.pass_over(std::move(message));
  }
  section.wrap(first, last, make_admonition(entry, entry_index));
  return {};
}

std::string default_admonition_level(std::string_view type) {
  if (equals_ascii_lower(type, "tip")) return "TIP";
  if (equals_ascii_lower(type, "important")) return "IMPORTANT";
  if (equals_ascii_lower(type, "warning")) return "WARNING";
  if (equals_ascii_lower(type, "example")) return "EXAMPLE";
  return "NOTE";
}

std::string injected_node_id(const InjectionSpec& entry, std::uint64_t entry_index) {
  if (entry.id) return *entry.id;
  std::string id = "inj-";
  id += entry.type;
  id += '-';
  append_decimal(id, entry_index);
  return id;
}

parser::AdmonitionNode make_admonition(const InjectionSpec& entry, std::uint64_t entry_index) {
  parser::AdmonitionNode admonition;
  admonition.level = entry.level ? *entry.level : default_admonition_level(entry.type);
  admonition.render_hints = render_hints_with(entry.render_hints, "title", entry.title);
  admonition.node_id = injected_node_id(entry, entry_index);
  return admonition;
}

}  // namespace lorvane::inject
