#include "inject/section_blocks.hpp"

#include <algorithm>
#include <cassert>
#include <limits>
#include <utility>

namespace lorvane::inject {
namespace {

constexpr std::size_t kMinChunkLength = 32;
constexpr std::uint32_t kDepthLimit = std::numeric_limits<std::uint32_t>::max();

std::size_t chunk_length_for(std::size_t blocks) {
  std::size_t root = 1;
  while (root * root < blocks) ++root;
  return std::max(kMinChunkLength, root);
}

std::uint32_t saturating_increment(std::uint32_t depth) {
  return depth == kDepthLimit ? depth : depth + 1;
}

}  // namespace

bool equals_ascii_lower(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != lower[i]) return false;
  }
  return true;
}

bool is_note_level(std::string_view level) { return equals_ascii_lower(level, "note"); }

bool is_note_admonition(const parser::Node& node) {
  const auto* admonition = node.get_if<parser::AdmonitionNode>();
  return admonition != nullptr && is_note_level(admonition->level);
}

BlockKind block_kind(const parser::Node& node) {
  if (node.get_if<parser::ParagraphNode>()) return BlockKind::kParagraph;
  if (node.get_if<parser::BulletListNode>() || node.get_if<parser::OrderedListNode>())
    return BlockKind::kList;
  if (is_note_admonition(node)) return BlockKind::kNote;
  return BlockKind::kOther;
}

std::uint32_t admonition_depth(const parser::Node& node) {
  const parser::NodeList* top = node.child_blocks();
  if (top == nullptr) return 0;  // most blocks: no walk, no allocation
  if (top->empty()) return node.get_if<parser::AdmonitionNode>() ? 1 : 0;
  struct Visit {
    const parser::Node* node;
    std::uint32_t above;  // admonitions on the path above this node
  };
  std::uint32_t deepest = 0;
  std::vector<Visit> pending{{&node, 0}};
  while (!pending.empty()) {
    const Visit visit = pending.back();
    pending.pop_back();
    std::uint32_t here = visit.above;
    if (visit.node->get_if<parser::AdmonitionNode>()) here = saturating_increment(here);
    deepest = std::max(deepest, here);
    if (const parser::NodeList* children = visit.node->child_blocks())
      for (const parser::Node& child : *children) pending.push_back({&child, here});
  }
  return deepest;
}

SectionBlocks::SectionBlocks(parser::SectionNode& section) : section_(&section) {
  pool_ = section.children.extract(0, section.children.size());
  section.children = parser::NodeList();  // releases the emptied buffer
  slots_.reserve(pool_.size());
  for (const parser::Node& node : pool_)
    slots_.push_back({admonition_depth(node), block_kind(node)});
  size_ = pool_.size();
  std::vector<std::uint32_t> order(size_);
  for (std::size_t i = 0; i < size_; ++i) order[i] = static_cast<std::uint32_t>(i);
  group(order);
}

SectionBlocks::~SectionBlocks() {
  if (!finished_) finish();
}

std::uint32_t SectionBlocks::add_to_pool(parser::Node node, std::uint32_t depth, BlockKind kind) {
  pool_.push_back(std::move(node));
  slots_.push_back({depth, kind});
  return static_cast<std::uint32_t>(pool_.size() - 1);
}

void SectionBlocks::recount(Chunk& chunk) const {
  chunk.counts = {};
  chunk.max_depth = 0;
  for (std::uint32_t item : chunk.items) chunk.tally(slots_[item]);
}

SectionBlocks::Position SectionBlocks::locate(std::size_t index) const {
  assert(!chunks_.empty());
  for (std::size_t c = 0; c + 1 < chunks_.size(); ++c) {
    const std::size_t length = chunks_[c].items.size();
    if (index < length) return {c, index};
    index -= length;
  }
  return {chunks_.size() - 1, index};
}

void SectionBlocks::regroup() {
  std::vector<std::uint32_t> order;
  order.reserve(size_);
  for (const Chunk& chunk : chunks_)
    order.insert(order.end(), chunk.items.begin(), chunk.items.end());
  group(order);
}

void SectionBlocks::group(const std::vector<std::uint32_t>& order) {
  chunk_length_ = chunk_length_for(size_);
  // Growing the section by a factor of four takes at least three times its size in
  // insertions, which pays for the next regrouping.
  regroup_at_ = 4 * size_ + kMinChunkLength;
  chunks_.clear();
  chunks_.reserve(order.size() / chunk_length_ + 1);
  for (std::size_t begin = 0; begin < order.size(); begin += chunk_length_) {
    const std::size_t end = std::min(order.size(), begin + chunk_length_);
    Chunk& chunk = chunks_.emplace_back();
    chunk.items.assign(order.begin() + static_cast<std::ptrdiff_t>(begin),
                       order.begin() + static_cast<std::ptrdiff_t>(end));
    recount(chunk);
  }
}

