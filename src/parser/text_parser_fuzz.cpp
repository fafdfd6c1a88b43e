// Runs the TEXT parser and the JSON form on arbitrary bytes: neither may crash, leak or
// misbehave on any input. Bytes that are not valid UTF-8 are skipped, as the program
// rejects them before parsing.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "parser/json.hpp"
#include "parser/text.hpp"
#include "parser/text_parser.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view source(reinterpret_cast<const char*>(data), size);
  if (!lorvane::text::is_valid_utf8(source)) return 0;
  auto document = lorvane::parser::parse_text_document(source);
  if (document.ok()) {
    const std::string json = lorvane::parser::document_to_json(*document);
    if (json.empty() || json.front() != '{' || json.back() != '}') __builtin_trap();
  } else if (document.error().message().empty() || !document.error().causes().empty()) {
    __builtin_trap();
  }
  return 0;
}
