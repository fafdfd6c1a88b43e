#include "render/html.hpp"

namespace lorvane::render {

std::string escape_html(std::string_view text) {
  std::string out;
  append_escaped_html(out, text);
  return out;
}

void append_escaped_html(std::string& out, std::string_view text) {
  out.reserve(out.size() + text.size());
  std::size_t run = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char* replacement;
    switch (text[i]) {
      case '&': replacement = "&amp;"; break;
      case '<': replacement = "&lt;"; break;
      case '>': replacement = "&gt;"; break;
      case '"': replacement = "&quot;"; break;
      case '\'': replacement = "&#39;"; break;
      default: continue;
    }
    out.append(text.data() + run, i - run);
    out.append(replacement);
    run = i + 1;
  }
  out.append(text.data() + run, text.size() - run);
}

// Placeholder until links are built: escaping and line breaks only, which is already the
// exact output for text without addresses.
std::string render_inline(std::string_view text) {
  std::string out;
  append_inline_html(out, text);
  return out;
}

void append_inline_html(std::string& out, std::string_view text) {
  std::size_t start = 0;
  for (std::size_t nl = text.find('\n'); nl != std::string_view::npos; nl = text.find('\n', start)) {
    append_escaped_html(out, text.substr(start, nl - start));
    out += "<br/>\n";
    start = nl + 1;
  }
  append_escaped_html(out, text.substr(start));
}

std::pair<std::string_view, std::string_view> split_trailing_punctuation(std::string_view token) {
  return {token, {}};
}

bool check_host_labels(const std::vector<std::string_view>&) { return false; }

}  // namespace lorvane::render
