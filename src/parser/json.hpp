#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "parser/document.hpp"

// The JSON form of the document tree: pretty-printed with two spaces per level, object
// members in a fixed order per record, maps in byte order of their keys, no line feed
// after the closing brace. Output only: nothing reads it back.
namespace lorvane::parser {

/// The JSON form of `document`. Never fails; linear in the size of the tree and not
/// recursive on its depth.
std::string document_to_json(const Document& document);

/// Receives the JSON text piece by piece, in order.
using JsonSink = std::function<void(std::string_view piece)>;

/// The same text as `document_to_json`, handed to `sink` in pieces of about a megabyte,
/// so that a large tree is written out without holding its whole JSON text in memory.
void write_document_json(const Document& document, const JsonSink& sink);

/// Appends `text` as a JSON string: seven two-character escapes, \u00XX for the other
/// characters below U+0020, every other character as its UTF-8 bytes.
void append_json_string(std::string& out, std::string_view text);

/// A finite double as the JSON form writes it: the shortest digits that read back to the
/// same value, in plain notation for decimal exponents -5..15 ("1.0", "0.00001") and as
/// "d.ddde+X" / "de-X" otherwise ("1e+16", "2.5e-7").
std::string format_json_double(double value);

/// Appends a JSON value laid out at nesting `level` (members at `level + 1`).
void append_json_value(std::string& out, const JsonValue& value, int level);

}  // namespace lorvane::parser
