#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <type_traits>

#include "parser/error.hpp"

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

  /// A problem that lenient mode passes over. Strict: the error `message`. Lenient: the
  /// warning line for `message` and `suffix`, then what `fallback` does and returns in place
  /// of the entry's own effect (an append, or a null target that passes the entry over).
  template <typename Fallback>
  std::invoke_result_t<Fallback&> pass_over(std::string message, std::string_view suffix,
                                            Fallback&& fallback) const {
    if (strict) return Error(std::move(message));
    warning(message, suffix);
    return fallback();
  }

  /// The same without a fallback: in lenient mode the entry then has no effect (an
  /// unsupported type, a range that cannot be wrapped) or goes on (unknown target keys).
  Status pass_over(std::string message) const {
    return pass_over(std::move(message), {}, [] { return Status(); });
  }
};

}  // namespace lorvane::inject
