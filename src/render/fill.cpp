#include "render/fill.hpp"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace lorvane::render {

void FillRope::reset(std::string_view text) {
  clear();
  append_text(text);
}

void FillRope::clear() {
  sources_.clear();
  pieces_.clear();
  deferred_pieces_ = 0;
  later_.clear();
}

void FillRope::append_text(std::string_view text) {
  if (text.empty()) return;
  const std::uint32_t source = add_source(text);
  pieces_.push_back(Piece{source, 0, text.size()});
}

void FillRope::append_deferred() {
  assert(deferred_pieces_ == 0 && later_.empty());
  pieces_.push_back(Piece{kDeferred, 0, 1});
  ++deferred_pieces_;
}

std::uint32_t FillRope::add_source(std::string_view text) {
  sources_.push_back(Source{text, {}, -1});
  return static_cast<std::uint32_t>(sources_.size() - 1);
}

void FillRope::note_later_pair(std::string_view placeholder) {
  if (deferred_pieces_ == 0) return;
  if (std::find(later_.begin(), later_.end(), placeholder) == later_.end())
    later_.push_back(placeholder);
}

bool FillRope::match_at(std::size_t piece, std::size_t pos, std::string_view placeholder,
                        std::size_t& end_piece, std::size_t& end) const {
  std::size_t matched = 0;
  while (true) {
    const Piece& p = pieces_[piece];
    if (p.source == kDeferred) return false;
    const std::size_t n = std::min(p.end - pos, placeholder.size() - matched);
    if (std::memcmp(sources_[p.source].text.data() + pos, placeholder.data() + matched, n) != 0)
      return false;
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

void FillRope::find_matches(std::string_view placeholder) {
  matches_.clear();
  const auto first = static_cast<unsigned char>(placeholder.front());
  // Candidates before the end of the previous match are skipped (no overlap).
  std::size_t skip_piece = 0;
  std::size_t skip_pos = 0;
  for (std::size_t i = 0; i < pieces_.size(); ++i) {
    if (i < skip_piece) i = skip_piece;
    const Piece& piece = pieces_[i];
    if (piece.source == kDeferred) continue;
    Source& source = sources_[piece.source];
    if (source.indexed_byte != first) {
      source.starts.clear();
      const char* data = source.text.data();
      const std::size_t size = source.text.size();
      for (const void* hit = std::memchr(data, first, size); hit != nullptr;) {
        const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
        source.starts.push_back(at);
        hit = at + 1 < size ? std::memchr(data + at + 1, first, size - at - 1) : nullptr;
      }
      source.indexed_byte = first;
    }
    std::size_t from = piece.begin;
    if (i == skip_piece) from = std::max(from, skip_pos);
    auto it = std::lower_bound(source.starts.begin(), source.starts.end(), from);
    for (; it != source.starts.end() && *it < piece.end; ++it) {
      if (i == skip_piece && *it < skip_pos) continue;
      std::size_t end_piece = 0;
      std::size_t end = 0;
      if (!match_at(i, *it, placeholder, end_piece, end)) continue;
      matches_.push_back(Match{i, *it, end_piece, end});
      skip_piece = end_piece;
      skip_pos = end;
      if (end_piece != i) break;  // the outer loop resumes in the piece where it ended
    }
  }
}

template <typename Insert>
void FillRope::rebuild(Insert&& insert) {
  next_.clear();
  next_.reserve(pieces_.size() + matches_.size() * 2);
  auto emit = [&](const Piece& piece, std::size_t begin, std::size_t end) {
    if (begin < end) next_.push_back(Piece{piece.source, begin, end});
  };
  std::size_t i = 0;
  std::size_t pos = pieces_.empty() ? 0 : pieces_[0].begin;
  for (const Match& m : matches_) {
    for (; i < m.piece; ++i) {
      emit(pieces_[i], pos, pieces_[i].end);
      pos = pieces_[i + 1].begin;
    }
    emit(pieces_[i], pos, m.begin);
    insert();
    i = m.end_piece;
    pos = m.end;
  }
  for (; i < pieces_.size(); ++i) {
    emit(pieces_[i], pos, pieces_[i].end);
    if (i + 1 < pieces_.size()) pos = pieces_[i + 1].begin;
  }
  pieces_.swap(next_);
}

void FillRope::replace(std::string_view placeholder, std::string_view value) {
  if (placeholder.empty()) return;
  note_later_pair(placeholder);
  find_matches(placeholder);
  if (matches_.empty()) return;
  const std::uint32_t source = value.empty() ? 0 : add_source(value);
  rebuild([&] {
    if (!value.empty()) next_.push_back(Piece{source, 0, value.size()});
  });
}

void FillRope::replace_with(std::string_view placeholder, const FillRope& value) {
  if (placeholder.empty()) return;
  note_later_pair(placeholder);
  find_matches(placeholder);
  if (matches_.empty()) return;
  const auto base = static_cast<std::uint32_t>(sources_.size());
  sources_.insert(sources_.end(), value.sources_.begin(), value.sources_.end());
  rebuild([&] {
    for (Piece piece : value.pieces_) {
      if (piece.source != kDeferred) piece.source += base;
      next_.push_back(piece);
    }
  });
  if (value.deferred_pieces_ > 0) {
    assert(deferred_pieces_ == 0);
    deferred_pieces_ = value.deferred_pieces_ * matches_.size();
    later_ = value.later_;
  }
}

void FillRope::replace_deferred(std::string_view placeholder) {
  assert(deferred_pieces_ == 0);
  if (placeholder.empty()) return;
  find_matches(placeholder);
  if (matches_.empty()) return;
  rebuild([&] { next_.push_back(Piece{kDeferred, 0, 1}); });
  deferred_pieces_ = matches_.size();
}

bool FillRope::contains(std::string_view placeholder) {
  if (placeholder.empty()) return false;
  find_matches(placeholder);
  return !matches_.empty();
}

void FillRope::append_piece(std::string& out, const Piece& piece) const {
  out.append(sources_[piece.source].text.data() + piece.begin, piece.end - piece.begin);
}

void FillRope::append_to(std::string& out) const {
  assert(deferred_pieces_ == 0);
  for (const Piece& piece : pieces_) append_piece(out, piece);
}

std::string FillRope::text() const {
  std::string out;
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

std::unique_ptr<FillRope> RopePool::take() {
  if (free_.empty()) return std::make_unique<FillRope>();
  std::unique_ptr<FillRope> rope = std::move(free_.back());
  free_.pop_back();
  return rope;
}

}  // namespace lorvane::render
