#include "inject/yaml_keys.hpp"

#include <chrono>
#include <cmath>
#include <cstring>
#include <unordered_map>

namespace lorvane::inject {
namespace {

std::uint64_t mix(std::uint64_t x) {
  x ^= x >> 30;
  x *= 0xBF58476D1CE4E5B9ull;
  x ^= x >> 27;
  x *= 0x94D049BB133111EBull;
  x ^= x >> 31;
  return x;
}

// Chosen once per process from the clock and an address: the hashes differ between runs,
// the results never do.
std::uint64_t hash_seed() {
  static const std::uint64_t seed = [] {
    const int local = 0;
    const auto now =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    return mix(now ^ mix(reinterpret_cast<std::uintptr_t>(&local)));
  }();
  return seed;
}

std::uint64_t hash_bytes(std::string_view s, std::uint64_t seed) {
  std::uint64_t h = mix(seed ^ s.size());
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, s.data() + i, 8);
    h = mix(h ^ word);
  }
  std::uint64_t tail = 0;
  for (std::size_t shift = 0; i < s.size(); ++i, shift += 8) {
    tail |= std::uint64_t(static_cast<unsigned char>(s[i])) << shift;
  }
  return mix(h ^ tail);
}

enum : std::uint64_t {
  kNullSeed = 0x1001,
  kBoolSeed = 0x2002,
  kIntSeed = 0x3003,
  kFloatSeed = 0x4004,
  kTextSeed = 0x5005,
  kSequenceSeed = 0x6006,
  kMappingSeed = 0x7007,
  kTaggedSeed = 0x8008,
};

std::uint64_t hash_value(const YamlValue& value, std::uint64_t seed);

struct HashVisitor {
  std::uint64_t seed;

  std::uint64_t leaf(std::uint64_t kind, std::uint64_t bits) const {
    return mix(mix(seed ^ kind) ^ mix(bits + seed));
  }
  std::uint64_t operator()(std::nullptr_t) const { return leaf(kNullSeed, 0); }
  std::uint64_t operator()(bool b) const { return leaf(kBoolSeed, b ? 1 : 0); }
  std::uint64_t operator()(std::uint64_t v) const { return leaf(kIntSeed, v); }
  std::uint64_t operator()(std::int64_t v) const {
    // A non-negative value in the negative form is the same integer as the unsigned one.
    const auto bits = static_cast<std::uint64_t>(v);
    return v >= 0 ? leaf(kIntSeed, bits) : leaf(kIntSeed + 1, bits);
  }
  std::uint64_t operator()(double v) const {
    if (std::isnan(v)) return leaf(kFloatSeed, 0);
    if (v == 0) v = 0;  // -0.0 equals 0.0
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return leaf(kFloatSeed + 1, bits);
  }
  std::uint64_t operator()(const std::string& s) const {
    return leaf(kTextSeed, hash_bytes(s, seed));
  }
  std::uint64_t operator()(const YamlSequence& seq) const {
    std::uint64_t h = leaf(kSequenceSeed, seq.size());
    for (const YamlValue& element : seq) h = mix(h * 31 + hash_value(element, seed));
    return h;
  }
  std::uint64_t operator()(const YamlMapping& map) const {
    std::uint64_t sum = 0;  // order does not matter
    for (const YamlEntry& entry : map) {
      sum += mix(hash_value(entry.key, seed) ^ mix(hash_value(entry.value, seed) + kMappingSeed));
    }
    return leaf(kMappingSeed, mix(sum) ^ map.size());
  }
  std::uint64_t operator()(const YamlTagged& tagged) const {
    return leaf(kTaggedSeed, hash_bytes(tagged.name, seed) ^ mix(hash_value(*tagged.inner, seed)));
  }
};

std::uint64_t hash_value(const YamlValue& value, std::uint64_t seed) {
  return std::visit(HashVisitor{seed}, value.value);
}

bool values_equal(const YamlValue& a, const YamlValue& b);

bool ints_equal(std::uint64_t a, std::int64_t b) {
  return b >= 0 && static_cast<std::uint64_t>(b) == a;
}

