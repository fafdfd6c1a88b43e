#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Template filling. A fill applies its pairs in order: every occurrence of a pair's
// placeholder, left to right without overlap, is replaced by its value, and the text that
// a pair inserts is searched by the pairs after it. Done literally, that copies the whole
// text once per pair: a 50 MB page body would be copied for every later pair. `FillRope`
// gives exactly the same result but keeps the text as pieces of the template and of the
// values and writes it out once.
//
// Up to two values of a fill may be deferred (slots 0 and 1): instead of a text each is
// written by a callback straight into the output, at the place where it ends up (the page
// body and the outline, a section's content). The pairs that come after it are applied to
// the rest of the text; when a deferred text has been written, `append_to` checks that
// none of those later placeholders could have matched inside it or across its edges. If
// one could, the fill must be done again with the written texts as ordinary values (the
// caller gets them back), so the result is always the literal one.
namespace lorvane::render {

/// Bounds how much text the fills of one render may multiply. Filling follows the pair
/// order literally, so text that one pair inserts is searched by every later pair: a value
/// full of a later placeholder, filled with a large value (a paragraph of "{TITLE}" in an
/// admonition with a long title, CSS files naming each other's placeholders), or templates
/// that each place their content twice, nested, multiply the page without limit. A render
/// owns one budget, sized from everything the page is made of, and pays from it every copy
/// of a value beyond the first that one pair inserts (and the other output that is not in
/// proportion to the inputs: embedded images, table padding). Once a payment is refused,
/// every later one is too, and what was not paid for stays as written (a placeholder stays
/// a placeholder). A budget is a plain value: a caller that gives up a fill and does it
/// again restores the copy it kept.
class FillBudget {
 public:
  explicit FillBudget(std::size_t bytes) : remaining_(bytes) {}
  /// A budget of `bytes` plus what `reserve()` returns, asked for only when `bytes` no
  /// longer suffice: for a part that is costly to count and that ordinary renders never
  /// reach. `reserve` must give the same amount every time (a copy of the budget may ask
  /// again) and stay callable while the budget is used.
  FillBudget(std::size_t bytes, std::function<std::size_t()> reserve)
      : remaining_(bytes), reserve_(std::move(reserve)) {}

  /// Pays for `bytes` more bytes of output: true (and paid) when the budget allows it.
  /// After the first refusal every payment but one of 0 bytes is refused.
  bool pay(std::size_t bytes) {
    if (bytes > remaining_ && reserve_) {
      const std::size_t more = reserve_();
      reserve_ = nullptr;
      remaining_ = more > SIZE_MAX - remaining_ ? SIZE_MAX : remaining_ + more;
    }
    if (bytes > remaining_) {
      remaining_ = 0;  // a smaller copy later must not slip in
      refused_ = refused_ || bytes != 0;
      return bytes == 0;
    }
    remaining_ -= bytes;
    return true;
  }

  /// What is left before the reserve is drawn.
  std::size_t remaining() const { return remaining_; }
  /// Whether a payment was refused.
  bool refused() const { return refused_; }

 private:
  std::size_t remaining_;
  std::function<std::size_t()> reserve_;
  bool refused_ = false;
};

/// `budget->pay(bytes)`, or true without a budget: a fill without one is unbounded.
inline bool pay_from(FillBudget* budget, std::size_t bytes) {
  return budget == nullptr || budget->pay(bytes);
}

class FillRope {
 public:
  /// Copies beyond the first that a pair inserts are paid from `budget` (see FillBudget);
  /// without one, the rope fills exactly like the literal fill, unbounded.
  explicit FillRope(FillBudget* budget = nullptr) : budget_(budget) {}

  /// Starts over with the whole of `text` as the current text.
  /// The texts given to a rope (template and values) must outlive its `append_to`.
  void reset(std::string_view text);
  /// Starts over with an empty text.
  void clear();

  static constexpr int kSlots = 2;

  /// Appends `text` / the deferred value of `slot` at the end of the current text (used to
  /// build a value out of parts before it is inserted with `replace_with`).
  void append_text(std::string_view text);
  void append_deferred(int slot = 0);

  /// One pair of a fill: every occurrence of `placeholder` in the current text, found
  /// left to right without overlap, is replaced by the value; the inserted text is not
  /// searched by this same pair. An empty placeholder changes nothing.
  void replace(std::string_view placeholder, std::string_view value);
  /// The same with the current text of another rope as the value (which may hold deferred
  /// values; a slot may be in use in only one of the two). `value` must outlive this
  /// rope's `append_to`.
  void replace_with(std::string_view placeholder, const FillRope& value);
  /// The same with the deferred value of `slot`, which must not be in use yet.
  void replace_deferred(std::string_view placeholder, int slot = 0);

