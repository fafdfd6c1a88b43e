#include "inject/yaml_value.hpp"

#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "inject/yaml_events.hpp"
#include "inject/yaml_scalar.hpp"

namespace lorvane::inject {
namespace {

// ---------------------------------------------------------------------------------------
// Key hashing and equality. The hash agrees with `yaml_keys_equal`: integers by value
// across both forms, every NaN alike, 0.0 and -0.0 alike, mappings regardless of entry
// order.

std::uint64_t mix(std::uint64_t x) {
  x ^= x >> 30;
  x *= 0xBF58476D1CE4E5B9ull;
  x ^= x >> 27;
  x *= 0x94D049BB133111EBull;
  x ^= x >> 31;
  return x;
}

// Hashes start from a seed chosen once per process, so that no text can be written to
// make many different keys meet in one slot of the duplicate test (the results never
// depend on the seed, only the time does).
std::uint64_t hash_seed() {
  static const std::uint64_t seed = [] {
    const int local = 0;
    const auto now = static_cast<std::uint64_t>(
        std::chrono::steady_clock::now().time_since_epoch().count());
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

// The keys of one mapping being built, for the duplicate test: a scan while the mapping
// is small, an open-addressing table of entry indexes once it grows.
class KeyIndex {
 public:
  void reset() {
    hashes_.clear();
    table_.clear();
  }

  /// Whether `entries` holds a key equal to `key`. REQUIRES: every key of `entries` was
  /// added, in order.
  bool contains(const YamlMapping& entries, const YamlValue& key, std::uint64_t hash) const {
    if (table_.empty()) {
      for (std::size_t i = 0; i < hashes_.size(); ++i) {
        if (hashes_[i] == hash && values_equal(entries[i].key, key)) return true;
      }
      return false;
    }
    const std::size_t mask = table_.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
      const std::size_t stored = table_[slot];
      if (stored == 0) return false;
      if (hashes_[stored - 1] == hash && values_equal(entries[stored - 1].key, key)) return true;
    }
  }

  /// Records the key of the entry added last.
  void add(std::uint64_t hash) {
    hashes_.push_back(hash);
    if (table_.empty()) {
      if (hashes_.size() <= kScanLimit) return;
      rebuild(64);
      return;
    }
    if (hashes_.size() * 2 > table_.size()) {
      rebuild(table_.size() * 2);
      return;
    }
    place(hashes_.size() - 1);
  }

 private:
  static constexpr std::size_t kScanLimit = 16;

  void rebuild(std::size_t size) {
    table_.assign(size, 0);
    for (std::size_t i = 0; i < hashes_.size(); ++i) place(i);
  }
  void place(std::size_t index) {
    const std::size_t mask = table_.size() - 1;
    std::size_t slot = hashes_[index] & mask;
    while (table_[slot] != 0) slot = (slot + 1) & mask;
    table_[slot] = index + 1;
  }

  std::vector<std::uint64_t> hashes_;
  std::vector<std::size_t> table_;  // entry index + 1; 0 is an empty slot
};

// ---------------------------------------------------------------------------------------
// Building the tree from the collected events.

std::string duplicate_key_message(const YamlValue& key) {
  std::string out = "duplicate entry ";
  std::visit(
      [&out](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::nullptr_t>) {
          out += "with null key";
        } else if constexpr (std::is_same_v<T, bool>) {
          out += v ? "with key `true`" : "with key `false`";
        } else if constexpr (std::is_same_v<T, std::uint64_t> || std::is_same_v<T, std::int64_t>) {
          out += "with key ";
          out += std::to_string(v);
        } else if constexpr (std::is_same_v<T, double>) {
          out += "with key ";
          append_float_shortest(out, v);
        } else if constexpr (std::is_same_v<T, std::string>) {
          out += "with key ";
          append_quoted_text(out, v);
        } else {
          out += "in YAML map";
        }
      },
      key.value);
  return out;
}

std::string invalid_value_message(std::string_view text, const char* expected) {
  std::string out = "invalid value: string ";
  append_quoted_text(out, text);
  out += ", expected ";
  out += expected;
  return out;
}

std::string wide_int_message(const YamlInt& wide) {
  std::string out = "invalid type: integer `";
  out += wide.decimal;
  out += wide.kind == YamlInt::Kind::kWideUnsigned ? "` as u128" : "` as i128";
  out += ", expected any YAML value";
  return out;
}

// How a node sits in its parent, for the node paths of messages.
struct PathStep {
  enum class Kind : std::uint8_t {
    kRoot,
    kIndex,    ///< sequence element `data`
    kKey,      ///< mapping value whose key is the scalar event `data`
    kUnknown,  ///< mapping value whose key is no scalar (a collection or an alias)
    kSame,     ///< a mapping key: it has the mapping's own path
  };
  Kind kind = Kind::kRoot;
  std::uint64_t data = 0;
};

constexpr std::size_t kNoResume = std::numeric_limits<std::size_t>::max();

struct Frame {
  bool is_mapping = false;
  std::size_t start = 0;          // the start event
  std::size_t resume = kNoResume;  // entered through an alias: where reading goes on after
  PathStep step;
  bool has_key = false;  // mapping: a key is placed and its value comes next
  PathStep key_step;     // mapping: the step of the value of the key being read
  YamlSequence sequence;
  YamlMapping mapping;
  KeyIndex keys;
};

class Builder {
 public:
  Builder(const YamlEvents& doc, std::size_t text_size)
      : doc_(doc),
        events_(doc.events),
        expansion_limit_(100 * static_cast<std::uint64_t>(events_.size())),
        value_limit_(1'000'000 + 10 * static_cast<std::uint64_t>(events_.size())),
        copy_limit_(1'000'000 + 10 * static_cast<std::uint64_t>(text_size)) {}

