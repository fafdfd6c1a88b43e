#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "inject/yaml_value.hpp"
#include "parser/error.hpp"

// The entries of a SIDECAR file: every element of its `injections` and `reclassify`
// lists read into one `InjectionSpec` with its `TargetSpec`. Reading checks the kind of
// every known key and nothing else; what the keys mean is up to placement, the builders
// and the merge driver. Errors are single messages without a cause, in the loader's
// "invalid type: {}, expected {}" family; the merge driver adds the context.
namespace lorvane::inject {

/// Where an entry applies: the target section and the selectors that place a node in it
/// or name a block range. Absent selectors are std::nullopt.
struct TargetSpec {
  std::string section;
  bool prepend = false;
  std::optional<std::uint64_t> before_paragraph;
  std::optional<std::uint64_t> after_paragraph;
  std::optional<std::uint64_t> after_list;
  std::optional<std::uint64_t> after_note;
  std::optional<std::uint64_t> start_block;
  std::optional<std::uint64_t> end_block;
  std::optional<std::uint64_t> from_block;
  std::optional<std::uint64_t> to_block;
  std::optional<std::uint64_t> start_node;
  std::optional<std::uint64_t> end_node;
  std::optional<std::uint64_t> from_node;
  std::optional<std::uint64_t> to_node;
  std::optional<std::uint64_t> after_block;
  /// Every other key of the target with its value, keys in byte order. Only the keys
  /// are used (they are reported); no value holds a tagged value anywhere.
  std::map<std::string, YamlValue> unknown_keys;
};

/// One entry of either list. Texts are kept exactly as loaded.
struct InjectionSpec {
  std::optional<std::string> id;
  std::string type;
  std::optional<std::string> level;
  std::optional<std::string> title;
  std::optional<std::string> text;
  std::optional<std::string> src;
  std::optional<std::string> alt;
  std::optional<std::string> caption;
  std::optional<std::string> width;
  std::optional<std::string> alignment;
  std::optional<std::string> language;
  std::optional<std::string> code;
  std::optional<std::string> content;
  std::optional<std::vector<std::string>> headers;
  std::optional<std::vector<std::vector<std::string>>> rows;
  std::optional<std::string> csv;
  std::optional<std::string> data_source;
  std::optional<std::vector<std::string>> columns;
  /// As loaded, tags included; absent when the key is missing or null.
  std::optional<YamlValue> render_hints;
  TargetSpec target;
};

/// The fields of an `InjectionSpec`, in declaration order.
enum class InjectionField {
  kId,
  kType,
  kLevel,
  kTitle,
  kText,
  kSrc,
  kAlt,
  kCaption,
  kWidth,
  kAlignment,
  kLanguage,
  kCode,
  kContent,
  kHeaders,
  kRows,
  kCsv,
  kDataSource,
  kColumns,
  kRenderHints,
  kTarget,
};

/// The fields of a `TargetSpec`, in declaration order.
enum class TargetField {
  kSection,
  kPrepend,
  kBeforeParagraph,
  kAfterParagraph,
  kAfterList,
  kAfterNote,
  kStartBlock,
  kEndBlock,
  kFromBlock,
  kToBlock,
  kStartNode,
  kEndNode,
  kFromNode,
  kToNode,
  kAfterBlock,
};

/// The field that `key` names, matched byte for byte; std::nullopt for any other key
/// (which an entry ignores).
std::optional<InjectionField> visit_injection_spec_key(std::string_view key);

/// The field that `key` names, matched byte for byte; std::nullopt for an unknown key
/// (which a target keeps in `unknown_keys`).
std::optional<TargetField> visit_target_spec_key(std::string_view key);

/// The key text of a field ("type", "after_block").
std::string_view injection_field_name(InjectionField field);
std::string_view target_field_name(TargetField field);

/// The list under `key` at the top level of `root`, else under `root`'s "structure"
/// mapping, else empty. Null gives an empty list; the first faulty element ends it.
Result<std::vector<InjectionSpec>> read_entry_list(const YamlValue& root, std::string_view key);

/// One entry: a mapping (or null, read as an empty one) with at least `type` and
/// `target`. The first faulty key in the order written is reported; missing keys only
/// when every given key was right.
Result<InjectionSpec> deserialize_injection_spec(const YamlValue& value);

/// The value of an entry's `target` key, read like an entry; unknown keys are kept, and
/// fail when their value holds a tagged value.
Result<TargetSpec> deserialize_target_spec(const YamlValue& value);

}  // namespace lorvane::inject