  /// Whether the current text holds `placeholder` (outside the deferred value).
  bool contains(std::string_view placeholder);

  /// Appends the current text to `out`. A deferred value is written by calling
  /// `produce(slot, out)` at its first place, and that output is copied to its other
  /// places. Returns false when a later pair could have matched in or across a deferred
  /// text; `out` is then left as it was, and the text of every slot written so far is
  /// moved into `texts[slot]`.
  template <typename Produce>
  bool append_slots(std::string& out, Produce&& produce,
                    std::optional<std::string> (&texts)[kSlots]) const;
  /// The same for a rope whose only deferred value is in slot 0: `produce(out)` writes it
  /// and `*deferred_text` receives it on failure.
  template <typename Produce>
  bool append_to(std::string& out, Produce&& produce, std::string* deferred_text) const;
  /// REQUIRES: the rope holds no deferred value.
  void append_to(std::string& out) const;

  /// The current text. REQUIRES: the rope holds no deferred value.
  std::string text() const;

 private:
  /// Pieces of a deferred value carry this source index minus the slot.
  static constexpr std::uint32_t kDeferred = UINT32_MAX;
  static constexpr bool is_deferred(std::uint32_t source) { return source > kDeferred - kSlots; }
  static constexpr int slot_of(std::uint32_t source) {
    return static_cast<int>(kDeferred - source);
  }

  struct Source {
    std::string_view text;
    /// Positions in `text` of the byte `indexed_byte` (all placeholders of the renderer
    /// begin with "{", so this is built once per text and reused by every pair).
    std::vector<std::size_t> starts;
    int indexed_byte = -1;
    bool dense = false;  ///< too many positions to list: searched byte by byte
    /// Where the last search of this source stopped in `starts`, so that the pieces of a
    /// source, which mostly follow each other, are searched without a binary search each.
    std::size_t hint = 0;
  };
  struct Piece {
    std::uint32_t source;  ///< index into `sources_`, or a deferred slot (see kDeferred)
    std::size_t begin;     ///< byte range in the source's text; never empty
    std::size_t end;
  };

  std::uint32_t add_source(std::string_view text);
  /// The positions of `byte` in the source, or nullptr when the source is dense in it.
  const std::vector<std::size_t>* starts_of(Source& source, unsigned char byte);
  /// Calls `on_match(piece, begin, end_piece, end)` for every occurrence of `placeholder`,
  /// left to right without overlap; `end` is the first byte after it in `end_piece`.
  template <typename OnMatch>
  void scan(std::string_view placeholder, OnMatch&& on_match);
  bool match_at(std::size_t piece, std::size_t pos, std::string_view placeholder,
                std::size_t& end_piece, std::size_t& end) const;
  /// Replaces every occurrence of `placeholder` by what `insert(sink)` adds; returns the
  /// number of occurrences. Every occurrence but the first pays `copy_cost` from the budget;
  /// one that cannot be paid for stays as written, and so do the ones after it. When the
  /// pieces would become many and small, the text is written into a buffer of the rope's
  /// own instead (so memory stays in proportion to the text however many matches a pair
  /// has). `prepare(flat)` runs once the form of the rebuild is known, before it starts.
  template <typename Prepare, typename Insert>
  std::size_t replace_all(std::string_view placeholder, std::size_t value_pieces,
                          std::size_t value_bytes, std::size_t copy_cost, Prepare&& prepare,
                          Insert&& insert);
  void note_later_pair(std::string_view placeholder);
  void append_piece(std::string& out, const Piece& piece) const;

  /// Receives the text of a rebuild: either as pieces or flattened into owned buffers.
  class Sink;

  FillBudget* budget_;
  /// The first `source_count_` entries are in use; the others keep their memory for
  /// reuse, so that a rope filling one small template after another allocates nothing.
  std::vector<Source> sources_;
  std::size_t source_count_ = 0;
  std::vector<Piece> pieces_;
  std::vector<Piece> next_;
  /// The text the rope wrote itself when it last flattened its pieces, and the buffer of
  /// the flattening before, kept for reuse.
  std::unique_ptr<std::string> owned_;
  std::unique_ptr<std::string> spare_;
  std::size_t text_bytes_ = 0;  ///< bytes of the current text outside the deferred values
  std::size_t deferred_pieces_[kSlots] = {};
  /// Per slot, the placeholders of the pairs applied since its value went in.
  std::vector<std::string_view> later_[kSlots];
  /// Per slot, the placeholder that the deferred value replaces (written instead of a
  /// copy that the fill budget cannot pay for).
  std::string_view deferred_placeholder_[kSlots];
};

/// Whether `text`, standing anywhere in a larger text, is certain not to take part in an
/// occurrence of any of `placeholders` (not inside it, not across either of its edges).
bool is_isolated_from(std::string_view text, const std::vector<std::string_view>& placeholders);

/// A template prepared once for many fills whose pairs are fixed except one, which takes
/// a deferred value (the paragraph and list templates): `before` is applied to the
/// template, the text is cut at the occurrences of `placeholder`, and `after` is applied to
/// each part. Filling then only writes the parts around the value, which gives the literal
/// result whenever the value is isolated from the placeholders of `after` (see
/// `is_isolated_from`); otherwise `append_to` declines and the caller fills another way.
class PreparedFill {
 public:
  PreparedFill(std::string_view text,
               const std::vector<std::pair<std::string_view, std::string_view>>& before,
               std::string_view placeholder,
               const std::vector<std::pair<std::string_view, std::string_view>>& after);

