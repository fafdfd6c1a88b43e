// Loading a large SIDECAR text into YAML values: a metadata block, a render block and
// thousands of injection entries shaped like the sample project's (admonitions, figures,
// code blocks with literal text, tables with flow lists and data sources), generated at
// run time. Prints the throughput and the peak memory that the load adds, then the time of
// hostile texts, among them anchors whose names all share one standard-library hash.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "bench_util.hpp"
#include "inject/yaml_value.hpp"

namespace {

std::string generate_sidecar(std::size_t target_bytes) {
  std::string out;
  out.reserve(target_bytes + 4096);
  out +=
      "metadata:\n"
      "  project: \"SIDECAR Capability Demonstration\"\n"
      "  sample_type: \"lorvane-demo\"\n"
      "  source_format: \"TEXTv1.2\"\n\n"
      "render:\n"
      "  templates:\n"
      "    base: \"SIDECAR/templates/base.html\"\n"
      "    section: \"SIDECAR/templates/section.html\"\n"
      "  header:\n"
      "    enabled: true\n"
      "    logo: \"SIDECAR/assets/imgs/header.svg\"\n"
      "  outline:\n"
      "    enabled: true\n"
      "    title: \"Contents\"\n"
      "    max_depth: 3\n\n"
      "reclassify:\n"
      "  - id: \"reclassify-range-as-note\"\n"
      "    type: \"admonition\"\n"
      "    level: \"note\"\n"
      "    target:\n"
      "      section: \"2.3\"\n"
      "      start_block: 0\n"
      "      end_block: 1\n\n"
      "injections:\n";
  for (std::size_t i = 0; out.size() < target_bytes; ++i) {
    const std::string n = std::to_string(i);
    const std::string section = std::to_string(i % 40 + 1) + "." + std::to_string(i % 7 + 1);
    switch (i % 4) {
      case 0:
        out += "  - id: \"selector-note-" + n +
               "\"\n    type: \"admonition\"\n    level: \"info\"\n"
               "    title: \"Selector Families\"\n"
               "    text: \"Supported selector families include prepend, paragraph-relative "
               "placement, list-relative placement, note-relative placement, and block-range "
               "based targeting.\"\n";
        break;
      case 1:
        out += "  - id: \"example-figure-" + n +
               "\"\n    type: \"figure\"\n"
               "    src: \"SIDECAR/assets/imgs/sidecar-demo.svg\"\n"
               "    alt: \"Simple SIDECAR placeholder figure\"\n"
               "    caption: \"A local SVG asset injected after the first paragraph.\"\n"
               "    width: \"56%\"\n    alignment: \"center\"\n";
        break;
      case 2:
        out += "  - id: \"example-code-" + n +
               "\"\n    type: \"code_block\"\n    language: \"yaml\"\n"
               "    content: |\n      injections:\n        - id: example\n          type: figure\n"
               "          target:\n            section: \"2.2\"\n            after_paragraph: 0\n";
        break;
      default:
        out += "  - id: \"example-table-" + n +
               "\"\n    type: \"table\"\n"
               "    columns: [\"Capability\", \"Example\"]\n    data_source: |\n"
               "      Admonition,after_paragraph\n      Figure,after_paragraph\n"
               "      Reclassify,start_block + end_block\n    caption: \"Capability examples\"\n";
        break;
    }
    out += "    target:\n      section: \"" + section +
           "\"\n      after_paragraph: " + std::to_string(i % 3) + "\n\n";
  }
  return out;
}

// Anchor names are what libyaml accepts: letters, digits, "-" and "_".
constexpr char kAnchorChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_";

bool is_anchor_word(std::uint64_t word) {
  for (int i = 0; i < 8; ++i, word >>= 8) {
    const auto c = static_cast<char>(word & 0xFF);
    if (c == 0 || std::strchr(kAnchorChars, c) == nullptr) return false;
  }
  return true;
}

std::uint64_t random_anchor_word(std::mt19937_64& rng) {
  std::uint64_t word = 0;
  for (int i = 0; i < 8; ++i) word |= std::uint64_t(kAnchorChars[rng() % 64]) << (8 * i);
  return word;
}

// The string hash of the GNU C++ library on 64-bit targets: each 8-byte word w of the
// text is folded into the state h as h = (h ^ mix(w)) * kMul, where mix(w) =
// shift(w * kMul) * kMul and shift(v) = v ^ (v >> 47). Both steps can be undone (kMul is
// odd, and shift is its own inverse), so from a state h and a wanted next-but-one state,
// any first word fixes the second one; it is a name's when its bytes are anchor
// characters, one time in 65,536.
constexpr std::uint64_t kMul = 0xc6a4a7935bd1e995ull;
constexpr std::uint64_t kSeed = 0xc70f6907ull;
constexpr std::uint64_t kMulInverse = [] {
  std::uint64_t x = kMul;  // Newton's iteration, each step doubling the correct low bits
  for (int i = 0; i < 6; ++i) x *= 2 - kMul * x;
  return x;
}();
static_assert(kMul * kMulInverse == 1);

std::uint64_t shift(std::uint64_t v) { return v ^ (v >> 47); }
std::uint64_t mix_word(std::uint64_t w) { return shift(w * kMul) * kMul; }
std::uint64_t unmix_word(std::uint64_t m) { return shift(m * kMulInverse) * kMulInverse; }
std::uint64_t fold(std::uint64_t h, std::uint64_t w) { return (h ^ mix_word(w)) * kMul; }

// `count` pairs of anchor words that take the state `from` to one common state, returned
// in `to`.
std::vector<std::pair<std::uint64_t, std::uint64_t>> colliding_pairs(std::uint64_t from,
                                                                     std::size_t count,
                                                                     std::mt19937_64& rng,
                                                                     std::uint64_t& to) {
  std::vector<std::pair<std::uint64_t, std::uint64_t>> pairs;
  const std::uint64_t first = random_anchor_word(rng);
  const std::uint64_t second = random_anchor_word(rng);
  pairs.emplace_back(first, second);
  to = fold(fold(from, first), second);
  const std::uint64_t wanted = to * kMulInverse;  // the state before the last multiply
  while (pairs.size() < count) {
    const std::uint64_t a = random_anchor_word(rng);
    const std::uint64_t b = unmix_word(wanted ^ fold(from, a));
    if (is_anchor_word(b) && (a != first || b != second)) pairs.emplace_back(a, b);
  }
  return pairs;
}

// count * count names of 32 anchor characters that share one value of
// std::hash<std::string>: every first half of the first list with every second half of
// the second. Empty when the standard library hashes strings some other way.
std::vector<std::string> colliding_anchor_names(std::size_t count) {
  std::mt19937_64 rng(7);
  const std::uint64_t start = kSeed ^ (32 * kMul);
  std::uint64_t middle = 0;
  std::uint64_t end = 0;
  const auto heads = colliding_pairs(start, count, rng, middle);
  const auto tails = colliding_pairs(middle, count, rng, end);
  std::vector<std::string> names;
  names.reserve(count * count);
  for (const auto& head : heads) {
    for (const auto& tail : tails) {
      std::string name(32, ' ');
      const std::uint64_t words[] = {head.first, head.second, tail.first, tail.second};
      std::memcpy(name.data(), words, sizeof words);
      names.push_back(std::move(name));
    }
  }
  const std::size_t hash = std::hash<std::string>()(names.front());
  for (const std::string& name : names) {
    if (std::hash<std::string>()(name) != hash) return {};
  }
  return names;
}

std::vector<std::string> random_anchor_names(std::size_t count) {
  std::mt19937_64 rng(11);
  std::vector<std::string> names(count);
  for (std::string& name : names) {
    for (int i = 0; i < 32; ++i) name += kAnchorChars[rng() % 64];
  }
  return names;
}

std::string scalar_list(std::size_t count) {
  std::string out;
  out.reserve(3 * count);
  for (std::size_t i = 0; i < count; ++i) out += "x, ";
  return out;
}

// a: [&N1 x, &N2 x, ...] and b: [*N1, *N2, ...].
std::string anchors_text(const std::vector<std::string>& names) {
  std::string out = "a: [";
  for (const std::string& name : names) out.append("&").append(name).append(" x, ");
  out += "]\nb: [";
  for (const std::string& name : names) out.append("*").append(name).append(", ");
  out += "]\n";
  return out;
}

}  // namespace

