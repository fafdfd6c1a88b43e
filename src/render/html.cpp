#include "render/html.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>

#include "parser/text.hpp"
#include "render/file_io.hpp"

namespace lorvane::render {
namespace {

// Byte classes. Every byte of a multi-byte character (>= 0x80) is in none of them, which
// makes it an "other" character for every rule below, exactly like the whole character.
enum : std::uint8_t {
  kTokenEnd = 1 << 0,   // ASCII white space, quotation mark, apostrophe, "<", ">"
  kSpaceLead = 1 << 1,  // first byte of a possible non-ASCII white-space character
  kHost = 1 << 2,       // ASCII letter, digit, "." or "-"
  kAlnum = 1 << 3,      // ASCII letter or digit
  kLetter = 1 << 4,     // ASCII letter
  kLower = 1 << 5,      // a to z
  kTrailing = 1 << 6,   // "!", ",", ".", ":", ";", "?", ")", "]", "}": may leave a link's end
  kLinkHint = 1 << 7,   // "." or ":": a token without either holds no link
};

constexpr std::array<std::uint8_t, 256> make_classes() {
  std::array<std::uint8_t, 256> c{};
  for (const text::CodePointRange& range : text::kWhiteSpace) {
    for (char32_t cp = range.first; cp <= range.last; ++cp)
      c[text::utf8_lead_byte(cp)] |= cp < 0x80 ? kTokenEnd : kSpaceLead;
  }
  for (unsigned char b : {'"', '\'', '<', '>'}) c[b] |= kTokenEnd;
  for (int b = 'a'; b <= 'z'; ++b) c[b] |= kHost | kAlnum | kLetter | kLower;
  for (int b = 'A'; b <= 'Z'; ++b) c[b] |= kHost | kAlnum | kLetter;
  for (int b = '0'; b <= '9'; ++b) c[b] |= kHost | kAlnum;
  c['.'] |= kHost;
  c['-'] |= kHost;
  for (unsigned char b : {'!', ',', '.', ':', ';', '?', ')', ']', '}'}) c[b] |= kTrailing;
  c['.'] |= kLinkHint;
  c[':'] |= kLinkHint;
  return c;
}
constexpr std::array<std::uint8_t, 256> kClasses = make_classes();

// The HTML form of each byte that escaping replaces; empty for every other byte.
constexpr std::array<std::string_view, 256> make_escapes() {
  std::array<std::string_view, 256> e{};
  e['&'] = "&amp;";
  e['<'] = "&lt;";
  e['>'] = "&gt;";
  e['"'] = "&quot;";
  e['\''] = "&#39;";
  return e;
}
constexpr std::array<std::string_view, 256> kEscapes = make_escapes();

bool has_class(char c, std::uint8_t cls) {
  return (kClasses[static_cast<unsigned char>(c)] & cls) != 0;
}

// The three bracket kinds: a closing bracket leaves a link's end only while no opening
// bracket of its kind is left in the link.
int opener_kind(char c) { return c == '(' ? 0 : c == '[' ? 1 : c == '{' ? 2 : -1; }
int closer_kind(char c) { return c == ')' ? 0 : c == ']' ? 1 : c == '}' ? 2 : -1; }

constexpr std::string_view kLinkOpen = "<a href=\"";
constexpr std::string_view kLinkMiddle = "\" target=\"_blank\" rel=\"noopener noreferrer\">";
constexpr std::string_view kLinkClose = "</a>";
constexpr std::string_view kLineBreak = "<br/>\n";

void append_link(std::string& out, std::string_view target_prefix, std::string_view link) {
  out.append(kLinkOpen);
  out.append(target_prefix);
  append_escaped_html(out, link);
  out.append(kLinkMiddle);
  append_escaped_html(out, link);
  out.append(kLinkClose);
}

constexpr std::size_t kNone = std::string_view::npos;

// Where a link is in one token, a maximal run of characters that are no token ends (so
// no line feed either).
struct LinkSpan {
  std::size_t start = 0;  // the link is [start, end); the rest of the token is text
  std::size_t end = 0;
  bool bare = false;  // a bare host name, linked with "https://" in front
};

// Where a scheme prefix ends at the ":" at `colon` of `run`, its start; otherwise kNone.
std::size_t scheme_start_at(std::string_view run, std::size_t colon) {
  const auto prefix_at = [&](std::size_t length, std::string_view prefix) {
    return colon >= length && run.substr(colon - length).starts_with(prefix);
  };
  if (prefix_at(6, "mailto:")) return colon - 6;
  if (prefix_at(5, "https://")) return colon - 5;
  if (prefix_at(4, "http://")) return colon - 4;
  return kNone;
}

// Read character by character, the inline rules try a link at every position of the
// token, and a link always takes the rest of the token apart from its trailing
// punctuation; the output is therefore the token's text before the first position where
// a link is accepted, then that link and its trailing punctuation. The facts below let
// every position be decided from a few scans over the run instead of re-forming the
// token at each one.
//
// - Only "!,.:;?" and closing brackets can leave a link's end, and opening brackets never
//   do, so the punctuation split of the token from any position i ends the link at
//   `zone` (the start of the run's trailing stretch of such characters) or later, and the
//   link from i holds every character of [i, zone).
// - "@" and "/" always stay in the link, so a link from i holds "@" or "://" exactly when
//   one starts at or after i.
// - A bare host name from i lies in one stretch of host characters [a, b) (letters,
//   digits, "." and "-"): the host must end at a "/" right after the stretch (host
//   [i, b)), or at `zone` when the stretch reaches it (host [i, zone)); anywhere else
//   the host would take in a character that no label allows.
// - The version test never rejects a host whose last label is two or more of a to z:
//   such a link has a letter after its first character, or a "/" if the host is not all
//   of it. It is therefore not repeated here.
//
// The scans for single characters go through memchr and memrchr: a hostile token is long
// and mostly made of the characters that a byte-by-byte loop would branch on.
std::optional<LinkSpan> find_link(std::string_view run) {
  const std::size_t n = run.size();
  std::size_t zone = n;
  while (zone > 0 && has_class(run[zone - 1], kTrailing)) --zone;
  // A link needs a scheme prefix (so a ":") or a host with a "." before the trailing
  // punctuation; most words that end a sentence have neither.
  const bool any_dot = run.substr(0, zone).find('.') != std::string_view::npos;
  std::size_t colon = run.find(':');
  if (colon == std::string_view::npos && !any_dot) return std::nullopt;

  // The first scheme prefix, and the last "://".
  std::size_t first_scheme = n;
  std::size_t lo = 0;  // no bare host starts before this: "@" or "://" follows
  for (; colon != std::string_view::npos; colon = run.find(':', colon + 1)) {
    first_scheme = std::min(first_scheme, scheme_start_at(run, colon));
    if (run.substr(colon + 1).starts_with("//")) lo = colon + 1;
  }
  if (!any_dot && first_scheme == n) return std::nullopt;
  if (const void* at = ::memrchr(run.data(), '@', n); at != nullptr)
    lo = std::max(lo, static_cast<std::size_t>(static_cast<const char*>(at) - run.data()) + 1);

  // REQUIRES: start < zone (a link starts with a letter or digit).
  const auto link_end = [&](std::size_t start) {
    return start + split_trailing_punctuation(run.substr(start)).first.size();
  };

  // The leftmost bare host start before the first scheme prefix, if any.
  std::size_t bare = kNone;
  std::size_t pos = lo;
  while (any_dot && bare == kNone && pos < first_scheme) {
    if (!has_class(run[pos], kHost)) {
      ++pos;
      continue;
    }
    const std::size_t a = pos;
    std::size_t b = pos;
    while (b < n && has_class(run[b], kHost)) ++b;
    pos = b;
    std::size_t host_end;
    if (b < n && run[b] == '/') {
      host_end = b;
    } else if (b >= zone) {
      host_end = zone;
    } else {
      continue;
    }
    if (host_end <= a) continue;

    // The last label, [last_dot + 1, host_end), is the same for every start before it.
    std::size_t last_dot = host_end;
    while (last_dot > a && run[last_dot - 1] != '.') --last_dot;
    if (last_dot == a) continue;  // no "." in the stretch
    --last_dot;
    if (host_end - last_dot - 1 < 2) continue;
    bool lower = true;
    for (std::size_t k = last_dot + 1; k < host_end && lower; ++k)
      lower = has_class(run[k], kLower);
    if (!lower) continue;

    // Starts before the last dot, right to left: a start qualifies when its first label
    // holds a letter and no label from it on is empty or begins or ends with "-".
    bool label_has_letter = false;
    for (std::size_t k = last_dot; k-- > a;) {
      const char c = run[k];
      const char next = run[k + 1];
      if ((c == '.' && (next == '.' || next == '-')) || (c == '-' && next == '.')) break;
      if (c == '.') {
        label_has_letter = false;
      } else if (has_class(c, kLetter)) {
        label_has_letter = true;
      }
      if (k < first_scheme && label_has_letter && has_class(c, kAlnum)) bare = k;
    }
  }

  if (bare != kNone) return LinkSpan{bare, link_end(bare), true};
  if (first_scheme < n) return LinkSpan{first_scheme, link_end(first_scheme), false};
  return std::nullopt;
}

}  // namespace

std::string escape_html(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  append_escaped_html(out, text);
  return out;
}

void append_escaped_html(std::string& out, std::string_view text) {
  std::size_t run = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::string_view replacement = kEscapes[static_cast<unsigned char>(text[i])];
    if (replacement.empty()) continue;
    out.append(text.data() + run, i - run);
    out.append(replacement);
    run = i + 1;
  }
  out.append(text.data() + run, text.size() - run);
}