  /// Appends the filled template, calling `produce(out)` for the value at its first place
  /// and copying it to the others. Returns false, with `out` as it was, when a pair of
  /// `after` could have reached into the value.
  /// Copies of the value beyond the first are paid from `budget` (if any).
  template <typename Produce>
  bool append_to(std::string& out, Produce&& produce, FillBudget* budget) const;

 private:
  std::vector<std::string> parts_;
  std::vector<std::string_view> later_;
  std::string placeholder_;
};

/// Ropes for nested fills, reused so that rendering a block allocates nothing new once
/// the pool has grown to the nesting depth. `Lease` hands one out and returns it.
class RopePool {
 public:
  /// The ropes handed out pay from `budget` (if any).
  explicit RopePool(FillBudget* budget = nullptr) : budget_(budget) {}

  class Lease {
   public:
    explicit Lease(RopePool& pool) : pool_(pool), rope_(pool.take()) {}
    ~Lease() { pool_.give(std::move(rope_)); }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    FillRope& operator*() { return *rope_; }
    FillRope* operator->() { return rope_.get(); }

   private:
    RopePool& pool_;
    std::unique_ptr<FillRope> rope_;
  };

 private:
  std::unique_ptr<FillRope> take();
  void give(std::unique_ptr<FillRope> rope) { free_.push_back(std::move(rope)); }
  FillBudget* budget_;
  std::vector<std::unique_ptr<FillRope>> free_;
};

template <typename Produce>
bool FillRope::append_slots(std::string& out, Produce&& produce,
                            std::optional<std::string> (&texts)[kSlots]) const {
  const std::size_t start = out.size();
  bool produced[kSlots] = {};
  std::size_t value_start[kSlots] = {};
  std::size_t value_size[kSlots] = {};
  for (const Piece& piece : pieces_) {
    if (!is_deferred(piece.source)) {
      append_piece(out, piece);
      continue;
    }
    const int slot = slot_of(piece.source);
    if (produced[slot]) {
      if (!pay_from(budget_, value_size[slot])) {
        out += deferred_placeholder_[slot];
        continue;
      }
      // Reserve first so that the source range stays valid while it is appended.
      out.reserve(out.size() + value_size[slot]);
      out.append(out.data() + value_start[slot], value_size[slot]);
      continue;
    }
    produced[slot] = true;
    value_start[slot] = out.size();
    produce(slot, out);
    value_size[slot] = out.size() - value_start[slot];
    if (!later_[slot].empty() &&
        !is_isolated_from(std::string_view(out).substr(value_start[slot], value_size[slot]),
                          later_[slot])) {
      for (int s = 0; s < kSlots; ++s)
        if (produced[s]) texts[s].emplace(out, value_start[s], value_size[s]);
      out.resize(start);
      return false;
    }
  }
  return true;
}

template <typename Produce>
bool FillRope::append_to(std::string& out, Produce&& produce, std::string* deferred_text) const {
  std::optional<std::string> texts[kSlots];
  if (append_slots(
          out, [&](int, std::string& o) { produce(o); }, texts))
    return true;
  *deferred_text = std::move(*texts[0]);
  return false;
}

template <typename Produce>
bool PreparedFill::append_to(std::string& out, Produce&& produce, FillBudget* budget) const {
  const std::size_t start = out.size();
  out += parts_[0];
  if (parts_.size() == 1) return true;
  const std::size_t value_start = out.size();
  produce(out);
  const std::size_t value_size = out.size() - value_start;
  if (!later_.empty() &&
      !is_isolated_from(std::string_view(out).substr(value_start, value_size), later_)) {
    out.resize(start);
    return false;
  }
  for (std::size_t i = 1; i < parts_.size(); ++i) {
    if (i > 1) {
      if (pay_from(budget, value_size)) {
        out.reserve(out.size() + value_size);
        out.append(out.data() + value_start, value_size);
      } else {
        out += placeholder_;
      }
    }
    out += parts_[i];
  }
  return true;
}

}  // namespace lorvane::render