void SectionBlocks::insert(std::size_t index, parser::Node node) {
  assert(!finished_ && index <= size_);
  const std::uint32_t depth = admonition_depth(node);
  const BlockKind kind = block_kind(node);
  place_item(index, add_to_pool(std::move(node), depth, kind));
}

void SectionBlocks::place_item(std::size_t index, std::uint32_t item) {
  if (chunks_.empty()) chunks_.emplace_back();
  const Position at = locate(index);
  Chunk& chunk = chunks_[at.chunk];
  chunk.items.insert(chunk.items.begin() + static_cast<std::ptrdiff_t>(at.offset), item);
  chunk.tally(slots_[item]);
  ++size_;
  if (size_ >= regroup_at_) {
    regroup();
  } else if (chunk.items.size() > 2 * chunk_length_) {
    Chunk tail;
    const auto middle = chunk.items.begin() + static_cast<std::ptrdiff_t>(chunk.items.size() / 2);
    tail.items.assign(middle, chunk.items.end());
    chunk.items.erase(middle, chunk.items.end());
    recount(chunk);
    recount(tail);
    chunks_.insert(chunks_.begin() + static_cast<std::ptrdiff_t>(at.chunk + 1), std::move(tail));
  }
}

std::optional<std::size_t> SectionBlocks::find_occurrence(BlockKind kind, std::uint64_t n) const {
  const auto k = static_cast<std::size_t>(kind);
  std::size_t base = 0;
  for (const Chunk& chunk : chunks_) {
    if (n < chunk.counts[k]) {
      for (std::size_t i = 0; i < chunk.items.size(); ++i) {
        if (slots_[chunk.items[i]].kind != kind) continue;
        if (n == 0) return base + i;
        --n;
      }
    }
    n -= chunk.counts[k];
    base += chunk.items.size();
  }
  return std::nullopt;
}

std::uint32_t SectionBlocks::max_admonition_depth(std::size_t first, std::size_t last) const {
  assert(first <= last && last < size_);
  std::uint32_t deepest = 0;
  std::size_t base = 0;
  for (const Chunk& chunk : chunks_) {
    const std::size_t end = base + chunk.items.size();  // one past the chunk
    if (end > first && base <= last) {
      if (first <= base && last + 1 >= end) {
        deepest = std::max(deepest, chunk.max_depth);
      } else {
        const std::size_t from = std::max(first, base) - base;
        const std::size_t to = std::min(last + 1, end) - base;
        for (std::size_t i = from; i < to; ++i)
          deepest = std::max(deepest, slots_[chunk.items[i]].depth);
      }
    }
    if (end > last) break;
    base = end;
  }
  return deepest;
}

void SectionBlocks::wrap(std::size_t first, std::size_t last, parser::AdmonitionNode admonition) {
  assert(!finished_ && first <= last && last < size_);
  std::size_t remaining = last - first + 1;
  admonition.children.reserve(remaining);
  std::uint32_t deepest = 0;
  Position at = locate(first);
  while (remaining > 0) {
    Chunk& chunk = chunks_[at.chunk];
    const std::size_t take = std::min(remaining, chunk.items.size() - at.offset);
    const auto begin = chunk.items.begin() + static_cast<std::ptrdiff_t>(at.offset);
    const auto end = begin + static_cast<std::ptrdiff_t>(take);
    for (auto it = begin; it != end; ++it) {
      deepest = std::max(deepest, slots_[*it].depth);
      admonition.children.push_back(std::move(pool_[*it]));
    }
    chunk.items.erase(begin, end);
    recount(chunk);
    remaining -= take;
    ++at.chunk;
    at.offset = 0;
  }
  size_ -= last - first + 1;
  std::erase_if(chunks_, [](const Chunk& chunk) { return chunk.items.empty(); });
  const BlockKind kind = is_note_level(admonition.level) ? BlockKind::kNote : BlockKind::kOther;
  const std::uint32_t item =
      add_to_pool(parser::Node(std::move(admonition)), saturating_increment(deepest), kind);
  place_item(first, item);
}

void SectionBlocks::finish() {
  assert(!finished_);
  parser::NodeList children;
  children.reserve(size_);
  for (const Chunk& chunk : chunks_)
    for (std::uint32_t item : chunk.items) children.push_back(std::move(pool_[item]));
  section_->children = std::move(children);
  chunks_.clear();
  pool_.clear();
  slots_.clear();
  size_ = 0;
  finished_ = true;
}

}  // namespace lorvane::inject
