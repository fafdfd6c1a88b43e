#include "render/fill.hpp"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace lorvane::render {
namespace {

/// A rebuild whose pieces would outweigh their text (24 bytes per piece) is written flat.
constexpr std::size_t kMinPiecesToFlatten = 1024;
/// A text with a candidate byte more often than once in this many bytes is not indexed.
constexpr std::size_t kDenseBytesPerPosition = 16;

}  // namespace

/// Collects the text of one rebuild, either as pieces of the existing sources or copied
/// into one fresh buffer of the rope ("flat"), which then replaces every earlier source.
/// In the flat form the pieces are the stretches of that buffer between deferred values.
class FillRope::Sink {
 public:
  Sink(FillRope& rope, bool flat, std::size_t expected_bytes) : rope_(rope), flat_(flat) {
    rope_.next_.clear();
    if (!flat_) {
      rope_.next_.reserve(rope_.pieces_.size() + 16);
      return;
    }
    // The buffer of the previous flat rebuild is reused once this one is done with it
    // (a fresh large buffer costs a page fault per page written).
    buffer_ = std::move(rope_.spare_);
    if (buffer_ == nullptr) buffer_ = std::make_unique<std::string>();
    buffer_->clear();
    buffer_->reserve(expected_bytes);
  }

  void text(std::uint32_t source, std::size_t begin, std::size_t end) {
    if (begin >= end) return;
    if (!flat_)
      rope_.next_.push_back(Piece{source, begin, end});
    else
      buffer_->append(rope_.sources_[source].text.data() + begin, end - begin);
  }

  /// Text outside the rope's sources, copied in. REQUIRES: flat mode.
  void copy(std::string_view value) {
    assert(flat_);
    buffer_->append(value);
  }

  bool flat() const { return flat_; }

  void deferred(std::uint32_t source) {
    close_run();
    rope_.next_.push_back(Piece{source, 0, 1});
  }

  void finish() {
    if (flat_) {
      close_run();
      // Every piece now lies in the new buffer: it becomes the only source.
      rope_.source_count_ = 0;
      rope_.spare_ = std::move(rope_.owned_);
      rope_.owned_ = std::move(buffer_);
      rope_.add_source(*rope_.owned_);
    }
    rope_.pieces_.swap(rope_.next_);
  }

 private:
  void close_run() {
    if (!flat_ || buffer_->size() == run_start_) return;
    rope_.next_.push_back(Piece{0, run_start_, buffer_->size()});
    run_start_ = buffer_->size();
  }

  FillRope& rope_;
  const bool flat_;
  std::unique_ptr<std::string> buffer_;
  std::size_t run_start_ = 0;
};

void FillRope::reset(std::string_view text) {
  clear();
  append_text(text);
}

void FillRope::clear() {
  source_count_ = 0;
  pieces_.clear();
  owned_.reset();
  spare_.reset();
  text_bytes_ = 0;
  for (int slot = 0; slot < kSlots; ++slot) {
    deferred_pieces_[slot] = 0;
    later_[slot].clear();
    deferred_placeholder_[slot] = {};
  }
}

void FillRope::append_text(std::string_view text) {
  if (text.empty()) return;
  const std::uint32_t source = add_source(text);
  pieces_.push_back(Piece{source, 0, text.size()});
  text_bytes_ += text.size();
}

void FillRope::append_deferred(int slot) {
  assert(deferred_pieces_[slot] == 0 && later_[slot].empty());
  pieces_.push_back(Piece{kDeferred - static_cast<std::uint32_t>(slot), 0, 1});
  ++deferred_pieces_[slot];
}

std::uint32_t FillRope::add_source(std::string_view text) {
  if (source_count_ == sources_.size()) sources_.emplace_back();
  Source& source = sources_[source_count_];
  source.text = text;
  source.indexed_byte = -1;
  source.hint = 0;
  return static_cast<std::uint32_t>(source_count_++);
}

