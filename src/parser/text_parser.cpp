#include "parser/text_parser.hpp"

namespace lorvane::parser {

Result<Document> parse_text_document(std::string_view) {
  return Error("the TEXT parser is not built yet");
}

}  // namespace lorvane::parser
