#pragma once

#include <string_view>

#include "parser/document.hpp"
#include "parser/error.hpp"

namespace lorvane::parser {

/// Parses a whole TEXT source into its BASE `Document`, or returns the first rule it
/// breaks as a single-message error (no cause). Pure: no I/O, no state between calls.
Result<Document> parse_text_document(std::string_view source);

}  // namespace lorvane::parser
