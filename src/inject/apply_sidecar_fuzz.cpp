// Applies arbitrary SIDECAR texts (valid UTF-8 only) to one small fixed document, in
// strict and in lenient mode: every input must end in a FINAL document or one error.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "inject/apply_sidecar.hpp"
#include "parser/json.hpp"
#include "parser/text_parser.hpp"
#include "parser/text.hpp"

namespace {

using namespace lorvane;

// A small TEXT source: sections 1., 1.1, 2., 2.1, 2.2 and 3. with paragraphs, an ordered
// and a bullet list, and one section without blocks.
constexpr std::string_view kSource =
    "Fuzz Document\nSubtitle\n\n Author: A\n Version: v2026.04.19\n\n"
    "1. One\n\nFirst.\n\nSecond.\n\n"
    "1.1 One One\n\nIntro.\n\n1) one\n2) two\n\n- a\n  - b\n\nOutro.\n\n"
    "2. Two\n\n"
    "2.1 Two One\n\nA.\n\nB.\n\nC.\n\n"
    "2.2 Two Two\n\nOnly.\n\n"
    "3. Three\n\nEnd.\n";

parser::Document fixed_document() {
  auto parsed = parser::parse_text_document(kSource);
  if (!parsed) std::abort();
  return std::move(parsed).value();
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
