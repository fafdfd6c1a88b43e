#include "parser/numbers.hpp"

#include <charconv>
#include <limits>

namespace lorvane::parser {

Result<std::uint64_t> parse_decimal_u64(std::string_view text) {
  if (text.empty()) return Error("invalid digit found in string");
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return Error("invalid digit found in string");
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (value > (kMax - digit) / 10) return Error("number too large to fit in target type");
    value = value * 10 + digit;
  }
  return value;
}

std::optional<Result<std::uint64_t>> next_number_component(std::string_view number,
                                                           std::size_t& pos) {
  if (pos > number.size()) return std::nullopt;
  const std::size_t dot = number.find('.', pos);
  const std::size_t end = dot == std::string_view::npos ? number.size() : dot;
  const std::string_view piece = number.substr(pos, end - pos);
  // Past the end once the last piece is taken, so that a trailing "." still yields the
  // empty piece after it.
  pos = end + 1;
  return parse_decimal_u64(piece);
}

Status parse_section_number_into(std::string_view bare_number,
                                 std::vector<std::uint64_t>& components) {
  components.clear();
  std::size_t pos = 0;
  while (auto component = next_number_component(bare_number, pos)) {
    if (!*component) return std::move(*component).error();
    components.push_back(component->value());
  }
  return {};
}

std::string join_section_number(const std::vector<std::uint64_t>& components) {
  std::string out;
  for (std::uint64_t component : components) {
    if (!out.empty()) out += '.';
    out += std::to_string(component);
  }
  return out;
}

}  // namespace lorvane::parser