// Mappings are equal when they hold equal entries, in any order.
bool mappings_equal(const YamlMapping& a, const YamlMapping& b) {
  if (a.size() != b.size()) return false;
  std::size_t first_mismatch = a.size();
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!values_equal(a[i].key, b[i].key)) {
      first_mismatch = i;
      break;
    }
    // Keys are unique in a mapping, so a[i].key can match no other entry of b.
    if (!values_equal(a[i].value, b[i].value)) return false;
  }
  if (first_mismatch == a.size()) return true;
  // Another order: look each remaining entry of `a` up among those of `b` by key hash.
  const std::uint64_t seed = hash_seed();
  std::unordered_multimap<std::uint64_t, std::size_t> index;
  index.reserve(b.size() - first_mismatch);
  for (std::size_t j = first_mismatch; j < b.size(); ++j) {
    index.emplace(hash_value(b[j].key, seed), j);
  }
  for (std::size_t i = first_mismatch; i < a.size(); ++i) {
    const auto range = index.equal_range(hash_value(a[i].key, seed));
    const YamlValue* value = nullptr;
    for (auto it = range.first; it != range.second && value == nullptr; ++it) {
      if (values_equal(b[it->second].key, a[i].key)) value = &b[it->second].value;
    }
    if (value == nullptr || !values_equal(a[i].value, *value)) return false;
  }
  return true;
}

bool values_equal(const YamlValue& a, const YamlValue& b) {
  const auto& x = a.value;
  const auto& y = b.value;
  if (const auto* u = std::get_if<std::uint64_t>(&x)) {
    if (const auto* v = std::get_if<std::uint64_t>(&y)) return *u == *v;
    if (const auto* v = std::get_if<std::int64_t>(&y)) return ints_equal(*u, *v);
    return false;
  }
  if (const auto* u = std::get_if<std::int64_t>(&x)) {
    if (const auto* v = std::get_if<std::int64_t>(&y)) return *u == *v;
    if (const auto* v = std::get_if<std::uint64_t>(&y)) return ints_equal(*v, *u);
    return false;
  }
  if (x.index() != y.index()) return false;
  if (const auto* u = std::get_if<bool>(&x)) return *u == std::get<bool>(y);
  if (const auto* u = std::get_if<double>(&x)) {
    const double v = std::get<double>(y);
    return (std::isnan(*u) && std::isnan(v)) || *u == v;
  }
  if (const auto* u = std::get_if<std::string>(&x)) return *u == std::get<std::string>(y);
  if (const auto* u = std::get_if<YamlSequence>(&x)) {
    const auto& v = std::get<YamlSequence>(y);
    if (u->size() != v.size()) return false;
    for (std::size_t i = 0; i < u->size(); ++i) {
      if (!values_equal((*u)[i], v[i])) return false;
    }
    return true;
  }
  if (const auto* u = std::get_if<YamlMapping>(&x)) {
    return mappings_equal(*u, std::get<YamlMapping>(y));
  }
  if (const auto* u = std::get_if<YamlTagged>(&x)) {
    const auto& v = std::get<YamlTagged>(y);
    return u->name == v.name && values_equal(*u->inner, *v.inner);
  }
  return true;  // both null
}

}  // namespace

std::uint64_t hash_yaml_key(const YamlValue& key) { return hash_value(key, hash_seed()); }

std::uint64_t hash_yaml_text(std::string_view text) { return hash_bytes(text, hash_seed()); }

bool yaml_keys_equal(const YamlValue& a, const YamlValue& b) { return values_equal(a, b); }

bool YamlKeyIndex::contains(const YamlMapping& entries, const YamlValue& key,
                            std::uint64_t hash) const {
  if (table_.empty()) {
    for (std::size_t i = 0; i < hashes_.size(); ++i) {
      if (hashes_[i] == hash && yaml_keys_equal(entries[i].key, key)) return true;
    }
    return false;
  }
  const std::size_t mask = table_.size() - 1;
  for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    const std::size_t stored = table_[slot];
    if (stored == 0) return false;
    if (hashes_[stored - 1] == hash && yaml_keys_equal(entries[stored - 1].key, key)) return true;
  }
}

void YamlKeyIndex::add(std::uint64_t hash) {
  hashes_.push_back(hash);
  if (table_.empty()) {
    if (hashes_.size() > kScanLimit) rebuild(64);
    return;
  }
  if (hashes_.size() * 2 > table_.size()) {
    rebuild(table_.size() * 2);
    return;
  }
  place(hashes_.size() - 1);
}

void YamlKeyIndex::rebuild(std::size_t size) {
  table_.assign(size, 0);
  for (std::size_t i = 0; i < hashes_.size(); ++i) place(i);
}

void YamlKeyIndex::place(std::size_t index) {
  const std::size_t mask = table_.size() - 1;
  std::size_t slot = hashes_[index] & mask;
  while (table_[slot] != 0) slot = (slot + 1) & mask;
  table_[slot] = index + 1;
}

}  // namespace lorvane::inject
