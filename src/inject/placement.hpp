#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "inject/sidecar_entries.hpp"
#include "inject/merge_mode.hpp"
#include "inject/section_blocks.hpp"
#include "parser/document.hpp"
#include "parser/error.hpp"

// Where an entry acts inside the FINAL document: the target section, the place of a new
// block among its children, and the wrap of a block range into an admonition. Every
// problem is an error in strict mode; in lenient mode most are one warning line and a
// fallback (append, or no effect). Errors are single messages; the merge driver adds the
// context that names the entry. On an error nothing has changed.
namespace lorvane::inject {

/// Admonitions made by wrapping may hold at most this many levels of admonitions, the
/// new one included: the JSON form indents every level further, so its size grows with
/// the square of the depth.
inline constexpr std::uint32_t kMaxAdmonitionDepth = 32;

/// The sections of a document by number, for the lookup of an entry's target: the first
/// section, in document order, whose number equals the target once trailing dots are
/// removed from both. A document holds every section at its top level and a section's
/// children are never sections (the parser builds no other form, and no merge step puts a
/// section inside a node), so the index holds the document's top-level sections and a
/// lookup is one binary search. A section that a hand-built tree puts inside another node
/// is not indexed and is never a target.
/// REQUIRES: `document.children` is not changed while the index is used (the merge changes
/// only the children of sections).
class SectionIndex {
 public:
  explicit SectionIndex(parser::Document& document);
  parser::SectionNode* find(std::string_view target) const;

 private:
  struct Numbered {
    std::string_view number;  ///< without trailing dots
    parser::SectionNode* section;
  };

  /// Sorted by number, sections of equal numbers in document order. Sorted rather than
  /// hashed: both the numbers and the targets come from the input, and a hash function
  /// fixed in advance lets a crafted source put every number in one bucket.
  std::vector<Numbered> by_number_;
};

/// Puts `node` among the section's children by the first selector of the target that is
/// present: prepend, after_block, before_paragraph, after_paragraph, after_list,
/// after_note, else at the end. A missing occurrence or block fails (strict) or warns
/// and appends (lenient).
Status place_block(SectionBlocks& section, parser::Node node, const TargetSpec& target,
                   const MergeMode& mode);

/// Inserts `node` after the block at index `n`; n beyond the last block fails (strict)
/// or warns and appends (lenient).
Status insert_after_block(SectionBlocks& section, parser::Node node, std::uint64_t n,
                          const MergeMode& mode);

/// Inserts `node` after the block at `found`; when nothing was found, the miss of the
/// n-th occurrence of `kind_word`: an error (strict) or a warning and an append.
Status insert_after_match(SectionBlocks& section, parser::Node node,
                          std::optional<std::size_t> found, const MergeMode& mode,
                          std::string_view kind_word, std::uint64_t n);

/// The block index of the n-th note admonition among the section's children.
std::optional<std::size_t> find_note_admonition(const SectionBlocks& section, std::uint64_t n);

/// The first complete range pair of the target (start/end_block, from/to_block,
/// start/end_node, from/to_node), as (start, end).
std::optional<std::pair<std::uint64_t, std::uint64_t>> block_range(const TargetSpec& target);

/// Replaces the blocks start..end (inclusive) by one admonition that holds them, made by
/// the admonition field rules from `entry`. Checks, in order: a section without children
/// (strict error, else warning and no effect), end < start (an error in both modes), end
/// beyond the last block, and an admonition chain deeper than kMaxAdmonitionDepth (both
/// strict error, else warning and no effect).
Status wrap_block_range(SectionBlocks& section, const InjectionSpec& entry,
                        std::uint64_t entry_index, std::uint64_t start, std::uint64_t end,
                        const MergeMode& mode);

/// The level of an admonition whose entry gives none: "TIP", "IMPORTANT", "WARNING" or
/// "EXAMPLE" for those types in any ASCII case, "NOTE" for every other type.
std::string default_admonition_level(std::string_view type);

/// The identifier of a node that an entry creates: the entry's `id`, else
/// "inj-{type}-{index}".
std::string injected_node_id(const InjectionSpec& entry, std::uint64_t entry_index);

/// An admonition without children, with the level, render hints and identifier that the
/// entry gives it.
parser::AdmonitionNode make_admonition(const InjectionSpec& entry, std::uint64_t entry_index);

}  // namespace lorvane::inject
