#pragma once

// Generates SIDECAR texts for the benchmarks: groups of ten injection entries (every type
// and selector among them, each one fitting a section of the generated TEXT source) and
// reclassify ranges, spread over many sections or aimed at one.

#include <set>
#include <string>
#include <vector>

namespace bench {

inline std::string quoted(const std::string& text) { return "'" + text + "'"; }

// Ten entries for one section of the generated source (its children: a paragraph, a
// list, a paragraph), every type and selector among them; each one fits.
// `range` is the block range that the group's admonition wraps: a fresh section of the
// generated source starts with a paragraph and a list, while on a section that earlier
// groups filled block 0 is the code block that this group prepended.
inline void append_group(std::string& out, const std::string& section, int group, const char* range) {
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

inline const char* const kRangePairs[][2] = {{"start_block", "end_block"},
                                      {"from_block", "to_block"},
                                      {"start_node", "end_node"},
                                      {"from_node", "to_node"}};

/// `groups` groups of ten injection entries spread evenly over `sections`, then
/// `reclassify` range entries on other sections.
inline std::string spread_sidecar(const std::vector<std::string>& sections, std::size_t groups,
                                  std::size_t reclassify) {
  std::string out = "injections:\n";
  std::set<std::size_t> used;
  for (std::size_t g = 0; g < groups; ++g) {
    used.insert(g * sections.size() / groups);
    append_group(out, sections[g * sections.size() / groups], static_cast<int>(g),
                 "start_block: 0, end_block: 1");
  }
  out += "reclassify:\n";
  for (std::size_t r = 0; r < reclassify; ++r) {
    std::size_t index = r * sections.size() / reclassify;
    while (used.count(index)) index = (index + 1) % sections.size();
    const std::string& section = sections[index];
    const auto& pair = kRangePairs[r % 4];
    out += "  - {type: " + std::string(r % 2 ? "warning" : "note") +
           ", title: Range, target: {section: " + quoted(section) + ", " + pair[0] + ": 0, " +
           pair[1] + ": " + std::to_string(r % 3) + "}}\n";
  }
  return out;
}

/// `groups` groups of ten injection entries, all aimed at `section`.
inline std::string single_section_sidecar(const std::string& section, int groups) {
  std::string out = "injections:\n";
  for (int g = 0; g < groups; ++g)
    append_group(out, section, g, "from_node: 0, to_node: 0");
  return out;
}

}  // namespace bench
