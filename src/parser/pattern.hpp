#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "parser/error.hpp"

struct pcre2_real_code_8;
struct pcre2_real_match_data_8;
struct pcre2_real_match_context_8;
struct pcre2_real_jit_stack_8;

namespace lorvane::parser {

/// A cheap test on the first bytes of a subject that must hold for the pattern to match.
/// It only lets the matcher skip calls that could never succeed; it never changes a
/// result. Most lines of a source start with a letter, and every paragraph line is tried
/// against the heading, bullet and ordered-item patterns: skipping those calls takes 16 %
/// of the instructions off parsing 10 and 50 MB sources, 53 % on 10 MB of one-line
/// paragraphs.
enum class Prefilter {
  kNone,
  /// The subject starts with a decimal digit: an ASCII digit, or a non-ASCII character
  /// (which may be a digit of another script).
  kDigit,
  /// The subject starts with "-" or with white space (any non-ASCII character counts as
  /// possible white space).
  kDashOrSpace,
};

/// A character class, in pattern syntax, of exactly the white space of `text::kWhiteSpace`
/// (the library's own `\s` differs from it: it also takes U+180E).
std::string white_space_class();

/// One compiled regular expression over UTF-8 lines, with Unicode classes (`\d` is any
/// decimal digit); "." matches everything but a line feed, "$" only the very end.
///
/// Owns its compiled code and its match buffers, so it is movable but not copyable, and a
/// match overwrites the captures of the previous one: use one `Pattern` from one thread.
class Pattern {
 public:
  /// Compiles `source`; fails with the library's message if it is not a valid pattern.
  static Result<Pattern> compile(std::string_view source, Prefilter prefilter = Prefilter::kNone);

  Pattern(Pattern&& other) noexcept;
  Pattern& operator=(Pattern&& other) noexcept;
  Pattern(const Pattern&) = delete;
  Pattern& operator=(const Pattern&) = delete;
  ~Pattern();

  /// Whether the pattern matches `subject`. A match that exceeds the matcher's resource
  /// limits counts as no match; the patterns of the TEXT format on lines of the allowed
  /// length stay far below them.
  /// REQUIRES: `subject` is valid UTF-8.
  bool matches(std::string_view subject) const;

  /// Like `matches`; on a match also stores capture group g (1-based) in `groups[g - 1]`
  /// as a view into `subject` (empty for a group that took no part). `groups` may be
  /// shorter than the pattern's group count.
  bool match(std::string_view subject, std::span<std::string_view> groups) const;

 private:
  Pattern() = default;
  int run(std::string_view subject) const;
  void reset() noexcept;

  pcre2_real_code_8* code_ = nullptr;
  pcre2_real_match_data_8* data_ = nullptr;
  // A larger stack for the JIT code, made on the first match that needs one.
  mutable pcre2_real_match_context_8* jit_context_ = nullptr;
  mutable pcre2_real_jit_stack_8* jit_stack_ = nullptr;
  bool jit_ = false;
  Prefilter prefilter_ = Prefilter::kNone;
};

}  // namespace lorvane::parser
