#include "inject/injection_spec.hpp"

#include <array>
#include <bitset>
#include <utility>

namespace lorvane::inject {
namespace {

constexpr std::array<std::string_view, 20> kInjectionKeys = {
    "id",      "type",  "level",       "title",    "text",         "src",     "alt",
    "caption", "width", "alignment",   "language", "code",         "content", "headers",
    "rows",    "csv",   "data_source", "columns",  "render_hints", "target"};

constexpr std::array<std::string_view, 15> kTargetKeys = {
    "section",    "prepend",     "before_paragraph", "after_paragraph", "after_list",
    "after_note", "start_block", "end_block",        "from_block",      "to_block",
    "start_node", "end_node",    "from_node",        "to_node",         "after_block"};

Error invalid_type(const YamlValue& value, std::string_view expected) {
  std::string message = "invalid type: ";
  message += describe_yaml_value(yaml_value_untag(value));
  message += ", expected ";
  message += expected;
  return Error(std::move(message));
}

Error invalid_value(const YamlValue& value, std::string_view expected) {
  std::string message = "invalid value: ";
  message += describe_yaml_value(yaml_value_untag(value));
  message += ", expected ";
  message += expected;
  return Error(std::move(message));
}

Error missing_field(std::string_view name) {
  std::string message = "missing field `";
  message += name;
  message += '`';
  return Error(std::move(message));
}

Error duplicate_field(std::string_view name) {
  std::string message = "duplicate field `";
  message += name;
  message += '`';
  return Error(std::move(message));
}

// The entries of a record value: tags taken off, null read as no entries, anything but a
// mapping an error naming `expected` ("struct InjectionSpec").
Result<const YamlMapping*> record_entries(const YamlValue& value, std::string_view expected) {
  static const YamlMapping kNoEntries;
  const YamlValue& untagged = yaml_value_untag(value);
  if (untagged.is_null()) return &kNoEntries;
  if (const auto* mapping = untagged.get_if<YamlMapping>()) return mapping;
  return invalid_type(untagged, expected);
}

// A record key must be a text once its tags are off, even when it names no field.
Result<std::string_view> record_key(const YamlValue& key) {
  const YamlValue& untagged = yaml_value_untag(key);
  if (const auto* text = untagged.get_if<std::string>()) return std::string_view(*text);
  return invalid_type(untagged, "field identifier");
}

Result<std::string> read_text(const YamlValue& value) {
  const YamlValue& untagged = yaml_value_untag(value);
  if (const auto* text = untagged.get_if<std::string>()) return *text;
  return invalid_type(untagged, "a string");
}

// The optional kinds test for null on the value as loaded: a tagged null is not absent.
Status read_optional_text(const YamlValue& value, std::optional<std::string>& out) {
  out.reset();
  if (value.is_null()) return {};
  auto text = read_text(value);
  if (!text) return std::move(text).error();
  out = std::move(text).value();
  return {};
}

Result<bool> read_bool(const YamlValue& value) {
  const YamlValue& untagged = yaml_value_untag(value);
  if (const auto* flag = untagged.get_if<bool>()) return *flag;
  return invalid_type(untagged, "a boolean");
}

Status read_optional_usize(const YamlValue& value, std::optional<std::uint64_t>& out) {
  out.reset();
  if (value.is_null()) return {};
  const YamlValue& untagged = yaml_value_untag(value);
  if (const auto* number = untagged.get_if<std::uint64_t>()) {
    out = *number;
    return {};
  }
  if (untagged.get_if<std::int64_t>()) return invalid_value(untagged, "usize");
  return invalid_type(untagged, "usize");
}

Result<std::vector<std::string>> read_text_list(const YamlSequence& items) {
  std::vector<std::string> out;
  out.reserve(items.size());
  for (const YamlValue& item : items) {
    auto text = read_text(item);
    if (!text) return std::move(text).error();
    out.push_back(std::move(text).value());
  }
  return out;
}

Status read_optional_text_list(const YamlValue& value,
                               std::optional<std::vector<std::string>>& out) {
  out.reset();
  if (value.is_null()) return {};
  const YamlValue& untagged = yaml_value_untag(value);
  const auto* items = untagged.get_if<YamlSequence>();
  if (!items) return invalid_type(untagged, "a sequence");
  auto list = read_text_list(*items);
  if (!list) return std::move(list).error();
  out = std::move(list).value();
  return {};
}

Status read_optional_rows(const YamlValue& value,
                          std::optional<std::vector<std::vector<std::string>>>& out) {
  out.reset();
  if (value.is_null()) return {};
  const YamlValue& untagged = yaml_value_untag(value);
  const auto* rows = untagged.get_if<YamlSequence>();
  if (!rows) return invalid_type(untagged, "a sequence");
  std::vector<std::vector<std::string>> result;
  result.reserve(rows->size());
  for (const YamlValue& row : *rows) {
    const YamlValue& untagged_row = yaml_value_untag(row);
    if (untagged_row.is_null()) {
      result.emplace_back();
      continue;
    }
    const auto* cells = untagged_row.get_if<YamlSequence>();
    if (!cells) return invalid_type(untagged_row, "a sequence");
    auto list = read_text_list(*cells);
    if (!list) return std::move(list).error();
    result.push_back(std::move(list).value());
  }
  out = std::move(result);
  return {};
}

// Whether `value` is, or holds anywhere (keys included), a tagged value. Walks with an
// explicit stack.
bool holds_tagged_value(const YamlValue& value) {
  std::vector<const YamlValue*> pending{&value};
  while (!pending.empty()) {
    const YamlValue* current = pending.back();
    pending.pop_back();
    if (current->get_if<YamlTagged>()) return true;
    if (const auto* items = current->get_if<YamlSequence>()) {
      for (const YamlValue& item : *items) pending.push_back(&item);
    } else if (const auto* entries = current->get_if<YamlMapping>()) {
      for (const YamlEntry& entry : *entries) {
        pending.push_back(&entry.key);
        pending.push_back(&entry.value);
      }
    }
  }
  return false;
}

Status read_injection_field(InjectionField field, const YamlValue& value,
                            InjectionSpec& injection) {
  switch (field) {
    case InjectionField::kId:
      return read_optional_text(value, injection.id);
    case InjectionField::kType: {
      auto text = read_text(value);
      if (!text) return std::move(text).error();
      injection.type = std::move(text).value();
      return {};
    }
    case InjectionField::kLevel:
      return read_optional_text(value, injection.level);
    case InjectionField::kTitle:
      return read_optional_text(value, injection.title);
    case InjectionField::kText:
      return read_optional_text(value, injection.text);
    case InjectionField::kSrc:
      return read_optional_text(value, injection.src);
    case InjectionField::kAlt:
      return read_optional_text(value, injection.alt);
    case InjectionField::kCaption:
      return read_optional_text(value, injection.caption);
    case InjectionField::kWidth:
      return read_optional_text(value, injection.width);
    case InjectionField::kAlignment:
      return read_optional_text(value, injection.alignment);
    case InjectionField::kLanguage:
      return read_optional_text(value, injection.language);
    case InjectionField::kCode:
      return read_optional_text(value, injection.code);
    case InjectionField::kContent:
      return read_optional_text(value, injection.content);
    case InjectionField::kHeaders:
      return read_optional_text_list(value, injection.headers);
    case InjectionField::kRows:
      return read_optional_rows(value, injection.rows);
    case InjectionField::kCsv:
      return read_optional_text(value, injection.csv);
    case InjectionField::kDataSource:
      return read_optional_text(value, injection.data_source);
    case InjectionField::kColumns:
      return read_optional_text_list(value, injection.columns);
    case InjectionField::kRenderHints:
      if (value.is_null())
        injection.render_hints.reset();
      else
        injection.render_hints = value;
      return {};
    case InjectionField::kTarget: {
      auto target = deserialize_target_spec(value);
      if (!target) return std::move(target).error();
      injection.target = std::move(target).value();
      return {};
    }
  }
  return {};
}

Status read_target_field(TargetField field, const YamlValue& value, TargetSpec& target) {
  switch (field) {
    case TargetField::kSection: {
      auto text = read_text(value);
      if (!text) return std::move(text).error();
      target.section = std::move(text).value();
      return {};
    }
    case TargetField::kPrepend: {
      auto flag = read_bool(value);
      if (!flag) return std::move(flag).error();
      target.prepend = flag.value();
      return {};
    }
    case TargetField::kBeforeParagraph:
      return read_optional_usize(value, target.before_paragraph);
    case TargetField::kAfterParagraph:
      return read_optional_usize(value, target.after_paragraph);
    case TargetField::kAfterList:
      return read_optional_usize(value, target.after_list);
    case TargetField::kAfterNote:
      return read_optional_usize(value, target.after_note);
    case TargetField::kStartBlock:
      return read_optional_usize(value, target.start_block);
    case TargetField::kEndBlock:
      return read_optional_usize(value, target.end_block);
    case TargetField::kFromBlock:
      return read_optional_usize(value, target.from_block);
    case TargetField::kToBlock:
      return read_optional_usize(value, target.to_block);
    case TargetField::kStartNode:
      return read_optional_usize(value, target.start_node);
    case TargetField::kEndNode:
      return read_optional_usize(value, target.end_node);
    case TargetField::kFromNode:
      return read_optional_usize(value, target.from_node);
    case TargetField::kToNode:
      return read_optional_usize(value, target.to_node);
    case TargetField::kAfterBlock:
      return read_optional_usize(value, target.after_block);
  }
  return {};
}

}  // namespace

std::optional<InjectionField> visit_injection_spec_key(std::string_view key) {
  for (std::size_t i = 0; i < kInjectionKeys.size(); ++i)
    if (kInjectionKeys[i] == key) return static_cast<InjectionField>(i);
  return std::nullopt;
}

std::optional<TargetField> visit_target_spec_key(std::string_view key) {
  for (std::size_t i = 0; i < kTargetKeys.size(); ++i)
    if (kTargetKeys[i] == key) return static_cast<TargetField>(i);
  return std::nullopt;
}

std::string_view injection_field_name(InjectionField field) {
  return kInjectionKeys[static_cast<std::size_t>(field)];
}

std::string_view target_field_name(TargetField field) {
  return kTargetKeys[static_cast<std::size_t>(field)];
}

Result<std::vector<InjectionSpec>> read_entry_list(const YamlValue& root, std::string_view key) {
  const YamlValue* list = yaml_value_get(root, key);
  if (!list) {
    if (const YamlValue* structure = yaml_value_get(root, "structure"))
      list = yaml_value_get(*structure, key);
  }
  std::vector<InjectionSpec> entries;
  if (!list) return entries;
  const YamlValue& untagged = yaml_value_untag(*list);
  if (untagged.is_null()) return entries;
  const auto* items = untagged.get_if<YamlSequence>();
  if (!items) return invalid_type(untagged, "a sequence");
  entries.reserve(items->size());
  for (const YamlValue& item : *items) {
    auto entry = deserialize_injection_spec(item);
    if (!entry) return std::move(entry).error();
    entries.push_back(std::move(entry).value());
  }
  return entries;
}

Result<InjectionSpec> deserialize_injection_spec(const YamlValue& value) {
  auto entries = record_entries(value, "struct InjectionSpec");
  if (!entries) return std::move(entries).error();
  InjectionSpec injection;
  std::bitset<kInjectionKeys.size()> seen;
  for (const YamlEntry& entry : *entries.value()) {
    auto key = record_key(entry.key);
    if (!key) return std::move(key).error();
    const std::optional<InjectionField> field = visit_injection_spec_key(key.value());
    if (!field) continue;  // unknown keys of an entry are ignored, values unexamined
    const auto bit = static_cast<std::size_t>(*field);
    if (seen[bit]) return duplicate_field(injection_field_name(*field));
    seen[bit] = true;
    if (Status read = read_injection_field(*field, entry.value, injection); !read)
      return std::move(read).error();
  }
  if (!seen[static_cast<std::size_t>(InjectionField::kType)]) return missing_field("type");
  if (!seen[static_cast<std::size_t>(InjectionField::kTarget)]) return missing_field("target");
  return injection;
}

Result<TargetSpec> deserialize_target_spec(const YamlValue& value) {
  auto entries = record_entries(value, "struct TargetSpec");
  if (!entries) return std::move(entries).error();
  TargetSpec target;
  std::bitset<kTargetKeys.size()> seen;
  std::vector<std::pair<std::string_view, const YamlValue*>> unknown;
  for (const YamlEntry& entry : *entries.value()) {
    auto key = record_key(entry.key);
    if (!key) return std::move(key).error();
    const std::optional<TargetField> field = visit_target_spec_key(key.value());
    if (!field) {
      if (holds_tagged_value(entry.value))
        return Error("untagged and internally tagged enums do not support enum input");
      unknown.emplace_back(key.value(), &entry.value);
      continue;
    }
    const auto bit = static_cast<std::size_t>(*field);
    if (seen[bit]) return duplicate_field(target_field_name(*field));
    seen[bit] = true;
    if (Status read = read_target_field(*field, entry.value, target); !read)
      return std::move(read).error();
  }
  if (!seen[static_cast<std::size_t>(TargetField::kSection)]) return missing_field("section");
  for (const auto& [key, held] : unknown)
    target.unknown_keys.insert_or_assign(std::string(key), *held);
  return target;
}

}  // namespace lorvane::inject