int main() {
  const std::string text = generate_sidecar(10'000'000);
  std::printf("SIDECAR text: %.2f MB\n", bench::mb(text.size()));

  // Memory first, while the heap holds nothing but the text. This first load is also the
  // one the program makes: its memory is new to the process, while the repeated loads
  // below may reuse what the earlier ones gave back.
  const std::size_t before = bench::current_rss();
  bench::reset_peak_rss();
  const double first_start = bench::now_seconds();
  {
    const auto value = lorvane::inject::yaml_from_str_value(text);
    (void)value;
  }
  const double first = bench::now_seconds() - first_start;
  const std::size_t peak = bench::peak_rss();
  const std::size_t added = peak > before ? peak - before : 0;
  std::printf("peak memory added by one load: %.1f MB (%.1fx the text)\n", bench::mb(added),
              static_cast<double>(added) / static_cast<double>(text.size()));
  std::printf("first load: %.1f ms, %.1f MB/s\n", first * 1e3, bench::mb(text.size()) / first);
  bool ok = true;
  const double seconds = bench::best_of(5, [&] {
    const auto value = lorvane::inject::yaml_from_str_value(text);
    ok = ok && value.ok();
  });
  if (!ok) {
    std::printf("load failed: %s\n",
                lorvane::inject::yaml_from_str_value(text).error().message().c_str());
    return 1;
  }
  std::printf("repeated load, best of 5: %.1f ms, %.1f MB/s\n", seconds * 1e3,
              bench::mb(text.size()) / seconds);

  // Hostile texts: each must fail (or load) in time linear in its size.
  struct Hostile {
    const char* name;
    std::string text;
  };
  std::string bomb = "a: &a [";
  for (int i = 0; i < 50'000; ++i) bomb += "x, ";
  bomb += "]\nb: [";
  for (int i = 0; i < 50'000; ++i) bomb += "*a, ";
  bomb += "]\n";
  std::string keys;
  for (int i = 0; i < 500'000; ++i) keys += "key" + std::to_string(i) + ": v\n";
  std::string block;
  for (int i = 0; i < 500'000; ++i) block += "- ";
  std::string directives;
  for (int i = 0; i < 200'000; ++i) directives += "%TAG !h" + std::to_string(i) + "! !p-\n";
  directives += "--- x\n";
  const std::vector<std::string> crafted = colliding_anchor_names(200);
  const Hostile hostile[] = {
      {"40,000 anchors of random names and an alias of each",
       anchors_text(random_anchor_names(40'000))},
      {crafted.empty() ? "40,000 anchors of crafted names: not built, another string hash"
                       : "40,000 anchors of names of one std::hash value and an alias of each",
       anchors_text(crafted)},
      {"50,000 aliases of a 50,000-element list", bomb},
      {"1,000,000 nested flow sequences", std::string(1'000'000, '[')},
      // libyaml's time per token grows with the flow depth. The first text loads; in the
      // second, the events inside the 129th sequence are counted, not kept.
      {"1,000,000 scalars in 128 nested flow sequences",
       std::string(128, '[') + scalar_list(1'000'000) + std::string(128, ']')},
      {"1,000,000 scalars in 129 nested flow sequences",
       std::string(129, '[') + scalar_list(1'000'000) + std::string(129, ']')},
      {"500,000 nested block sequences", block + "x\n"},
      {"500,000 keys in one mapping", keys},
      {"200,000 %TAG directives", directives},
  };
  for (const Hostile& h : hostile) {
    std::string outcome;
    const double t = bench::best_of(3, [&] {
      const auto value = lorvane::inject::yaml_from_str_value(h.text);
      outcome = value.ok() ? "loads" : value.error().message();
    });
    std::printf("%s (%.2f MB): %.1f ms, %s\n", h.name, bench::mb(h.text.size()), t * 1e3,
                outcome.c_str());
  }

  return 0;
}
