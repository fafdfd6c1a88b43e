// Applies arbitrary SIDECAR texts (valid UTF-8 only) to one small fixed document, in
// strict and in lenient mode: every input must end in a FINAL document or one error.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "inject/apply_sidecar.hpp"
#include "parser/document.hpp"
#include "parser/json.hpp"
#include "parser/text.hpp"

namespace {

using namespace lorvane;

parser::Node paragraph(std::string text, std::string id) {
  return parser::ParagraphNode{std::move(text), std::move(id)};
}

parser::SectionNode section(std::string number, std::string bare, std::uint8_t level,
                            std::uint64_t line, parser::NodeList children) {
  parser::SectionNode s;
  s.number = std::move(number);
  s.title = "Section " + bare;
  s.level = level;
  s.children = std::move(children);
  s.node_id = "sec-" + bare;
  s.source = parser::SourceLocation{line};
  return s;
}

// The BASE document of a small TEXT source: sections 1., 1.1, 2., 2.1, 2.2 and 3. with
// paragraphs, an ordered and a bullet list, and one section without blocks.
parser::Document fixed_document() {
  parser::Document d;
  d.title = "Fuzz Document";
  d.subtitle = "Subtitle";
  d.metadata = {{"Author", "A"}, {"Version", "v1"}};
  d.cover = parser::DocumentCover{"Fuzz Document", "Subtitle", "", d.metadata};
  d.children.push_back(
      section("1.", "1", 1, 7, {paragraph("First.", "p-1.-0"), paragraph("Second.", "p-1.-1")}));
  d.children.push_back(section(
      "1.1", "1.1", 2, 13,
      {paragraph("Intro.", "p-1.1-0"),
       parser::OrderedListNode{{{"one", {}, "li-1.1-o1-0"}, {"two", {}, "li-1.1-o1-1"}},
                               "ol-1.1-1"},
       parser::BulletListNode{{{"a", {{"b", {}, "li-1.1-b2-1"}}, "li-1.1-b2-0"}}, "bl-1.1-2"},
       paragraph("Outro.", "p-1.1-1")}));
  d.children.push_back(section("2.", "2", 1, 22, {}));
  d.children.push_back(section(
      "2.1", "2.1", 2, 24,
      {paragraph("A.", "p-2.1-0"), paragraph("B.", "p-2.1-1"), paragraph("C.", "p-2.1-2")}));
  d.children.push_back(section("2.2", "2.2", 2, 32, {paragraph("Only.", "p-2.2-0")}));
  d.children.push_back(section("3.", "3", 1, 36, {paragraph("End.", "p-3.-0")}));
  return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const parser::Document base = fixed_document();
  static const std::string base_json = parser::document_to_json(base);
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!lorvane::text::is_valid_utf8(text)) return -1;  // not a SIDECAR file
  std::size_t warning_bytes = 0;
  const inject::WarningSink sink = [&](std::string_view line) {
    if (line.substr(0, 6) != "WARN: " || line.empty() || line.back() != '\n') std::abort();
    warning_bytes += line.size();
  };
  for (bool strict : {true, false}) {
    auto result = inject::apply_sidecar(base, text, strict, sink);
    if (result) {
      const std::string json = parser::document_to_json(result.value());
      if (json.empty()) std::abort();
    } else if (result.error().message().empty()) {
      std::abort();
    }
  }
  if (parser::document_to_json(base) != base_json) std::abort();  // the BASE never changes
  return 0;
}
