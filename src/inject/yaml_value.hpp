#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "parser/error.hpp"

// The SIDECAR text loaded as one tree of YAML values (on libyaml's event parser).
// Collections nest at most 128 deep (the loader's nesting budget), so the plain
// recursive copy and destruction of a tree are bounded.
namespace lorvane::inject {

struct YamlValue;
struct YamlEntry;

/// A value behind a pointer with value semantics: copying copies the pointee.
template <typename T>
class Boxed {
 public:
  Boxed(T value) : ptr_(std::make_unique<T>(std::move(value))) {}  // NOLINT
  Boxed(const Boxed& other) : ptr_(std::make_unique<T>(*other.ptr_)) {}
  Boxed(Boxed&&) noexcept = default;
  Boxed& operator=(const Boxed& other) {
    if (this != &other) ptr_ = std::make_unique<T>(*other.ptr_);
    return *this;
  }
  Boxed& operator=(Boxed&&) noexcept = default;
  T& operator*() { return *ptr_; }
  const T& operator*() const { return *ptr_; }
  T* operator->() { return ptr_.get(); }
  const T* operator->() const { return ptr_.get(); }

 private:
  std::unique_ptr<T> ptr_;
};

using YamlSequence = std::vector<YamlValue>;
/// Entries in the order written; keys may be of any kind and are never equal.
using YamlMapping = std::vector<YamlEntry>;

/// A node with a local tag ("!point") or the bare tag ("!"): `name` is the text after
/// the first "!", or "!" itself for the bare tag, so it is never empty.
struct YamlTagged {
  std::string name;
  Boxed<YamlValue> inner;
};

struct YamlValue {
  /// null, boolean, unsigned integer (0..2^64-1, also for -0 and +5), negative integer
  /// (-2^63..-1), float (NaN always the positive quiet NaN), text, sequence, mapping,
  /// tagged.
  using Storage = std::variant<std::nullptr_t, bool, std::uint64_t, std::int64_t, double,
                               std::string, YamlSequence, YamlMapping, YamlTagged>;
  // Default-constructed to the first alternative, null. (An initializer here would make
  // clang instantiate the variant while YamlEntry is still incomplete.)
  Storage value;

  YamlValue() = default;
  template <typename T>
    requires std::is_constructible_v<Storage, T&&>
  YamlValue(T&& v) : value(std::forward<T>(v)) {}  // NOLINT(google-explicit-constructor)

  bool is_null() const { return std::holds_alternative<std::nullptr_t>(value); }
  template <typename T>
  const T* get_if() const {
    return std::get_if<T>(&value);
  }
};

struct YamlEntry {
  YamlValue key;
  YamlValue value;
};

/// Loads exactly one YAML document. The error is a single message (no cause) such as
/// "injections[0]: duplicate entry with key \"type\" at line 3 column 5".
Result<YamlValue> yaml_from_str_value(std::string_view text);

/// The value with every tag wrapper taken off (the innermost inner value).
const YamlValue& yaml_value_untag(const YamlValue& value);

/// The value of the mapping entry whose key is the text `key` (a tagged key never
/// matches), after untagging `value`; nullptr when `value` is no mapping or has no such
/// entry.
const YamlValue* yaml_value_get(const YamlValue& value, std::string_view key);

/// Key equality: same kind and content; integers by value (1 == 0x1), floats by value
/// with every NaN equal, an integer never equal to a float or a text.
bool yaml_keys_equal(const YamlValue& a, const YamlValue& b);

/// The description used in type errors: "unit value", "boolean `true`", "integer `5`",
/// "floating point `2.0`", "string \"a\\\"b\"", "sequence", "map".
/// REQUIRES: `value` is not tagged (callers untag first).
std::string describe_yaml_value(const YamlValue& value);

}  // namespace lorvane::inject
