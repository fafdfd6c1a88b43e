#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "parser/document.hpp"

// The children of one section while a merge works on them.
//
// A SIDECAR file can aim any number of entries at one section, and a section can hold
// any number of blocks, so the plain vector of children (where every insertion shifts
// the blocks behind it and every occurrence search walks from the front) would make a
// merge cost entries times blocks. Here the blocks sit in a pool and the section's order
// is a list of chunks of pool indexes, each chunk about the square root of the block
// count long and carrying its counts of paragraphs, lists and note admonitions and its
// deepest admonition chain. Insertion, the n-th occurrence of a kind, the depth of a
// block range and the wrap of a range into an admonition then cost the number of chunks
// plus one chunk's length (plus the length of a wrapped range, which leaves the section
// for good), and `finish` puts the blocks back in order.
namespace lorvane::inject {

/// The classes of blocks that occurrence selectors count.
enum class BlockKind : std::uint8_t { kOther, kParagraph, kList, kNote };

/// Whether `text` equals `lower`, a word in lower case, once the ASCII capitals of `text`
/// are made lower case (every other byte is compared as it is).
bool equals_ascii_lower(std::string_view text, std::string_view lower);

/// Whether `level` is "note" in any case of its four ASCII letters (exactly four bytes).
bool is_note_level(std::string_view level);

/// Whether `node` is an admonition with a note level.
bool is_note_admonition(const parser::Node& node);

/// The occurrence class of a direct child of a section.
BlockKind block_kind(const parser::Node& node);

/// The number of admonitions on the longest path down from `node` through the child
/// blocks of sections and admonitions (0 for a block without admonitions). Walks with an
/// explicit stack; saturates at UINT32_MAX.
std::uint32_t admonition_depth(const parser::Node& node);

class SectionBlocks {
 public:
  /// Takes over the children of `section`, which stays empty until `finish`.
  /// REQUIRES: `section` outlives this object and does not move meanwhile.
  explicit SectionBlocks(parser::SectionNode& section);
  /// Puts the blocks back (`finish`) unless that was done already.
  ~SectionBlocks();
  SectionBlocks(const SectionBlocks&) = delete;
  SectionBlocks& operator=(const SectionBlocks&) = delete;

  /// The section's number as stored, trailing dots included.
  const std::string& number() const { return section_->number; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  /// Inserts `node` so that it becomes the block at `index`.
  /// REQUIRES: index <= size().
  void insert(std::size_t index, parser::Node node);
  void append(parser::Node node) { insert(size_, std::move(node)); }

  /// The block index of the n-th (from 0) block of `kind`, or none.
  /// REQUIRES: kind != BlockKind::kOther.
  std::optional<std::size_t> find_occurrence(BlockKind kind, std::uint64_t n) const;

  /// The deepest admonition chain among the blocks first..last (inclusive).
  /// REQUIRES: first <= last < size().
  std::uint32_t max_admonition_depth(std::size_t first, std::size_t last) const;

  /// Moves the blocks first..last (inclusive), in order, into the children of
  /// `admonition` and puts it in their place.
  /// REQUIRES: first <= last < size().
  void wrap(std::size_t first, std::size_t last, parser::AdmonitionNode admonition);

  /// Writes the blocks back into the section's children, in order. Afterwards this
  /// object is empty and must not be used again.
  void finish();

 private:
  struct Slot {
    std::uint32_t depth = 0;  ///< admonition_depth of the block
    BlockKind kind = BlockKind::kOther;
  };
  struct Chunk {
    std::vector<std::uint32_t> items;  ///< pool indexes, in section order
    std::array<std::uint32_t, 4> counts{};
    std::uint32_t max_depth = 0;
    /// Takes the block of `slot` into the counts and the deepest chain.
    void tally(const Slot& slot) {
      ++counts[static_cast<std::size_t>(slot.kind)];
      max_depth = std::max(max_depth, slot.depth);
    }
  };
  struct Position {
    std::size_t chunk;
    std::size_t offset;
  };

  std::uint32_t add_to_pool(parser::Node node, std::uint32_t depth, BlockKind kind);
  void recount(Chunk& chunk) const;
  /// Puts pool item `item` at block index `index`, splitting or regrouping as needed.
  void place_item(std::size_t index, std::uint32_t item);
  /// The chunk and offset of block `index`; for index == size() the end of the last
  /// chunk. REQUIRES: at least one chunk.
  Position locate(std::size_t index) const;
  /// Cuts the blocks into chunks of the length that suits their number.
  void regroup();
  void group(const std::vector<std::uint32_t>& order);

  parser::SectionNode* section_;
  std::vector<parser::Node> pool_;  ///< blocks, moved-from once they leave the section
  std::vector<Slot> slots_;         ///< parallel to pool_
  std::vector<Chunk> chunks_;       ///< never empty chunks
  std::size_t size_ = 0;
  std::size_t chunk_length_ = 0;  ///< a chunk is split when it grows past twice this
  std::size_t regroup_at_ = 0;    ///< size at which the chunk length is chosen anew
  bool finished_ = false;
};

}  // namespace lorvane::inject
