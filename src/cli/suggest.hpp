#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// "Did you mean" help for misspelt subcommands and option names.
namespace lorvane::cli {

/// The edit distance between `a` and `b`, counting an insertion, a deletion, a
/// substitution or a swap of two neighbouring bytes as one edit. O(|a| * |b|) time,
/// O(|b|) memory.
std::size_t edit_distance(std::string_view a, std::string_view b);

/// The candidate closest to `typed`, when it is close enough to be a likely misspelling:
/// at most a third of the candidate's length in edits (at least one edit allowed). On a
/// tie the earlier candidate wins; an exact match is no suggestion.
std::optional<std::string> closest_name(std::string_view typed,
                                        const std::vector<std::string>& candidates);

}  // namespace lorvane::cli
