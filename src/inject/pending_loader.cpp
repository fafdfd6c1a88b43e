// Stand-in for the YAML value helpers until the loader lands: enough to build and test
// the entry model on trees made in code. Removed when the loader is merged.
#include <charconv>
#include <cmath>
#include <cstdio>

#include "inject/yaml_value.hpp"

namespace lorvane::inject {

Result<YamlValue> yaml_from_str_value(std::string_view) {
  return Error("the YAML loader is not built yet");
}

const YamlValue& yaml_value_untag(const YamlValue& value) {
  const YamlValue* current = &value;
  while (const auto* tagged = current->get_if<YamlTagged>()) current = &*tagged->inner;
  return *current;
}

const YamlValue* yaml_value_get(const YamlValue& value, std::string_view key) {
  const auto* mapping = yaml_value_untag(value).get_if<YamlMapping>();
  if (!mapping) return nullptr;
  for (const YamlEntry& entry : *mapping)
    if (const auto* text = entry.key.get_if<std::string>(); text && *text == key) return &entry.value;
  return nullptr;
}

bool yaml_keys_equal(const YamlValue&, const YamlValue&) { return false; }

std::string describe_yaml_value(const YamlValue& value) {
  if (value.is_null()) return "unit value";
  if (const auto* b = value.get_if<bool>()) return std::string("boolean `") + (*b ? "true" : "false") + "`";
  if (const auto* u = value.get_if<std::uint64_t>()) return "integer `" + std::to_string(*u) + "`";
  if (const auto* i = value.get_if<std::int64_t>()) return "integer `" + std::to_string(*i) + "`";
  if (const auto* d = value.get_if<double>()) {
    char buffer[400];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, *d, std::chars_format::fixed);
    std::string text(buffer, end);
    if (text.find('.') == std::string::npos) text += ".0";
    return "floating point `" + text + "`";
  }
  if (const auto* s = value.get_if<std::string>()) {
    std::string out = "string \"";
    for (char c : *s) {
      if (c == '"' || c == '\\') out += '\\';
      out += c;
    }
    return out + "\"";
  }
  if (value.get_if<YamlSequence>()) return "sequence";
  return "map";
}

}  // namespace lorvane::inject