  Result<YamlValue> build();

 private:
  Error repetition_error() const { return Error("repetition limit exceeded"); }
  PathStep child_step(const YamlEvent& event);
  std::string path_text(const PathStep* last) const;
  Error node_error(const std::string& message, const PathStep* last, YamlMark mark) const;
  Result<YamlValue> build_scalar(const YamlEvent& event, const PathStep& step, bool copied);
  Result<YamlValue> resolve_plain(std::string_view text, const PathStep& step, YamlMark mark);
  Status open_frame(std::size_t start, const PathStep& step, std::size_t resume);
  // Puts a finished node into the innermost frame; `done` when it was the root.
  Status deliver(YamlValue value, bool& done);
  Status count_value() {
    if (++values_ > value_limit_) return repetition_error();
    return {};
  }
  Status count_copy(std::size_t bytes) {
    copied_bytes_ += bytes;
    if (copied_bytes_ > copy_limit_) return repetition_error();
    return {};
  }

  const YamlEvents& doc_;
  const std::vector<YamlEvent>& events_;
  std::size_t pos_ = 0;
  std::vector<Frame> frames_;  // reused, frames_[0..depth_) are open
  std::size_t depth_ = 0;
  std::size_t copying_ = 0;  // open frames entered through an alias
  YamlValue root_;
  // Every alias expansion counts against the first limit. Since one expansion copies a
  // whole node, the values built (copies included) and the text bytes copied are bounded
  // too, so that no text makes the tree grow beyond a fixed multiple of its size.
  std::uint64_t expansions_ = 0;
  const std::uint64_t expansion_limit_;
  std::uint64_t values_ = 0;
  const std::uint64_t value_limit_;
  std::uint64_t copied_bytes_ = 0;
  const std::uint64_t copy_limit_;
};

PathStep Builder::child_step(const YamlEvent& event) {
  if (depth_ == 0) return {};
  Frame& top = frames_[depth_ - 1];
  if (!top.is_mapping) return {PathStep::Kind::kIndex, top.sequence.size()};
  if (top.has_key) return top.key_step;
  top.key_step = event.kind == YamlEventKind::kScalar ? PathStep{PathStep::Kind::kKey, pos_}
                                                      : PathStep{PathStep::Kind::kUnknown, 0};
  return {PathStep::Kind::kSame, 0};
}

// The path of the innermost open frame, followed by `last` when given: "." for the root,
// a key text, "[i]" for an element, "?" for a value under a key that is no scalar.
std::string Builder::path_text(const PathStep* last) const {
  std::string path;
  bool at_root = true;
  const auto add = [&](const PathStep& step) {
    switch (step.kind) {
      case PathStep::Kind::kRoot:
      case PathStep::Kind::kSame:
        break;
      case PathStep::Kind::kIndex:
        if (at_root) path += '.';
        path += '[';
        path += std::to_string(step.data);
        path += ']';
        at_root = false;
        break;
      case PathStep::Kind::kKey:
      case PathStep::Kind::kUnknown:
        if (!at_root) path += '.';
        if (step.kind == PathStep::Kind::kKey) {
          path += doc_.value(events_[step.data]);
        } else {
          path += '?';
        }
        at_root = false;
        break;
    }
  };
  for (std::size_t i = 0; i < depth_; ++i) add(frames_[i].step);
  if (last != nullptr) add(*last);
  return at_root ? std::string(".") : path;
}

Error Builder::node_error(const std::string& message, const PathStep* last, YamlMark mark) const {
  std::string path = path_text(last);
  if (path == ".") return Error(with_mark(message, mark));
  path += ": ";
  path += message;
  return Error(with_mark(std::move(path), mark));
}

Result<YamlValue> Builder::resolve_plain(std::string_view text, const PathStep& step,
                                         YamlMark mark) {
  if (text.empty() || is_yaml_null(text)) return YamlValue();
  if (const auto boolean = parse_yaml_bool(text)) return YamlValue(*boolean);
  const YamlInt number = parse_yaml_int(text);
  switch (number.kind) {
    case YamlInt::Kind::kUnsigned:
      return YamlValue(number.unsigned_value);
    case YamlInt::Kind::kNegative:
      return YamlValue(number.negative_value);
    case YamlInt::Kind::kWideUnsigned:
    case YamlInt::Kind::kWideNegative:
      return node_error(wide_int_message(number), &step, mark);
    case YamlInt::Kind::kNone:
      break;
  }
  if (!is_leading_zero_decimal(text)) {
    if (const auto real = parse_yaml_float(text)) return YamlValue(*real);
  }
  return YamlValue(std::string(text));
}

Result<YamlValue> Builder::build_scalar(const YamlEvent& event, const PathStep& step,
                                        bool copied) {
  if (Status counted = count_value(); !counted.ok()) return std::move(counted).error();
  const std::string_view text = doc_.value(event);
  if (copied) {
    if (Status counted = count_copy(text.size() + event.tag_size); !counted.ok()) {
      return std::move(counted).error();
    }
  }
  switch (event.tag) {
    case YamlTagKind::kLocal: {
      Result<YamlValue> inner =
          event.plain ? resolve_plain(text, step, event.mark) : YamlValue(std::string(text));
      if (!inner.ok()) return inner;
      return YamlValue(
          YamlTagged{std::string(doc_.tag_name(event)), Boxed<YamlValue>(std::move(*inner))});
    }
    case YamlTagKind::kBool:
      if (const auto boolean = parse_yaml_bool(text)) return YamlValue(*boolean);
      return node_error(invalid_value_message(text, "a boolean"), &step, event.mark);
    case YamlTagKind::kInt: {
      const YamlInt number = parse_yaml_int(text);
      switch (number.kind) {
        case YamlInt::Kind::kUnsigned:
          return YamlValue(number.unsigned_value);
        case YamlInt::Kind::kNegative:
          return YamlValue(number.negative_value);
        case YamlInt::Kind::kWideUnsigned:
        case YamlInt::Kind::kWideNegative:
          return node_error(wide_int_message(number), &step, event.mark);
        case YamlInt::Kind::kNone:
          break;
      }
      return node_error(invalid_value_message(text, "an integer"), &step, event.mark);
    }
    case YamlTagKind::kFloat:
      if (const auto real = parse_yaml_float(text)) return YamlValue(*real);
      return node_error(invalid_value_message(text, "a float"), &step, event.mark);
    case YamlTagKind::kNull:
      if (is_yaml_null(text)) return YamlValue();
      return node_error(invalid_value_message(text, "null"), &step, event.mark);
    case YamlTagKind::kOther:
      return YamlValue(std::string(text));
    case YamlTagKind::kNone:
      break;
  }
  if (event.plain) return resolve_plain(text, step, event.mark);
  return YamlValue(std::string(text));
}

Status Builder::open_frame(std::size_t start, const PathStep& step, std::size_t resume) {
  const YamlEvent& event = events_[start];
  if (depth_ == kYamlNestingLimit) return Error(with_mark("recursion limit exceeded", event.mark));
  if (Status counted = count_value(); !counted.ok()) return counted;
  const bool copied = resume != kNoResume || copying_ > 0;
  if (copied) {
    if (Status counted = count_copy(event.tag_size); !counted.ok()) return counted;
  }
  if (frames_.size() == depth_) frames_.emplace_back();
  Frame& frame = frames_[depth_++];
  frame.is_mapping = event.kind == YamlEventKind::kMappingStart;
  frame.start = start;
  frame.resume = resume;
  frame.step = step;
  frame.has_key = false;
  frame.sequence.clear();
  frame.mapping.clear();
  frame.keys.reset();
  // The exact size is known from the events. Copies grow as they are built instead, so
  // that their memory stays within what the value limit counts.
  if (!copied) {
    if (frame.is_mapping) {
      frame.mapping.reserve((event.size + 1) / 2);
    } else {
      frame.sequence.reserve(event.size);
    }
  }
  if (resume != kNoResume) ++copying_;
  return {};
}

Status Builder::deliver(YamlValue value, bool& done) {
  if (depth_ == 0) {
    root_ = std::move(value);
    done = true;
    return {};
  }
  Frame& top = frames_[depth_ - 1];
  if (!top.is_mapping) {
    top.sequence.push_back(std::move(value));
    return {};
  }
  if (top.has_key) {
    top.mapping.back().value = std::move(value);
    top.has_key = false;
    return {};
  }
  const std::uint64_t hash = hash_value(value, hash_seed());
  if (top.keys.contains(top.mapping, value, hash)) {
    return node_error(duplicate_key_message(value), nullptr, events_[top.start].mark);
  }
  top.mapping.push_back(YamlEntry{std::move(value), YamlValue()});
  top.keys.add(hash);
  top.has_key = true;
  return {};
}

Result<YamlValue> Builder::build() {
  bool done = false;
  while (!done) {
    if (pos_ >= events_.size()) {
      if (doc_.error) return *doc_.error;
      return Error("EOF while parsing a value");
    }
    const YamlEvent& event = events_[pos_];
    if (event.kind == YamlEventKind::kSequenceEnd || event.kind == YamlEventKind::kMappingEnd) {
      Frame& frame = frames_[depth_ - 1];
      YamlValue value = frame.is_mapping ? YamlValue(std::move(frame.mapping))
                                         : YamlValue(std::move(frame.sequence));
      const YamlEvent& start = events_[frame.start];
      if (start.tag == YamlTagKind::kLocal) {
        value = YamlTagged{std::string(doc_.tag_name(start)), Boxed<YamlValue>(std::move(value))};
      }
      if (frame.resume != kNoResume) {
        pos_ = frame.resume;
        --copying_;
      } else {
        ++pos_;
      }
      --depth_;
      if (Status delivered = deliver(std::move(value), done); !delivered.ok()) {
        return std::move(delivered).error();
      }
      continue;
    }

    const PathStep step = child_step(event);
    std::size_t node = pos_;
    std::size_t resume = kNoResume;
    if (event.kind == YamlEventKind::kAlias) {
      if (++expansions_ > expansion_limit_) return repetition_error();
      node = static_cast<std::size_t>(event.size);
      resume = pos_ + 1;
    }
    const YamlEvent& target = events_[node];
    switch (target.kind) {
      case YamlEventKind::kSequenceStart:
      case YamlEventKind::kMappingStart:
        if (Status opened = open_frame(node, step, resume); !opened.ok()) {
          return std::move(opened).error();
        }
        pos_ = node + 1;
        continue;
      case YamlEventKind::kScalar: {
        Result<YamlValue> scalar = build_scalar(target, step, resume != kNoResume || copying_ > 0);
        if (!scalar.ok()) return scalar;
        pos_ = resume != kNoResume ? resume : pos_ + 1;
        if (Status delivered = deliver(std::move(*scalar), done); !delivered.ok()) {
          return std::move(delivered).error();
        }
        continue;
      }
      case YamlEventKind::kEmpty:
        ++pos_;
        if (Status delivered = deliver(YamlValue(), done); !delivered.ok()) {
          return std::move(delivered).error();
        }
        continue;
      default:
        // An alias always names a scalar or a collection start, and ends close frames.
        return Error("EOF while parsing a value");
    }
  }
  return std::move(root_);
}

}  // namespace

Result<YamlValue> yaml_from_str_value(std::string_view text) {
  YamlEventReader reader(text);
  const YamlEvents doc = reader.read_first_document();
  Result<YamlValue> value = Builder(doc, text.size()).build();
  if (!value.ok()) return value;
  if (doc.error) return *doc.error;
  if (reader.has_more_documents()) {
    return Error("deserializing from YAML containing more than one document is not supported");
  }
  return value;
}

const YamlValue& yaml_value_untag(const YamlValue& value) {
  const YamlValue* current = &value;
  while (const auto* tagged = current->get_if<YamlTagged>()) current = &*tagged->inner;
  return *current;
}

const YamlValue* yaml_value_get(const YamlValue& value, std::string_view key) {
  const auto* mapping = yaml_value_untag(value).get_if<YamlMapping>();
  if (mapping == nullptr) return nullptr;
  for (const YamlEntry& entry : *mapping) {
    const auto* text = entry.key.get_if<std::string>();
    if (text != nullptr && *text == key) return &entry.value;
  }
  return nullptr;
}

bool yaml_keys_equal(const YamlValue& a, const YamlValue& b) { return values_equal(a, b); }

std::string describe_yaml_value(const YamlValue& value) {
  std::string out;
  std::visit(
      [&out](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::nullptr_t>) {
          out = "unit value";
        } else if constexpr (std::is_same_v<T, bool>) {
          out = v ? "boolean `true`" : "boolean `false`";
        } else if constexpr (std::is_same_v<T, std::uint64_t> || std::is_same_v<T, std::int64_t>) {
          out = "integer `";
          out += std::to_string(v);
          out += '`';
        } else if constexpr (std::is_same_v<T, double>) {
          out = "floating point `";
          append_float_plain(out, v);
          out += '`';
        } else if constexpr (std::is_same_v<T, std::string>) {
          out = "string ";
          append_quoted_text(out, v);
        } else if constexpr (std::is_same_v<T, YamlSequence>) {
          out = "sequence";
        } else if constexpr (std::is_same_v<T, YamlMapping>) {
          out = "map";
        } else {
          // Callers untag first; describe what the tag wraps all the same.
          out = describe_yaml_value(yaml_value_untag(*v.inner));
        }
      },
      value.value);
  return out;
}

}  // namespace lorvane::inject