const std::vector<std::size_t>* FillRope::starts_of(Source& source, unsigned char byte) {
  if (source.indexed_byte != byte) {
    source.starts.clear();
    source.dense = false;
    const char* data = source.text.data();
    const std::size_t size = source.text.size();
    // A text where the byte is frequent is searched directly instead: its list of
    // positions would take several times the memory of the text itself.
    const std::size_t most = 64 + size / kDenseBytesPerPosition;
    for (const void* hit = std::memchr(data, byte, size); hit != nullptr;) {
      const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
      if (source.starts.size() == most) {
        source.dense = true;
        std::vector<std::size_t>().swap(source.starts);
        break;
      }
      source.starts.push_back(at);
      hit = at + 1 < size ? std::memchr(data + at + 1, byte, size - at - 1) : nullptr;
    }
    source.indexed_byte = byte;
    source.hint = 0;
  }
  return source.dense ? nullptr : &source.starts;
}

void FillRope::note_later_pair(std::string_view placeholder) {
  for (int slot = 0; slot < kSlots; ++slot) {
    std::vector<std::string_view>& later = later_[slot];
    if (deferred_pieces_[slot] > 0 &&
        std::find(later.begin(), later.end(), placeholder) == later.end())
      later.push_back(placeholder);
  }
}

bool FillRope::match_at(std::size_t piece, std::size_t pos, std::string_view placeholder,
                        std::size_t& end_piece, std::size_t& end) const {
  std::size_t matched = 0;
  while (true) {
    const Piece& p = pieces_[piece];
    if (is_deferred(p.source)) return false;
    const std::size_t n = std::min(p.end - pos, placeholder.size() - matched);
    // Placeholders are a few bytes long: comparing in place beats a call to memcmp.
    const char* text = sources_[p.source].text.data() + pos;
    for (std::size_t k = 0; k < n; ++k)
      if (text[k] != placeholder[matched + k]) return false;
    matched += n;
    pos += n;
    if (matched == placeholder.size()) {
      end_piece = piece;
      end = pos;
      return true;
    }
    if (++piece == pieces_.size()) return false;
    pos = pieces_[piece].begin;
  }
}

template <typename OnMatch>
void FillRope::scan(std::string_view placeholder, OnMatch&& on_match) {
  const auto first = static_cast<unsigned char>(placeholder.front());
  // Candidates before the end of the previous match are skipped (no overlap).
  std::size_t skip_piece = 0;
  std::size_t skip_pos = 0;
  for (std::size_t i = 0; i < pieces_.size(); ++i) {
    if (i < skip_piece) i = skip_piece;
    const Piece& piece = pieces_[i];
    if (is_deferred(piece.source)) continue;
    Source& source = sources_[piece.source];
    const std::size_t from = i == skip_piece ? std::max(piece.begin, skip_pos) : piece.begin;
    // Tries a match at `pos`; true when the match ends in a later piece, where the outer
    // loop resumes.
    auto try_at = [&](std::size_t pos) {
      if (i == skip_piece && pos < skip_pos) return false;
      std::size_t end_piece = 0;
      std::size_t end = 0;
      if (!match_at(i, pos, placeholder, end_piece, end)) return false;
      on_match(i, pos, end_piece, end);
      skip_piece = end_piece;
      skip_pos = end;
      return end_piece != i;
    };
    const std::vector<std::size_t>* indexed = starts_of(source, first);
    if (indexed == nullptr) {
      const char* data = source.text.data();
      for (std::size_t pos = from; pos < piece.end; ++pos)
        if (static_cast<unsigned char>(data[pos]) == first && try_at(pos)) break;
      continue;
    }
    const std::vector<std::size_t>& starts = *indexed;
    // The first candidate at or after `from`: usually right at the hint.
    std::size_t k = std::min(source.hint, starts.size());
    if (k > 0 && starts[k - 1] >= from)
      k = static_cast<std::size_t>(std::lower_bound(starts.begin(), starts.begin() + k, from) -
                                   starts.begin());
    else if (k < starts.size() && starts[k] < from)
      k = static_cast<std::size_t>(std::lower_bound(starts.begin() + k, starts.end(), from) -
                                   starts.begin());
    bool moved_on = false;
    for (; k < starts.size() && starts[k] < piece.end; ++k) {
      if (try_at(starts[k])) {
        moved_on = true;
        break;
      }
    }
    source.hint = moved_on ? k + 1 : k;
  }
}

