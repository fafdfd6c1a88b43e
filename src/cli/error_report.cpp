#include "cli/error_report.hpp"

#include <string_view>

#include "parser/text.hpp"

namespace lorvane::cli {
namespace {

// Appends `text`, starting every line after its first with `indent`.
void append_indented(std::string& out, std::string_view text, std::string_view indent) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t newline = text.find('\n', start);
    if (newline == std::string_view::npos) {
      out.append(text.substr(start));
      return;
    }
    out.append(text.substr(start, newline + 1 - start));
    out.append(indent);
    start = newline + 1;
  }
}

}  // namespace

std::string format_error_report(const Error& error) {
  constexpr std::string_view kSingleIndent = "    ";
  constexpr std::string_view kNumberedIndent = "       ";  // under the text after "    0: "
  constexpr std::size_t kNumberWidth = 5;

  const std::vector<std::string>& causes = error.causes();
  std::size_t size = error.message().size() + 32;
  for (const std::string& cause : causes) size += cause.size() + 16;
  std::string out;
  out.reserve(size);

  out += "Error: ";
  out += error.message();
  if (!causes.empty()) {
    out += "\n\nCaused by:";
    const bool numbered = causes.size() > 1;
    for (std::size_t i = 0; i < causes.size(); ++i) {
      out += '\n';
      if (numbered) {
        const std::string number = std::to_string(i);
        if (number.size() < kNumberWidth) out.append(kNumberWidth - number.size(), ' ');
        out += number;
        out += ": ";
        append_indented(out, causes[i], kNumberedIndent);
      } else {
        out += kSingleIndent;
        append_indented(out, causes[i], kSingleIndent);
      }
    }
  }
  out += '\n';
  return out;
}

std::string with_path(std::string_view message, const std::string& path) {
  const std::string shown = text::lossy_utf8(path);
  std::string out;
  out.reserve(message.size() + shown.size());
  out.append(message);
  out.append(shown);
  return out;
}

}  // namespace lorvane::cli
