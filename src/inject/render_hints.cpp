#include "inject/render_hints.hpp"

#include <cmath>
#include <deque>
#include <utility>
#include <vector>

#include "parser/json.hpp"

namespace lorvane::inject {
namespace {

// The text of a mapping key, or none for a key that no JSON object can hold.
std::optional<std::string> json_key(const YamlValue& key) {
  if (const auto* text = key.get_if<std::string>()) return *text;
  if (const auto* flag = key.get_if<bool>()) return std::string(*flag ? "true" : "false");
  if (const auto* count = key.get_if<std::uint64_t>()) return std::to_string(*count);
  if (const auto* negative = key.get_if<std::int64_t>()) return std::to_string(*negative);
  if (const auto* real = key.get_if<double>()) {
    if (!std::isfinite(*real)) return std::nullopt;
    return parser::format_json_double(*real);
  }
  return std::nullopt;  // null, sequence, mapping, tagged
}

}  // namespace

std::optional<parser::JsonValue> yaml_to_json(const YamlValue& value) {
  struct Job {
    const YamlValue* from;
    parser::JsonValue* to;
  };
  parser::JsonValue result;
  // Values of keys that a later key of the same text overrides: still converted (a bad
  // key inside them fails the whole value), then dropped.
  std::deque<parser::JsonValue> overridden;
  std::vector<Job> jobs{{&value, &result}};
  while (!jobs.empty()) {
    const Job job = jobs.back();
    jobs.pop_back();
    const YamlValue::Storage& from = job.from->value;
    if (std::holds_alternative<std::nullptr_t>(from)) {
      job.to->value = nullptr;
    } else if (const auto* flag = std::get_if<bool>(&from)) {
      job.to->value = *flag;
    } else if (const auto* count = std::get_if<std::uint64_t>(&from)) {
      job.to->value = *count;
    } else if (const auto* negative = std::get_if<std::int64_t>(&from)) {
      job.to->value = *negative;
    } else if (const auto* real = std::get_if<double>(&from)) {
      if (std::isfinite(*real))
        job.to->value = *real;
      else
        job.to->value = nullptr;
    } else if (const auto* text = std::get_if<std::string>(&from)) {
      job.to->value = *text;
    } else if (const auto* items = std::get_if<YamlSequence>(&from)) {
      // Sized before any element is filled, so the element addresses stay put.
      auto& array = job.to->value.emplace<parser::JsonArray>(items->size());
      for (std::size_t i = 0; i < items->size(); ++i) jobs.push_back({&(*items)[i], &array[i]});
    } else if (const auto* entries = std::get_if<YamlMapping>(&from)) {
      auto& object = job.to->value.emplace<parser::JsonObject>();
      // From the last entry back: of two keys with the same text the later one, met
      // first, keeps the slot.
      for (auto it = entries->rbegin(); it != entries->rend(); ++it) {
        std::optional<std::string> key = json_key(it->key);
        if (!key) return std::nullopt;
        auto [slot, inserted] = object.try_emplace(std::move(*key));
        jobs.push_back({&it->value, inserted ? &slot->second : &overridden.emplace_back()});
      }
    } else if (const auto* tagged = std::get_if<YamlTagged>(&from)) {
      auto& object = job.to->value.emplace<parser::JsonObject>();
      auto [slot, inserted] = object.try_emplace("!" + tagged->name);
      jobs.push_back({&*tagged->inner, &slot->second});
    }
  }
  return result;
}

std::optional<parser::RenderHints> convert_render_hints(const std::optional<YamlValue>& value) {
  if (!value || value->is_null()) return std::nullopt;
  std::optional<parser::JsonValue> json = yaml_to_json(*value);
  if (!json) return std::nullopt;
  auto* object = std::get_if<parser::JsonObject>(&json->value);
  if (object == nullptr) return std::nullopt;
  return std::move(*object);
}

std::optional<parser::RenderHints> render_hints_with(const std::optional<YamlValue>& value,
                                                     std::string_view key,
                                                     const std::optional<std::string>& text) {
  parser::RenderHints hints = convert_render_hints(value).value_or(parser::RenderHints{});
  if (text) hints.insert_or_assign(std::string(key), parser::JsonValue(*text));
  if (hints.empty()) return std::nullopt;
  return hints;
}

}  // namespace lorvane::inject
