#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace lorvane::inject {

/// Receives one whole warning line at a time: "WARN: " through the final "\n".
using WarningSink = std::function<void(std::string_view line)>;

/// How a merge treats the problems that lenient mode passes over: strict turns them into
/// errors; lenient writes one warning line through `warn` at the moment the problem is
/// met and goes on with the fallback.
struct MergeMode {
  bool strict = true;
  const WarningSink* warn = nullptr;  ///< May be null: the lines are then dropped.

  /// Writes "WARN: " + message + suffix + "\n" (suffix "; appending" where the node is
  /// appended instead of placed).
  void warning(std::string_view message, std::string_view suffix = {}) const {
    if (warn == nullptr || !*warn) return;
    std::string line;
    line.reserve(message.size() + suffix.size() + 7);
    line += "WARN: ";
    line += message;
    line += suffix;
    line += '\n';
    (*warn)(line);
  }
};

}  // namespace lorvane::inject
