#pragma once

#include <string>
#include <string_view>

#include "parser/error.hpp"

namespace lorvane::cli {

/// The report that the process prints on standard error for a failed run: "Error: " and
/// the message, then, when there are causes, an empty line, "Caused by:" and one line per
/// cause (indented four spaces when there is one; numbered from 0, right-aligned in five
/// columns and followed by ": " when there are several). Further lines of a multi-line
/// cause are indented to the cause's text (four or seven spaces). Ends with a line feed.
std::string format_error_report(const Error& error);

/// A front-end message that names a path: `message` followed by `path` shown as text,
/// every byte sequence that is not valid UTF-8 as U+FFFD.
std::string with_path(std::string_view message, const std::string& path);

}  // namespace lorvane::cli
