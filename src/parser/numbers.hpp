#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "parser/error.hpp"

// Numbers of the TEXT format: section numbers ("1.", "2.3") and ordered item numbers.
namespace lorvane::parser {

/// `text` as an unsigned 64-bit decimal number in which only the ASCII digits count.
/// Scanning from the left, the first character that is no ASCII digit gives "invalid
/// digit found in string" and the first digit that overflows "number too large to fit in
/// target type", whichever comes first. The empty text is no number either (invalid
/// digit); the patterns of the format never hand one over.
Result<std::uint64_t> parse_decimal_u64(std::string_view text);

/// The next "."-separated piece of `number` from `pos`, parsed; `pos` moves past the piece
/// and its dot. Returns nullopt once every piece has been taken ("1.2" has two pieces,
/// "" one empty piece).
std::optional<Result<std::uint64_t>> next_number_component(std::string_view number,
                                                           std::size_t& pos);

/// The components of a bare section number (no trailing dot) into `components` (cleared
/// first, so that one buffer serves every heading of a parse), or the error of its first
/// piece that is no valid number.
Status parse_section_number_into(std::string_view bare_number,
                                 std::vector<std::uint64_t>& components);

/// The decimal text of each component, joined with ".": the form in which messages name a
/// number (`{1, 2}` gives "1.2").
std::string join_section_number(const std::vector<std::uint64_t>& components);

}  // namespace lorvane::parser
