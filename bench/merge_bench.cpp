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
#include "parser/text_parser.hpp"
#include "text_gen.hpp"

namespace {

using namespace lorvane;

std::string quoted(const std::string& text) { return "'" + text + "'"; }

// Ten entries for one section of the generated source (its children: a paragraph, a
// list, a paragraph), every type and selector among them; each one fits.
// `range` is the block range that the group's admonition wraps: a fresh section of the
// generated source starts with a paragraph and a list, while on a section that earlier
// groups filled block 0 is the code block that this group prepended.
void append_group(std::string& out, const std::string& section, int group, const char* range) {
  const std::string s = quoted(section);
  const std::string g = std::to_string(group);
  out += "  - {type: paragraph, text: 'Injected paragraph " + g + ".', target: {section: " + s +
         ", after_paragraph: 1}}\n";
  out += "  - {type: note, title: Note, text: 'A note.', target: {section: " + s +
         ", after_list: 0}}\n";
  out += "  - {type: code, language: yaml, content: \"a: 1\\nb: 2\\n\", target: {section: " + s +
         ", prepend: true}}\n";
  out += "  - {type: figure, src: img/f" + g +
         ".svg, alt: Figure, width: '50%', alignment: center, "
         "target: {section: " +
         s + ", after_block: 2}}\n";
  out +=
      "  - {type: table, csv: \"A, B\\n1, 2\\n3, 4\\n\", caption: Table, target: {section: " + s +
      ", before_paragraph: 1}}\n";
  out +=
      "  - {type: table, headers: [X, Y], rows: [[a, b], [c, d]], render_hints: {striped: true}, "
      "target: {section: " +
      s + ", after_note: 0}}\n";
  out += "  - {type: tip, id: tip-" + g + ", target: {section: " + s + ", " + range + "}}\n";
  out += "  - {type: paragraph, text: 'Appended.', target: {section: " + s + "}}\n";
  out += "  - {type: table, data_source: \"r,s\", columns: [R, S], target: {section: " + s +
         ", after_paragraph: 0}}\n";
  out += "  - {type: codeblock, code: x, target: {section: " + s + ", before_paragraph: 0}}\n";
}

const char* const kRangePairs[][2] = {{"start_block", "end_block"},
                                      {"from_block", "to_block"},
                                      {"start_node", "end_node"},
                                      {"from_node", "to_node"}};

std::string spread_sidecar(const std::vector<std::string>& sections) {
  std::string out = "injections:\n";
  const std::size_t groups = 1900;  // 19,000 injection entries
  std::set<std::size_t> used;
  for (std::size_t g = 0; g < groups; ++g) {
    used.insert(g * sections.size() / groups);
    append_group(out, sections[g * sections.size() / groups], static_cast<int>(g),
                 "start_block: 0, end_block: 1");
  }
  out += "reclassify:\n";
  for (std::size_t r = 0; r < 1000; ++r) {  // 1,000 reclassify entries, other sections
    std::size_t index = r * sections.size() / 1000;
    while (used.count(index)) index = (index + 1) % sections.size();
    const std::string& section = sections[index];
    const auto& pair = kRangePairs[r % 4];
    out += "  - {type: " + std::string(r % 2 ? "warning" : "note") +
           ", title: Range, target: {section: " + quoted(section) + ", " + pair[0] + ": 0, " +
           pair[1] + ": " + std::to_string(r % 3) + "}}\n";
  }
  return out;
}

std::string single_section_sidecar(const std::string& section) {
  std::string out = "injections:\n";
  for (int g = 0; g < 500; ++g)  // 5,000 entries
    append_group(out, section, g, "from_node: 0, to_node: 0");
  return out;
}

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
      {"20,000 entries spread", spread_sidecar(sections)},
      {"5,000 entries, one section", single_section_sidecar(sections[sections.size() / 2])},
  };
  for (const Run& run : runs) {
    const Figures figures = measure(base, run.sidecar);
    std::printf("%-28s sidecar %6.2f MB  merge %.3f s  peak +%.1f MB (%.2fx tree)\n", run.name,
                bench::mb(run.sidecar.size()), figures.seconds, bench::mb(figures.peak),
                static_cast<double>(figures.peak) / static_cast<double>(tree_bytes));
  }
  return 0;
}
