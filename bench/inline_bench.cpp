// Throughput of the inline renderer on ordinary paragraph text and on adversarial tokens
// (long runs of host characters that the link rules reject at every position), and of a
// template fill with the page's 22 base pairs around a large body.

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bench_util.hpp"
#include "render/fill.hpp"
#include "render/html.hpp"
#include "render/templates.hpp"
#include "text_gen.hpp"

namespace {

// Paragraph lines of words and punctuation, with a scheme link, a bare host name or an
// e-mail address every few lines, and a line feed between lines.
std::string ordinary_text(std::size_t target) {
  bench::WordSource words(11);
  std::string out;
  out.reserve(target + 256);
  for (std::uint64_t line = 0; out.size() < target; ++line) {
    for (int w = 0; w < 12; ++w) {
      out += words.next();
      out += (w % 5 == 4) ? ", " : " ";
    }
    switch (line % 6) {
      case 1:
        out += "(see https://example.org/docs/page?id=7&lang=en).";
        break;
      case 3:
        out += "docs.example.com/guide/intro";
        break;
      case 5:
        out += "writers@example.net, version 2.0.1, e.g. this";
        break;
      default:
        out += words.next();
        out += '.';
    }
    out += '\n';
  }
  return out;
}

// 10,000-character tokens of letters, digits, dots and hyphens; every other one holds an
// "@" near its end.
std::string adversarial_text(std::size_t target) {
  bench::WordSource words(5);
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789..--";
  std::string out;
  out.reserve(target + 10'100);
  for (int token = 0; out.size() < target; ++token) {
    for (int i = 0; i < 10'000; ++i) out += kChars[words.number() % (sizeof kChars - 1)];
    if (token % 2 == 1) out[out.size() - 20] = '@';
    out += ' ';
  }
  return out;
}

void time_inline(const char* name, const std::string& text) {
  std::size_t out_size = 0;
  const double seconds =
      bench::best_of(3, [&] { out_size = lorvane::render::render_inline(text).size(); });
  std::printf("render_inline %-12s %7.1f MB in %7.3f s: %8.1f MB/s (output %.1f MB)\n", name,
              bench::mb(text.size()), seconds, bench::mb(text.size()) / seconds,
              bench::mb(out_size));
}

void time_fill(const char* name, std::string_view base, const std::string& body) {
  const std::string style = "<style>\n:root { --gap: 1rem; }\n</style>";
  const std::vector<std::pair<std::string_view, std::string_view>> pairs = {
      {"{TITLE}", "Benchmark Document"},
      {"{HEADER}", "<header>h</header>"},
      {"{BODY}", body},
      {"{COVER}", ""},
      {"{CSS_RESET}", style},
      {"{CSS_VARIABLES}", style},
      {"{CSS_LAYOUT}", style},
      {"{CSS_BLOCKS}", style},
      {"{CSS_HEADER}", style},
      {"{CSS_COVER}", ""},
      {"{CSS}", ""},
      {"{HEADER_SVG_CSS}", ""},
      {"{LAYOUT_CSS}", ""},
      {"{COVER_CSS}", ""},
      {"{SECTION_CSS}", ""},
      {"{PARAGRAPH_CSS}", ""},
      {"{LIST_CSS}", ""},
      {"{FIGURE_CSS}", ""},
      {"{CODE_BLOCK_CSS}", ""},
      {"{ADMONITION_CSS}", ""},
      {"{TABLE_CSS}", ""},
      {"{SCRIPTS}", ""}};
  std::size_t out_size = 0;
  const double seconds = bench::best_of(3, [&] {
    lorvane::render::FillRope rope;
    rope.reset(base);
    for (const auto& [placeholder, value] : pairs) rope.replace(placeholder, value);
    out_size = rope.text().size();
  });
  std::printf("page fill     %-12s %7.1f MB in %7.3f s: %8.1f MB/s (22 pairs, output %.1f MB)\n",
              name, bench::mb(body.size()), seconds, bench::mb(body.size()) / seconds,
              bench::mb(out_size));
}

}  // namespace

int main() {
  const std::string ordinary = ordinary_text(50'000'000);
  const std::string adversarial = adversarial_text(5'000'000);
  time_inline("ordinary", ordinary);
  time_inline("adversarial", adversarial);

  // The body as the page assembly builds it: rendered HTML with braces here and there.
  std::string body = lorvane::render::render_inline(ordinary);
  body.resize(50'000'000);
  for (std::size_t i = 4096; i < body.size(); i += 65'536) body.replace(i, 5, "{x} {");
  // The built-in base text, and a base file that holds every placeholder of the fill.
  std::string every(lorvane::render::kBuiltinBase);
  every +=
      "{COVER}{CSS}{HEADER_SVG_CSS}{LAYOUT_CSS}{COVER_CSS}{SECTION_CSS}{PARAGRAPH_CSS}"
      "{LIST_CSS}{FIGURE_CSS}{CODE_BLOCK_CSS}{ADMONITION_CSS}{TABLE_CSS}{SCRIPTS}\n";
  time_fill("built-in", lorvane::render::kBuiltinBase, body);
  time_fill("every-pair", every, body);
  return 0;
}
