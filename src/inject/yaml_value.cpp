#include "inject/yaml_value.hpp"

#include <limits>

#include "inject/yaml_events.hpp"
#include "inject/yaml_keys.hpp"
#include "inject/yaml_scalar.hpp"

namespace lorvane::inject {
namespace {

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
  std::size_t start = 0;           // the start event
  std::size_t resume = kNoResume;  // entered through an alias: where reading goes on after
  PathStep step;
  bool has_key = false;  // mapping: a key is placed and its value comes next
  PathStep key_step;     // mapping: the step of the value of the key being read
  YamlSequence sequence;
  YamlMapping mapping;
  YamlKeyIndex keys;
};

// Builds the value tree from the collected events in reading order, keeping its own stack
// of open collections instead of recursing, so that the first failure in reading order is
// the one reported. An alias is expanded by reading the anchored node's events again at
// the alias's place (tags and scalar rules apply anew), then reading on after the alias.
class Builder {
 public:
  Builder(const YamlEvents& doc, std::size_t text_size)
      : doc_(doc),
        events_(doc.events),
        expansion_limit_(100 * doc.event_count()),
        value_limit_(1'000'000 + 10 * doc.event_count()),
        copy_limit_(1'000'000 + 10 * static_cast<std::uint64_t>(text_size)) {}

  Result<YamlValue> build();

 private:
  Error repetition_error() const { return Error("repetition limit exceeded"); }
  PathStep child_step(const YamlEvent& event);
  std::string path_text(const PathStep* last) const;
  Error node_error(const std::string& message, const PathStep* last, YamlMark mark) const;
  Result<YamlValue> build_scalar(const YamlEvent& event, const PathStep& step, bool copied);
  // The integer of an integer-form text (or the error of one beyond 64 bits); nullopt when
  // the text has no integer form.
  std::optional<Result<YamlValue>> integer_value(std::string_view text, const PathStep& step,
                                                 YamlMark mark);
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
  // too, so that no text makes the tree grow beyond a fixed multiple of its size. The
  // first two rest on the events of the whole document, also those that were only
  // counted past the flow nesting stop (`YamlEvents::event_count`).
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

std::optional<Result<YamlValue>> Builder::integer_value(std::string_view text, const PathStep& step,
                                                        YamlMark mark) {
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
  return std::nullopt;
}

Result<YamlValue> Builder::resolve_plain(std::string_view text, const PathStep& step,
                                         YamlMark mark) {
  if (text.empty() || is_yaml_null(text)) return YamlValue();
  if (const auto boolean = parse_yaml_bool(text)) return YamlValue(*boolean);
  if (auto integer = integer_value(text, step, mark)) return std::move(*integer);
  if (!is_leading_zero_decimal(text)) {
    if (const auto real = parse_yaml_float(text)) return YamlValue(*real);
  }
  return YamlValue(std::string(text));
}

Result<YamlValue> Builder::build_scalar(const YamlEvent& event, const PathStep& step, bool copied) {
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
    case YamlTagKind::kInt:
      if (auto integer = integer_value(text, step, event.mark)) return std::move(*integer);
      return node_error(invalid_value_message(text, "an integer"), &step, event.mark);
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
  const std::uint64_t hash = hash_yaml_key(value);
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
