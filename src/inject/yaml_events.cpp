#include "inject/yaml_events.hpp"

#include <yaml.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "inject/yaml_keys.hpp"
#include "parser/text.hpp"

namespace lorvane::inject {
namespace {

constexpr std::string_view kStandardPrefix = "tag:yaml.org,2002:";
constexpr const char* kTooManyDirectives =
    "more than 32 %TAG directives in one document are not supported";
static_assert(kYamlTagDirectiveLimit == 32, "the message names the limit");

void append_mark(std::string& out, const yaml_mark_t& mark) {
  out += "line ";
  out += std::to_string(mark.line + 1);
  out += " column ";
  out += std::to_string(mark.column + 1);
}

bool is_start(const yaml_mark_t& mark) { return mark.line == 0 && mark.column == 0; }

// libyaml's problem and context with their positions. Its input checks (invalid UTF-8,
// control characters) leave the marks at zero and give a byte offset instead.
std::string libyaml_error_text(const yaml_parser_t& parser) {
  std::string text;
  if (parser.problem != nullptr) {
    text = parser.problem;
  } else {
    text = parser.error == YAML_MEMORY_ERROR ? "out of memory" : "unknown libyaml error";
  }
  if (!is_start(parser.problem_mark)) {
    text += " at ";
    append_mark(text, parser.problem_mark);
  } else if (parser.problem_offset != 0) {
    text += " at position ";
    text += std::to_string(parser.problem_offset);
  }
  if (parser.context != nullptr) {
    text += ", ";
    text += parser.context;
    const bool same = parser.context_mark.line == parser.problem_mark.line &&
                      parser.context_mark.column == parser.problem_mark.column;
    if (!is_start(parser.context_mark) && !same) {
      text += " at ";
      append_mark(text, parser.context_mark);
    }
  }
  return text;
}

YamlTagKind classify_tag(std::string_view tag) {
  if (tag.substr(0, kStandardPrefix.size()) == kStandardPrefix) {
    const std::string_view name = tag.substr(kStandardPrefix.size());
    if (name == "bool") return YamlTagKind::kBool;
    if (name == "int") return YamlTagKind::kInt;
    if (name == "float") return YamlTagKind::kFloat;
    if (name == "null") return YamlTagKind::kNull;
    return YamlTagKind::kOther;
  }
  if (!tag.empty() && tag[0] == '!') return YamlTagKind::kLocal;
  return YamlTagKind::kOther;
}

// Frees a libyaml event on every path out of a scope.
struct EventGuard {
  yaml_event_t* event;
  ~EventGuard() { yaml_event_delete(event); }
};

}  // namespace

std::string with_mark(std::string message, YamlMark mark) {
  if (mark.line != 0 || mark.column != 0) {
    message += " at line ";
    message += std::to_string(mark.line + 1);
    message += " column ";
    message += std::to_string(mark.column + 1);
  }
  return message;
}

struct YamlEventReader::Parser {
  yaml_parser_t parser;
  std::string_view rest;  // the text not yet handed to libyaml
  bool too_many_directives = false;
};

// Hands libyaml the text in the same pieces as its own string input does, so that its
// errors come where they would come anyway. Before each piece it looks at the %TAG
// directives of the current document: once there are more than the limit (beside
// libyaml's two defaults), reading stops, before libyaml's quadratic work on them adds up.
int YamlEventReader::read_input(void* data, unsigned char* buffer, std::size_t size,
                                std::size_t* size_read) {
  auto& input = *static_cast<Parser*>(data);
  const auto& directives = input.parser.tag_directives;
  if (static_cast<std::size_t>(directives.top - directives.start) > kYamlTagDirectiveLimit + 2) {
    input.too_many_directives = true;
    return 0;
  }
  const std::size_t n = std::min(size, input.rest.size());
  if (n != 0) std::memcpy(buffer, input.rest.data(), n);
  input.rest.remove_prefix(n);
  *size_read = n;
  return 1;
}

YamlEventReader::YamlEventReader(std::string_view text)
    : parser_(std::make_unique<Parser>()), text_size_(text.size()) {
  yaml_parser_initialize(&parser_->parser);
  parser_->rest = text;
  yaml_parser_set_input(&parser_->parser, &YamlEventReader::read_input, parser_.get());
  yaml_parser_set_encoding(&parser_->parser, YAML_UTF8_ENCODING);
}

YamlEventReader::~YamlEventReader() { yaml_parser_delete(&parser_->parser); }

YamlEvents YamlEventReader::read_first_document() {
  YamlEvents doc;
  doc.arena.reserve(text_size_);
  // Room for one event per 8 bytes, more than a SIDECAR text usually needs: pages that are
  // never written cost no memory, while growing the vector copies every event collected.
  // Huge texts grow past the cap instead of asking for all of it at once.
  doc.events.reserve(std::min<std::size_t>(text_size_ / 8 + 4, std::size_t{1} << 24));
  // Keyed by a seeded hash: anchor names are the input's, and names that share a bucket
  // of a fixed hash would make every definition and alias a walk along one long chain.
  std::unordered_map<std::string, std::uint64_t, YamlTextHash, std::equal_to<>> anchors;
  struct Open {
    std::size_t index;
    bool flow;
  };
  std::vector<Open> open;  // the collections not yet ended, innermost last
  std::size_t flow_depth = 0;
  // Cleared at the flow nesting stop: from then on events are only counted.
  bool keeping = true;
  // libyaml spends time on every expanded tag (a %TAG prefix is copied into each one),
  // so the tags of one text may add up to this much, however they are spelled.
  const std::uint64_t tag_budget = 1'000'000 + 10 * static_cast<std::uint64_t>(text_size_);
  std::uint64_t tag_bytes = 0;

  yaml_parser_t& parser = parser_->parser;
  for (;;) {
    yaml_event_t raw;
    if (!yaml_parser_parse(&parser, &raw)) {
      if (keeping) {
        doc.error = parser_->too_many_directives ? Error(kTooManyDirectives)
                                                 : Error(libyaml_error_text(parser));
      }
      return doc;
    }
    EventGuard guard{&raw};
    YamlEvent event;
    event.mark = {raw.start_mark.line, raw.start_mark.column};
    event.offset = doc.arena.size();
    const char* anchor = nullptr;
    const char* tag = nullptr;
    bool flow = false;
    switch (raw.type) {
      case YAML_STREAM_START_EVENT:
        continue;
      case YAML_DOCUMENT_START_EVENT: {
        const auto& directives = raw.data.document_start.tag_directives;
        if (static_cast<std::size_t>(directives.end - directives.start) > kYamlTagDirectiveLimit) {
          doc.error = Error(kTooManyDirectives);
          return doc;
        }
        continue;
      }
      case YAML_NO_EVENT:
      case YAML_STREAM_END_EVENT:
        stream_ended_ = true;
        if (doc.events.empty()) {
          event.kind = YamlEventKind::kEmpty;
          doc.events.push_back(event);
        }
        return doc;
      case YAML_DOCUMENT_END_EVENT:
        return doc;
      case YAML_ALIAS_EVENT: {
        const auto found =
            anchors.find(std::string_view(reinterpret_cast<const char*>(raw.data.alias.anchor)));
        if (found == anchors.end()) {
          if (keeping) doc.error = Error(with_mark("unknown anchor", event.mark));
          return doc;
        }
        event.kind = YamlEventKind::kAlias;
        event.size = found->second;
        break;
      }
      case YAML_SCALAR_EVENT:
        event.kind = YamlEventKind::kScalar;
        event.plain = raw.data.scalar.style == YAML_PLAIN_SCALAR_STYLE;
        anchor = reinterpret_cast<const char*>(raw.data.scalar.anchor);
        tag = reinterpret_cast<const char*>(raw.data.scalar.tag);
        break;
      case YAML_SEQUENCE_START_EVENT:
        event.kind = YamlEventKind::kSequenceStart;
        anchor = reinterpret_cast<const char*>(raw.data.sequence_start.anchor);
        tag = reinterpret_cast<const char*>(raw.data.sequence_start.tag);
        flow = raw.data.sequence_start.style == YAML_FLOW_SEQUENCE_STYLE;
        break;
      case YAML_MAPPING_START_EVENT:
        event.kind = YamlEventKind::kMappingStart;
        anchor = reinterpret_cast<const char*>(raw.data.mapping_start.anchor);
        tag = reinterpret_cast<const char*>(raw.data.mapping_start.tag);
        flow = raw.data.mapping_start.style == YAML_FLOW_MAPPING_STYLE;
        break;
      case YAML_SEQUENCE_END_EVENT:
      case YAML_MAPPING_END_EVENT:
        event.kind = raw.type == YAML_SEQUENCE_END_EVENT ? YamlEventKind::kSequenceEnd
                                                         : YamlEventKind::kMappingEnd;
        if (!open.empty()) {
          if (open.back().flow) --flow_depth;
          open.pop_back();
        }
        if (keeping) {
          doc.events.push_back(event);
        } else {
          ++doc.counted_past_stop;
        }
        continue;
    }

    if (tag != nullptr) {
      const std::string_view tag_text(tag);
      tag_bytes += tag_text.size();
      event.tag = classify_tag(tag_text);
      if (event.tag == YamlTagKind::kLocal && keeping) {
        const std::string_view name = tag_text.size() > 1 ? tag_text.substr(1) : tag_text;
        const std::size_t before = doc.arena.size();
        if (text::is_valid_utf8(name)) {
          doc.arena += name;
        } else {
          doc.arena += text::lossy_utf8(name);
        }
        const std::size_t name_size = doc.arena.size() - before;
        if (name_size > std::numeric_limits<std::uint32_t>::max()) tag_bytes = tag_budget + 1;
        event.tag_size = static_cast<std::uint32_t>(name_size);
      }
      if (tag_bytes > tag_budget) {
        if (keeping) doc.error = Error("repetition limit exceeded");
        return doc;
      }
    }
    const std::size_t index = doc.events.size();
    // Past the stop only the names count: an alias there is never expanded, but one
    // without an anchor before it ends the document's events, as it would have ended
    // collecting.
    if (anchor != nullptr) anchors.insert_or_assign(std::string(anchor), index);
    if (keeping) {
      if (event.kind == YamlEventKind::kScalar) {
        event.size = raw.data.scalar.length;
        doc.arena.append(reinterpret_cast<const char*>(raw.data.scalar.value),
                         raw.data.scalar.length);
      }
      if (!open.empty()) ++doc.events[open.back().index].size;
      doc.events.push_back(event);
    } else {
      ++doc.counted_past_stop;
    }
    if (event.kind == YamlEventKind::kSequenceStart || event.kind == YamlEventKind::kMappingStart) {
      open.push_back({index, flow});
      if (flow) ++flow_depth;
      if (keeping && flow_depth > kYamlNestingLimit) {
        doc.error = Error(with_mark("recursion limit exceeded", event.mark));
        keeping = false;
      } else if (flow_depth > kYamlCountedFlowDepth) {
        return doc;
      }
    }
  }
}

bool YamlEventReader::has_more_documents() {
  if (stream_ended_) return false;
  yaml_event_t raw;
  if (!yaml_parser_parse(&parser_->parser, &raw)) return true;
  EventGuard guard{&raw};
  return raw.type != YAML_STREAM_END_EVENT;
}

}  // namespace lorvane::inject
