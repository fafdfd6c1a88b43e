#include "inject/sidecar_entries.hpp"

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

// "invalid {what}: {value}, expected {expected}", the loader's family of kind errors.
Error invalid(std::string_view what, const YamlValue& value, std::string_view expected) {
  std::string message = "invalid ";
  message += what;
  message += ": ";
  message += describe_yaml_value(yaml_value_untag(value));
  message += ", expected ";
  message += expected;
  return Error(std::move(message));
}

Error invalid_type(const YamlValue& value, std::string_view expected) {
  return invalid("type", value, expected);
}

// "{problem} `{name}`": "missing field `type`", "duplicate field `text`".
Error field_error(std::string_view problem, std::string_view name) {
  std::string message(problem);
  message += " `";
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

Result<bool> read_bool(const YamlValue& value) {
  const YamlValue& untagged = yaml_value_untag(value);
  if (const auto* flag = untagged.get_if<bool>()) return *flag;
  return invalid_type(untagged, "a boolean");
}

Result<std::uint64_t> read_usize(const YamlValue& value) {
  const YamlValue& untagged = yaml_value_untag(value);
  if (const auto* number = untagged.get_if<std::uint64_t>()) return *number;
  if (untagged.get_if<std::int64_t>()) return invalid("value", untagged, "usize");
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

Result<std::vector<std::string>> read_text_sequence(const YamlValue& value) {
  const YamlValue& untagged = yaml_value_untag(value);
  const auto* items = untagged.get_if<YamlSequence>();
  if (!items) return invalid_type(untagged, "a sequence");
  return read_text_list(*items);
}

// A sequence of rows, each a sequence of texts; a null row is a row without cells.
Result<std::vector<std::vector<std::string>>> read_rows(const YamlValue& value) {
  const YamlValue& untagged = yaml_value_untag(value);
  const auto* rows = untagged.get_if<YamlSequence>();
  if (!rows) return invalid_type(untagged, "a sequence");
  std::vector<std::vector<std::string>> result;
  result.reserve(rows->size());
  for (const YamlValue& row : *rows) {
    if (yaml_value_untag(row).is_null()) {
      result.emplace_back();
      continue;
    }
    auto cells = read_text_sequence(row);
    if (!cells) return std::move(cells).error();
    result.push_back(std::move(cells).value());
  }
  return result;
}

// Sets `out` to what `read` makes of `value`; on an error `out` is not changed.
template <typename Out, typename Read>
Status read_into(const YamlValue& value, Out& out, Read read) {
  auto read_value = read(value);
  if (!read_value) return std::move(read_value).error();
  out = std::move(read_value).value();
  return {};
}

// An optional field is absent when its value is null as loaded (a tagged null is not
// absent: `read` then meets it), else what `read` makes of it.
template <typename T, typename Read>
Status read_optional(const YamlValue& value, std::optional<T>& out, Read read) {
  out.reset();
  if (value.is_null()) return {};
  return read_into(value, out, read);
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
      return read_optional(value, injection.id, read_text);
    case InjectionField::kType:
      return read_into(value, injection.type, read_text);
    case InjectionField::kLevel:
      return read_optional(value, injection.level, read_text);
    case InjectionField::kTitle:
      return read_optional(value, injection.title, read_text);
    case InjectionField::kText:
      return read_optional(value, injection.text, read_text);
    case InjectionField::kSrc:
      return read_optional(value, injection.src, read_text);
    case InjectionField::kAlt:
      return read_optional(value, injection.alt, read_text);
    case InjectionField::kCaption:
      return read_optional(value, injection.caption, read_text);
    case InjectionField::kWidth:
      return read_optional(value, injection.width, read_text);
    case InjectionField::kAlignment:
      return read_optional(value, injection.alignment, read_text);
    case InjectionField::kLanguage:
      return read_optional(value, injection.language, read_text);
    case InjectionField::kCode:
      return read_optional(value, injection.code, read_text);
    case InjectionField::kContent:
      return read_optional(value, injection.content, read_text);
    case InjectionField::kHeaders:
      return read_optional(value, injection.headers, read_text_sequence);
    case InjectionField::kRows:
      return read_optional(value, injection.rows, read_rows);
    case InjectionField::kCsv:
      return read_optional(value, injection.csv, read_text);
    case InjectionField::kDataSource:
      return read_optional(value, injection.data_source, read_text);
    case InjectionField::kColumns:
      return read_optional(value, injection.columns, read_text_sequence);
    case InjectionField::kRenderHints:
      if (value.is_null())
        injection.render_hints.reset();
      else
        injection.render_hints = value;
      return {};
    case InjectionField::kTarget:
      return read_into(value, injection.target, deserialize_target_spec);
  }
  return {};
}

Status read_target_field(TargetField field, const YamlValue& value, TargetSpec& target) {
  switch (field) {
    case TargetField::kSection:
      return read_into(value, target.section, read_text);
    case TargetField::kPrepend:
      return read_into(value, target.prepend, read_bool);
    case TargetField::kBeforeParagraph:
      return read_optional(value, target.before_paragraph, read_usize);
    case TargetField::kAfterParagraph:
      return read_optional(value, target.after_paragraph, read_usize);
    case TargetField::kAfterList:
      return read_optional(value, target.after_list, read_usize);
    case TargetField::kAfterNote:
      return read_optional(value, target.after_note, read_usize);
    case TargetField::kStartBlock:
      return read_optional(value, target.start_block, read_usize);
    case TargetField::kEndBlock:
      return read_optional(value, target.end_block, read_usize);
    case TargetField::kFromBlock:
      return read_optional(value, target.from_block, read_usize);
    case TargetField::kToBlock:
      return read_optional(value, target.to_block, read_usize);
    case TargetField::kStartNode:
      return read_optional(value, target.start_node, read_usize);
    case TargetField::kEndNode:
      return read_optional(value, target.end_node, read_usize);
    case TargetField::kFromNode:
      return read_optional(value, target.from_node, read_usize);
    case TargetField::kToNode:
      return read_optional(value, target.to_node, read_usize);
    case TargetField::kAfterBlock:
      return read_optional(value, target.after_block, read_usize);
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
    if (seen[bit]) return field_error("duplicate field", injection_field_name(*field));
    seen[bit] = true;
    if (Status read = read_injection_field(*field, entry.value, injection); !read)
      return std::move(read).error();
  }
  if (!seen[static_cast<std::size_t>(InjectionField::kType)])
    return field_error("missing field", "type");
  if (!seen[static_cast<std::size_t>(InjectionField::kTarget)])
    return field_error("missing field", "target");
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
    if (seen[bit]) return field_error("duplicate field", target_field_name(*field));
    seen[bit] = true;
    if (Status read = read_target_field(*field, entry.value, target); !read)
      return std::move(read).error();
  }
  if (!seen[static_cast<std::size_t>(TargetField::kSection)])
    return field_error("missing field", "section");
  for (const auto& [key, held] : unknown)
    target.unknown_keys.insert_or_assign(std::string(key), *held);
  return target;
}

}  // namespace lorvane::inject
