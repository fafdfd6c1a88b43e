// Merge speed and memory: the 50 MB generated TEXT source, parsed once, merged with
//   1. a SIDECAR text without entries (the copy alone),
//   2. 20,000 entries spread over the sections (every type, every selector, reclassify
//      ranges of all four pairs),
//   3. 5,000 entries aimed at one section.
// Prints the best of three wall times of `apply_sidecar` (loading the SIDECAR text
// included) and the peak memory that one merge adds, against the memory of the BASE tree.

#include <malloc.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "bench_util.hpp"
#include "inject/apply_sidecar.hpp"
#include "sidecar_gen.hpp"
#include "parser/text_parser.hpp"
#include "text_gen.hpp"

namespace {

using namespace lorvane;

struct Figures {
  double seconds = 0;
  std::size_t peak = 0;
};

Figures measure(const parser::Document& base, const std::string& sidecar) {
  Figures figures;
  std::size_t warnings = 0;
  const inject::WarningSink sink = [&](std::string_view) { ++warnings; };
  // Memory first, with the heap's free pages handed back, so that the peak counts what
  // this merge allocates rather than what earlier ones left behind.
  malloc_trim(0);
  bench::reset_peak_rss();
  const std::size_t before = bench::current_rss();
  {
    auto final_document = inject::apply_sidecar(base, sidecar, true, sink);
    figures.peak = bench::peak_rss() - before;
  }
  bool ok = true;
  figures.seconds = bench::best_of(3, [&] {
    auto final_document = inject::apply_sidecar(base, sidecar, true, sink);
    if (!final_document) {
      std::fprintf(stderr, "merge failed: %s\n", final_document.error().message().c_str());
      for (const auto& cause : final_document.error().causes())
        std::fprintf(stderr, "  %s\n", cause.c_str());
      ok = false;
    }
  });
  if (!ok || warnings != 0) std::fprintf(stderr, "unexpected failures or warnings\n");
  return figures;
}

}  // namespace

int main() {
  std::string source = bench::generate_text_source(50u * 1000 * 1000);
  malloc_trim(0);
  const std::size_t before_parse = bench::current_rss();
  auto parsed = parser::parse_text_document(source);
  if (!parsed) {
    std::printf("cannot parse the generated source: %s\n", parsed.error().message().c_str());
    return 1;
  }
  const parser::Document base = std::move(parsed).value();
  const std::size_t tree_bytes = bench::current_rss() - before_parse;
  std::vector<std::string> sections;
  for (const parser::Node& node : base.children)
    if (const auto* section = node.get_if<parser::SectionNode>())
      sections.push_back(section->number);
  std::printf("BASE: %.1f MB source, %zu sections, tree %.1f MB\n", bench::mb(source.size()),
              sections.size(), bench::mb(tree_bytes));
  source.clear();
  source.shrink_to_fit();

  struct Run {
    const char* name;
    std::string sidecar;
  };
  const Run runs[] = {
      {"no entries (copy only)", "render:\n  outline: {enabled: true}\n"},
      {"20,000 entries spread", bench::spread_sidecar(sections, 1900, 1000)},
      {"5,000 entries, one section", bench::single_section_sidecar(sections[sections.size() / 2], 500)},
  };
  for (const Run& run : runs) {
    const Figures figures = measure(base, run.sidecar);
    std::printf("%-28s sidecar %6.2f MB  merge %.3f s  peak +%.1f MB (%.2fx tree)\n", run.name,
                bench::mb(run.sidecar.size()), figures.seconds, bench::mb(figures.peak),
                static_cast<double>(figures.peak) / static_cast<double>(tree_bytes));
  }
  return 0;
}
