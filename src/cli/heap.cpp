#include "cli/heap.hpp"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <iterator>

namespace lorvane::cli {
namespace {

// Below this, a source is parsed before the fault costs add up to anything noticeable.
constexpr std::size_t kWorthItBytes = std::size_t{4} << 20;
// The heap margin per byte of source: a tree takes two to three times its source, and a
// build holds the FINAL tree beside the texts it writes. Unused margin is address space
// only; nothing is committed until it is touched.
constexpr std::size_t kMarginPerByte = 8;
constexpr std::size_t kMaxMargin = std::size_t{1} << 30;  // the setting is an int
constexpr std::size_t kMmapThreshold = std::size_t{32} << 20;  // the largest allowed
constexpr std::uintptr_t kHugePage = std::uintptr_t{1} << 21;

bool prepared = false;

}  // namespace

void prepare_heap_for_input(std::size_t input_bytes) {
  if (prepared || input_bytes < kWorthItBytes) return;
  prepared = true;
  const std::size_t margin = std::min(kMaxMargin, input_bytes * kMarginPerByte);
  // Keep freed blocks for the next tree instead of trimming them away, take mid-sized
  // blocks (list and child vectors of large sections) from the heap, and grow the heap by
  // the whole margin the next time it grows.
  mallopt(M_TRIM_THRESHOLD, INT_MAX);
  mallopt(M_MMAP_THRESHOLD, static_cast<int>(kMmapThreshold));
  mallopt(M_TOP_PAD, static_cast<int>(margin));
  // Make it grow now: a block larger than what is left at the top of the heap forces the
  // extension (a few tries, since the top may already hold some room), then give it back.
  void* const top = sbrk(0);
  if (top == reinterpret_cast<void*>(-1)) return;
  const auto before = reinterpret_cast<std::uintptr_t>(top);
  void* blocks[4] = {};
  std::size_t taken = 0;
  while (taken < std::size(blocks) && reinterpret_cast<std::uintptr_t>(sbrk(0)) == before)
    blocks[taken++] = std::malloc(std::size_t{1} << 20);
  while (taken > 0) std::free(blocks[--taken]);
  const auto after = reinterpret_cast<std::uintptr_t>(sbrk(0));
  // An allocator that does not grow the heap through brk (a sanitizer's, say) leaves it
  // unchanged, and there is nothing to advise.
  if (after <= before) return;
  const std::uintptr_t from = (before + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t to = after & ~(kHugePage - 1);
  if (to > from) (void)madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

}  // namespace lorvane::cli
