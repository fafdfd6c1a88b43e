// Loading a large SIDECAR text into YAML values: a metadata block, a render block and
// thousands of injection entries shaped like the sample project's (admonitions, figures,
// code blocks with literal text, tables with flow lists and data sources), generated at
// run time. Prints the throughput and the peak memory that the load adds.
#include <cstdio>
#include <string>

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
        out += "  - id: \"selector-note-" + n + "\"\n    type: \"admonition\"\n    level: \"info\"\n"
               "    title: \"Selector Families\"\n"
               "    text: \"Supported selector families include prepend, paragraph-relative "
               "placement, list-relative placement, note-relative placement, and block-range "
               "based targeting.\"\n";
        break;
      case 1:
        out += "  - id: \"example-figure-" + n + "\"\n    type: \"figure\"\n"
               "    src: \"SIDECAR/assets/imgs/sidecar-demo.svg\"\n"
               "    alt: \"Simple SIDECAR placeholder figure\"\n"
               "    caption: \"A local SVG asset injected after the first paragraph.\"\n"
               "    width: \"56%\"\n    alignment: \"center\"\n";
        break;
      case 2:
        out += "  - id: \"example-code-" + n + "\"\n    type: \"code_block\"\n    language: \"yaml\"\n"
               "    content: |\n      injections:\n        - id: example\n          type: figure\n"
               "          target:\n            section: \"2.2\"\n            after_paragraph: 0\n";
        break;
      default:
        out += "  - id: \"example-table-" + n + "\"\n    type: \"table\"\n"
               "    columns: [\"Capability\", \"Example\"]\n    data_source: |\n"
               "      Admonition,after_paragraph\n      Figure,after_paragraph\n"
               "      Reclassify,start_block + end_block\n    caption: \"Capability examples\"\n";
        break;
    }
    out += "    target:\n      section: \"" + section + "\"\n      after_paragraph: " +
           std::to_string(i % 3) + "\n\n";
  }
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
  const Hostile hostile[] = {
      {"50,000 aliases of a 50,000-element list", bomb},
      {"1,000,000 nested flow sequences", std::string(1'000'000, '[')},
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