template <typename Prepare, typename Insert>
std::size_t FillRope::replace_all(std::string_view placeholder, std::size_t value_pieces,
                                  std::size_t value_bytes, std::size_t copy_cost,
                                  Prepare&& prepare, Insert&& insert) {
  // Matches can only be counted (to choose the form of the rebuild) at the cost of a
  // second scan; skip it where even a match at every possible place keeps few pieces.
  const std::size_t most = text_bytes_ / placeholder.size();
  bool flat = false;
  if (pieces_.size() + most * (value_pieces + 2) > kMinPiecesToFlatten) {
    std::size_t count = 0;
    scan(placeholder, [&](std::size_t, std::size_t, std::size_t, std::size_t) { ++count; });
    if (count == 0) return 0;
    const std::size_t bytes = text_bytes_ - count * placeholder.size() + count * value_bytes;
    const std::size_t pieces = pieces_.size() + count * (value_pieces + 2);
    flat = pieces > kMinPiecesToFlatten && pieces * sizeof(Piece) > bytes;
  }
  // Sources are added before the rebuild scan, which holds references into them.
  prepare(flat);
  Sink sink(*this, flat, text_bytes_);
  std::size_t i = 0;
  std::size_t pos = pieces_.empty() ? 0 : pieces_[0].begin;
  auto emit_to = [&](std::size_t piece, std::size_t stop) {
    for (; i < piece; ++i) {
      if (is_deferred(pieces_[i].source))
        sink.deferred(pieces_[i].source);
      else
        sink.text(pieces_[i].source, pos, pieces_[i].end);
      if (i + 1 < pieces_.size()) pos = pieces_[i + 1].begin;
    }
    if (i < pieces_.size() && !is_deferred(pieces_[i].source))
      sink.text(pieces_[i].source, pos, stop);
  };
  std::size_t count = 0;
  bool paid_up = true;
  scan(placeholder,
       [&](std::size_t piece, std::size_t begin, std::size_t end_piece, std::size_t end) {
         // The first copy of the value is free; a copy the budget cannot pay for leaves
         // this occurrence and every later one as written.
         if (count > 0 && paid_up) paid_up = pay_from(budget_, copy_cost);
         if (!paid_up) return;
         emit_to(piece, begin);
         insert(sink);
         i = end_piece;
         pos = end;
         ++count;
       });
  if (count == 0) return 0;  // nothing was emitted; the pieces stay as they are
  emit_to(pieces_.size(), 0);
  sink.finish();
  text_bytes_ = text_bytes_ - count * placeholder.size() + count * value_bytes;
  return count;
}

void FillRope::replace(std::string_view placeholder, std::string_view value) {
  if (placeholder.empty()) return;
  note_later_pair(placeholder);
  std::uint32_t source = 0;
  replace_all(
      placeholder, 1, value.size(), value.size(),
      [&](bool flat) {
        if (!flat && !value.empty()) source = add_source(value);
      },
      [&](Sink& sink) {
        if (value.empty()) return;
        if (sink.flat())
          sink.copy(value);
        else
          sink.text(source, 0, value.size());
      });
}

void FillRope::replace_with(std::string_view placeholder, const FillRope& value) {
  if (placeholder.empty()) return;
  note_later_pair(placeholder);
  std::uint32_t base = 0;
  // A copy of the value copies its deferred places as well. What they will hold is paid
  // when it is written, but each place is paid here as a piece: otherwise copies of a
  // value made of deferred places only would be free, and nested fills could multiply
  // the places (and the rope's memory) without limit.
  const std::size_t copy_cost =
      value.text_bytes_ +
      (value.deferred_pieces_[0] + value.deferred_pieces_[1]) * sizeof(Piece);
  const std::size_t count = replace_all(
      placeholder, value.pieces_.size(), value.text_bytes_, copy_cost,
      [&](bool flat) {
        if (flat) return;
        // The value's texts become sources here (their positions are found again when a
        // later pair needs them).
        base = static_cast<std::uint32_t>(source_count_);
        for (std::size_t k = 0; k < value.source_count_; ++k) add_source(value.sources_[k].text);
      },
      [&](Sink& sink) {
        for (const Piece& piece : value.pieces_) {
          if (is_deferred(piece.source))
            sink.deferred(piece.source);
          else if (sink.flat())
            sink.copy(
                value.sources_[piece.source].text.substr(piece.begin, piece.end - piece.begin));
          else
            sink.text(base + piece.source, piece.begin, piece.end);
        }
      });
  for (int slot = 0; slot < kSlots && count > 0; ++slot) {
    if (value.deferred_pieces_[slot] == 0) continue;
    assert(deferred_pieces_[slot] == 0);
    deferred_pieces_[slot] = value.deferred_pieces_[slot] * count;
    later_[slot] = value.later_[slot];
    deferred_placeholder_[slot] = value.deferred_placeholder_[slot];
  }
}