std::string render_inline(std::string_view text) {
  std::string out;
  // A fresh buffer of many megabytes costs a page fault per page written, which would
  // outweigh the work of filling it.
  reserve_large_buffer(out, text.size() + text.size() / 2);
  append_inline_html(out, text);
  return out;
}

void append_inline_html(std::string& out, std::string_view text) {
  // Links and escapes make the HTML longer than the text; this covers ordinary prose.
  out.reserve(out.size() + text.size() + text.size() / 2);
  const std::size_t n = text.size();
  std::size_t written = 0;  // text before this is in `out`; the rest is still plain text
  std::size_t pos = 0;
  while (pos < n) {
    std::size_t end = pos;
    std::uint8_t seen = 0;
    while (end < n) {
      const auto cls = kClasses[static_cast<unsigned char>(text[end])];
      if ((cls & (kTokenEnd | kSpaceLead)) != 0) {
        if ((cls & kTokenEnd) != 0 || text::white_space_length(text, end) != 0) break;
      }
      seen |= cls;
      ++end;
    }
    if (end > pos) {
      if ((seen & kLinkHint) != 0) {
        const std::string_view token = text.substr(pos, end - pos);
        if (const std::optional<LinkSpan> link = find_link(token)) {
          append_escaped_html(out, text.substr(written, pos + link->start - written));
          append_link(out, link->bare ? "https://" : "",
                      token.substr(link->start, link->end - link->start));
          written = pos + link->end;
        }
      }
      pos = end;
      continue;
    }
    // A token end: white space or one of the four characters, written as text, except
    // the line feed.
    if (text[pos] == '\n') {
      append_escaped_html(out, text.substr(written, pos - written));
      out.append(kLineBreak);
      written = pos + 1;
      ++pos;
    } else if (static_cast<unsigned char>(text[pos]) < 0x80) {
      ++pos;
    } else {
      pos += text::white_space_length(text, pos);
    }
  }
  append_escaped_html(out, text.substr(written));
}

std::pair<std::string_view, std::string_view> split_trailing_punctuation(std::string_view token) {
  // Opening brackets never leave the end, so whether one is left in the link is decided
  // by the part before the trailing stretch of punctuation and closing brackets.
  std::size_t zone = token.size();
  while (zone > 0 && has_class(token[zone - 1], kTrailing)) --zone;
  std::array<bool, 3> has_open{false, false, false};
  for (std::size_t i = 0; i < zone; ++i) {
    const int kind = opener_kind(token[i]);
    if (kind >= 0) has_open[static_cast<std::size_t>(kind)] = true;
  }
  std::size_t end = token.size();
  while (end > 0) {
    const int kind = closer_kind(token[end - 1]);
    if (kind >= 0 && has_open[static_cast<std::size_t>(kind)]) break;
    if (!has_class(token[end - 1], kTrailing)) break;
    --end;
  }
  return {token.substr(0, end), token.substr(end)};
}

bool check_host_labels(const std::vector<std::string_view>& labels) {
  for (std::string_view label : labels) {
    if (label.empty() || label.front() == '-' || label.back() == '-') return false;
    for (char c : label) {
      if (!has_class(c, kAlnum) && c != '-') return false;
    }
  }
  return true;
}

}  // namespace lorvane::render
