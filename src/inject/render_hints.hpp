#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "inject/yaml_value.hpp"
#include "parser/document.hpp"

// Render hints of injected nodes, made from an entry's `render_hints` YAML value.
namespace lorvane::inject {

/// The YAML value as a JSON value: floats that are not finite become null, a tagged
/// value becomes {"!name": inner}, mapping keys become texts (booleans "true"/"false",
/// integers in decimal, finite floats as the JSON form writes them; of two keys with the
/// same text the later wins). None when any key anywhere is null, a collection, tagged or
/// a float that is not finite. Walks with an explicit stack.
std::optional<parser::JsonValue> yaml_to_json(const YamlValue& value);

/// The render hints that `value` gives: the members of its JSON form when that is an
/// object (an empty mapping gives present-but-empty hints); none for an absent value,
/// any other JSON form, or a failed conversion. Never reports anything.
std::optional<parser::RenderHints> convert_render_hints(const std::optional<YamlValue>& value);

/// `convert_render_hints(value)` (or an empty map) with `key` set to the string `text`
/// when `text` is present; none when the result is empty.
std::optional<parser::RenderHints> render_hints_with(const std::optional<YamlValue>& value,
                                                     std::string_view key,
                                                     const std::optional<std::string>& text);

}  // namespace lorvane::inject
