#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// HTML escaping of short values, and the inline rendering of running text (line breaks
// and links for web addresses and bare host names).
namespace lorvane::render {

/// `text` with "&", "<", ">", the quotation mark and the apostrophe replaced by
/// "&amp;", "&lt;", "&gt;", "&quot;" and "&#39;"; nothing else changes.
std::string escape_html(std::string_view text);
void append_escaped_html(std::string& out, std::string_view text);

/// Running text as HTML: escaped, each line feed as "<br/>\n", and addresses beginning
/// "https://", "http://" or "mailto:" and bare host names (with an optional path) as links.
/// Linear in the length of `text`.
std::string render_inline(std::string_view text);
void append_inline_html(std::string& out, std::string_view text);

/// Splits `token` into the link part and the trailing punctuation that does not belong
/// to it; the two concatenated give `token`.
std::pair<std::string_view, std::string_view> split_trailing_punctuation(std::string_view token);

/// Whether every label is non-empty, made only of ASCII letters, digits and "-", and
/// neither begins nor ends with "-".
bool check_host_labels(const std::vector<std::string_view>& labels);

}  // namespace lorvane::render
