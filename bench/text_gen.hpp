#pragma once

// Generates large valid TEXT sources for the benchmarks: sections at three levels
// (1, 1.1, 1.1.1), each with paragraphs, an ordered list or a three-level bullet list,
// and a web address every few lines. Deterministic for a given size.

#include <cstdint>
#include <string>

namespace bench {

class WordSource {
 public:
  explicit WordSource(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  const char* next() {
    static const char* const kWords[] = {
        "document", "renderer", "section",  "layout",    "writers", "clean",   "source",
        "narrative", "sidecar", "template", "outline",   "header",  "anchors", "plain",
        "predictable", "output", "injection", "figures", "tables",  "careful", "text",
        "with",     "and",      "the",      "of",        "every",   "page",    "style"};
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return kWords[state_ % (sizeof kWords / sizeof kWords[0])];
  }
  std::uint64_t number() {
    next();
    return state_;
  }

 private:
  std::uint64_t state_;
};

/// A valid TEXT source of at least `target_bytes` bytes.
inline std::string generate_text_source(std::size_t target_bytes) {
  std::string out;
  out.reserve(target_bytes + 4096);
  out += "Benchmark Document\nGenerated for throughput measurements\n\n";
  out += " Author: Bench Writer\n Version: v2026.04.19\n Language: en\n Generated source.\n\n";
  WordSource words(7);
  std::uint64_t line_count = 0;
  auto sentence = [&](int count) {
    std::string s = "Every";
    for (int i = 0; i < count; ++i) {
      s += ' ';
      s += words.next();
      if (++line_count % 5 == 0) s += " https://example.org/docs/page";
    }
    s += '.';
    return s;
  };
  auto content = [&](std::uint64_t k) {
    out += sentence(14);
    out += '\n';
    out += sentence(10);
    out += "\n\n";
    if (k % 2 == 0) {
      out += "1) " + sentence(6) + "\n2) " + sentence(5) + "\n3) " + sentence(4) + "\n\n";
    } else {
      out += "- " + sentence(4) + "\n  - " + sentence(4) + "\n    - " + sentence(3) + "\n- " +
             sentence(4) + "\n\n";
    }
    out += sentence(12);
    out += " see www.example.com/guide for more.\n\n";
  };
  std::uint64_t k = 0;
  for (std::uint64_t top = 1; out.size() < target_bytes; ++top) {
    const std::string a = std::to_string(top);
    out += a + ". Chapter " + words.next() + "\n\n";
    content(k++);
    for (int sub = 1; sub <= 3 && out.size() < target_bytes; ++sub) {
      const std::string b = a + "." + std::to_string(sub);
      out += b + " Part " + words.next() + "\n\n";
      content(k++);
      for (int leaf = 1; leaf <= 2 && out.size() < target_bytes; ++leaf) {
        out += b + "." + std::to_string(leaf) + " Detail " + words.next() + "\n\n";
        content(k++);
      }
    }
  }
  return out;
}

}  // namespace bench