void FillRope::replace_deferred(std::string_view placeholder, int slot) {
  assert(deferred_pieces_[slot] == 0);
  if (placeholder.empty()) return;
  note_later_pair(placeholder);
  const std::uint32_t source = kDeferred - static_cast<std::uint32_t>(slot);
  deferred_placeholder_[slot] = placeholder;
  // The value's copies are paid when they are written (`append_slots`).
  deferred_pieces_[slot] = replace_all(
      placeholder, 1, 0, 0, [](bool) {}, [&](Sink& sink) { sink.deferred(source); });
}

bool FillRope::contains(std::string_view placeholder) {
  if (placeholder.empty()) return false;
  bool found = false;
  scan(placeholder, [&](std::size_t, std::size_t, std::size_t, std::size_t) { found = true; });
  return found;
}

void FillRope::append_piece(std::string& out, const Piece& piece) const {
  out.append(sources_[piece.source].text.data() + piece.begin, piece.end - piece.begin);
}

void FillRope::append_to(std::string& out) const {
  assert(deferred_pieces_[0] == 0 && deferred_pieces_[1] == 0);
  for (const Piece& piece : pieces_) append_piece(out, piece);
}

std::string FillRope::text() const {
  std::string out;
  out.reserve(text_bytes_);
  append_to(out);
  return out;
}

bool is_isolated_from(std::string_view text, const std::vector<std::string_view>& placeholders) {
  for (std::string_view p : placeholders) {
    if (p.empty()) continue;
    // An occurrence that starts before `text` and reaches into it: `text` begins with
    // the rest of the placeholder from some position j > 0 (or lies wholly inside it).
    for (std::size_t j = 1; j < p.size(); ++j) {
      const std::size_t n = std::min(p.size() - j, text.size());
      if (std::memcmp(text.data(), p.data() + j, n) == 0) return false;
    }
  }
  // An occurrence that starts inside `text`, wholly inside it or running past its end.
  // Placeholders sharing a first byte are checked in one scan for that byte.
  std::string firsts;
  for (std::string_view p : placeholders)
    if (!p.empty() && firsts.find(p.front()) == std::string::npos) firsts += p.front();
  for (const char first : firsts) {
    const char* data = text.data();
    const std::size_t size = text.size();
    for (const void* hit = std::memchr(data, first, size); hit != nullptr;) {
      const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
      const std::size_t rest = size - at;
      for (std::string_view p : placeholders) {
        if (p.empty() || p.front() != first) continue;
        if (std::memcmp(data + at, p.data(), std::min(rest, p.size())) == 0) return false;
      }
      hit = rest > 1 ? std::memchr(data + at + 1, first, rest - 1) : nullptr;
    }
  }
  return true;
}

PreparedFill::PreparedFill(
    std::string_view text, const std::vector<std::pair<std::string_view, std::string_view>>& before,
    std::string_view placeholder,
    const std::vector<std::pair<std::string_view, std::string_view>>& after) {
  FillRope rope;
  rope.reset(text);
  for (const auto& [p, value] : before) rope.replace(p, value);
  const std::string filled = rope.text();
  // Cut at the occurrences of `placeholder`, left to right without overlap.
  std::vector<std::string_view> cuts;
  std::size_t start = 0;
  if (!placeholder.empty()) {
    for (std::size_t at = filled.find(placeholder); at != std::string::npos;
         at = filled.find(placeholder, start)) {
      cuts.push_back(std::string_view(filled).substr(start, at - start));
      start = at + placeholder.size();
    }
  }
  cuts.push_back(std::string_view(filled).substr(start));
  for (std::string_view cut : cuts) {
    FillRope part;
    part.reset(cut);
    for (const auto& [p, value] : after) part.replace(p, value);
    parts_.push_back(part.text());
  }
  for (const auto& [p, value] : after) later_.push_back(p);
  placeholder_ = placeholder;
}

std::unique_ptr<FillRope> RopePool::take() {
  if (free_.empty()) return std::make_unique<FillRope>(budget_);
  std::unique_ptr<FillRope> rope = std::move(free_.back());
  free_.pop_back();
  return rope;
}

}  // namespace lorvane::render
