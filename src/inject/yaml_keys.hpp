#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "inject/yaml_value.hpp"

// Hashing of YAML values as mapping keys and of input texts, and the index of one
// mapping's keys that the loader's duplicate test uses. The key hash agrees with
// `yaml_keys_equal`: integers by value across both forms, every NaN alike, 0.0 and -0.0
// alike, mappings in any entry order.
namespace lorvane::inject {

/// The hash of `key`. Its seed is chosen once per process, so that no text can be
/// written to make many different keys share a hash; results never depend on it.
std::uint64_t hash_yaml_key(const YamlValue& key);

/// The hash of a text from the YAML input, with the same per-process seed, for tables
/// keyed by such texts (anchor names): the standard library's string hash has a fixed
/// seed, so names can be written that all land in one bucket.
std::uint64_t hash_yaml_text(std::string_view text);

/// `hash_yaml_text` as the hash of an unordered container; transparent, so that a
/// `std::string_view` or a C string is looked up without building a `std::string`.
struct YamlTextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const {
    return static_cast<std::size_t>(hash_yaml_text(text));
  }
};

/// The keys of one mapping being built: a scan while the mapping is small, an
/// open-addressing table of entry indexes once it grows, so that each test costs O(1)
/// on average.
class YamlKeyIndex {
 public:
  void reset() {
    hashes_.clear();
    table_.clear();
  }

  /// Whether `entries` holds a key equal to `key`, whose hash is `hash`.
  /// REQUIRES: every key of `entries` was added, in order.
  bool contains(const YamlMapping& entries, const YamlValue& key, std::uint64_t hash) const;

  /// Records the key of the entry added last, whose hash is `hash`.
  void add(std::uint64_t hash);

 private:
  static constexpr std::size_t kScanLimit = 16;

  void rebuild(std::size_t size);
  void place(std::size_t index);

  std::vector<std::uint64_t> hashes_;
  std::vector<std::size_t> table_;  // entry index + 1; 0 is an empty slot
};

}  // namespace lorvane::inject
