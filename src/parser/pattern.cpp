#include "parser/pattern.hpp"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <charconv>
#include <cstdint>
#include <string>
#include <utility>

#include "parser/text.hpp"

namespace lorvane::parser {
namespace {

bool passes(Prefilter prefilter, std::string_view subject) {
  if (subject.empty()) return prefilter == Prefilter::kNone;
  const auto first = static_cast<unsigned char>(subject.front());
  switch (prefilter) {
    case Prefilter::kNone:
      return true;
    case Prefilter::kDigit:
      return (first >= '0' && first <= '9') || first >= 0x80;
    case Prefilter::kDashOrSpace:
      return first == '-' || first >= 0x80 || text::is_white_space(first);
  }
  return true;
}

void append_code_point(std::string& out, char32_t cp) {
  char digits[8];
  const auto [end, ec] =
      std::to_chars(digits, digits + sizeof digits, static_cast<std::uint32_t>(cp), 16);
  out += "\\x{";
  out.append(digits, end);
  out += '}';
}

}  // namespace

std::string white_space_class() {
  std::string out = "[";
  for (const text::CodePointRange& range : text::kWhiteSpace) {
    append_code_point(out, range.first);
    if (range.last != range.first) {
      out += '-';
      append_code_point(out, range.last);
    }
  }
  out += ']';
  return out;
}

Result<Pattern> Pattern::compile(std::string_view source, Prefilter prefilter) {
  pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
  if (context == nullptr) return Error("failed to allocate a pattern compile context");
  // Only a line feed ends a line, so "." matches U+0085, U+2028 and the like.
  pcre2_set_newline(context, PCRE2_NEWLINE_LF);
  int error_code = 0;
  PCRE2_SIZE error_offset = 0;
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(source.data()), source.size(),
                                   PCRE2_UTF | PCRE2_UCP | PCRE2_DOLLAR_ENDONLY, &error_code,
                                   &error_offset, context);
  pcre2_compile_context_free(context);
  if (code == nullptr) {
    PCRE2_UCHAR buffer[256];
    const int length = pcre2_get_error_message(error_code, buffer, sizeof buffer);
    return Error(length > 0 ? std::string(reinterpret_cast<const char*>(buffer),
                                          static_cast<std::size_t>(length))
                            : std::string("invalid pattern"));
  }
  Pattern pattern;
  pattern.code_ = code;
  pattern.prefilter_ = prefilter;
  // JIT is an optimisation only: without it (unsupported platform) the interpreter runs.
  pattern.jit_ = pcre2_jit_compile(code, PCRE2_JIT_COMPLETE) == 0;
  pattern.data_ = pcre2_match_data_create_from_pattern(code, nullptr);
  if (pattern.data_ == nullptr) return Error("failed to allocate pattern match data");
  return pattern;
}

Pattern::Pattern(Pattern&& other) noexcept
    : code_(std::exchange(other.code_, nullptr)),
      data_(std::exchange(other.data_, nullptr)),
      jit_context_(std::exchange(other.jit_context_, nullptr)),
      jit_stack_(std::exchange(other.jit_stack_, nullptr)),
      jit_(other.jit_),
      prefilter_(other.prefilter_) {}

Pattern& Pattern::operator=(Pattern&& other) noexcept {
  if (this != &other) {
    reset();
    code_ = std::exchange(other.code_, nullptr);
    data_ = std::exchange(other.data_, nullptr);
    jit_context_ = std::exchange(other.jit_context_, nullptr);
    jit_stack_ = std::exchange(other.jit_stack_, nullptr);
    jit_ = other.jit_;
    prefilter_ = other.prefilter_;
  }
  return *this;
}

Pattern::~Pattern() { reset(); }

void Pattern::reset() noexcept {
  pcre2_match_context_free(jit_context_);
  pcre2_jit_stack_free(jit_stack_);
  pcre2_match_data_free(data_);
  pcre2_code_free(code_);
  jit_context_ = nullptr;
  jit_stack_ = nullptr;
  data_ = nullptr;
  code_ = nullptr;
}

// The return code of one match: > 0 on a match, PCRE2_ERROR_NOMATCH, or another error.
int Pattern::run(std::string_view subject) const {
  const auto* bytes = reinterpret_cast<PCRE2_SPTR>(subject.data());
  // The callers hand over validated UTF-8: checking it again on every call would cost a
  // pass over the subject each time.
  int rc = pcre2_match(code_, bytes, subject.size(), 0, PCRE2_NO_UTF_CHECK, data_, jit_context_);
  if (rc == PCRE2_ERROR_JIT_STACKLIMIT && jit_context_ == nullptr) {
    // The JIT code starts on a small stack, which a long line with many repetitions of a
    // group (a heading of thousands of components) exhausts: retry on a larger one.
    constexpr std::size_t kJitStackBytes = 1 << 20;
    jit_stack_ = pcre2_jit_stack_create(32 * 1024, kJitStackBytes, nullptr);
    jit_context_ = pcre2_match_context_create(nullptr);
    if (jit_stack_ != nullptr && jit_context_ != nullptr) {
      pcre2_jit_stack_assign(jit_context_, nullptr, jit_stack_);
      rc = pcre2_match(code_, bytes, subject.size(), 0, PCRE2_NO_UTF_CHECK, data_, jit_context_);
    }
  }
  if (rc < 0 && rc != PCRE2_ERROR_NOMATCH && jit_) {
    // Still out of JIT stack (or none could be made): the interpreter keeps its
    // backtracking state on the heap.
    rc = pcre2_match(code_, bytes, subject.size(), 0, PCRE2_NO_UTF_CHECK | PCRE2_NO_JIT, data_,
                     nullptr);
  }
  return rc;
}

bool Pattern::matches(std::string_view subject) const {
  if (!passes(prefilter_, subject)) return false;
  return run(subject) > 0;
}

bool Pattern::match(std::string_view subject, std::span<std::string_view> groups) const {
  if (!passes(prefilter_, subject)) return false;
  const int rc = run(subject);
  if (rc <= 0) return false;
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data_);
  const std::size_t pairs = pcre2_get_ovector_count(data_);
  for (std::size_t g = 0; g < groups.size(); ++g) {
    const std::size_t pair = g + 1;
    // Groups beyond the match's highest set group are unset, and so are groups that took
    // no part in it.
    if (pair >= pairs || pair >= static_cast<std::size_t>(rc) || ovector[2 * pair] == PCRE2_UNSET) {
      groups[g] = {};
      continue;
    }
    groups[g] = subject.substr(ovector[2 * pair], ovector[2 * pair + 1] - ovector[2 * pair]);
  }
  return true;
}

}  // namespace lorvane::parser
