#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "parser/error.hpp"

// The events of a YAML text as libyaml's event parser reports them, collected for the
// first document so that the value tree can be built (and aliases expanded) from them.
namespace lorvane::inject {

/// How deep collections may nest in the value tree, the root collection included.
inline constexpr std::size_t kYamlNestingLimit = 128;

/// How deep flow collections may nest before the events that follow are no longer
/// counted (see `YamlEventReader::read_first_document`).
inline constexpr std::size_t kYamlCountedFlowDepth = kYamlNestingLimit + 1;

/// How many %TAG directives one document may declare. libyaml compares every directive
/// with all earlier ones and looks every tag handle up among all of them, so without a
/// bound a text of directives costs time quadratic in its size.
inline constexpr std::size_t kYamlTagDirectiveLimit = 32;

/// Where libyaml starts an event: line and column counted from 0 (columns in characters).
struct YamlMark {
  std::uint64_t line = 0;
  std::uint64_t column = 0;
};

/// `message`, then " at line {} column {}" counted from 1, unless the mark is the very
/// start of the text.
std::string with_mark(std::string message, YamlMark mark);

enum class YamlEventKind : std::uint8_t {
  kScalar,
  kAlias,
  kSequenceStart,
  kSequenceEnd,
  kMappingStart,
  kMappingEnd,
  kEmpty,  ///< the document of a stream without any document: one null value
};

/// What a node's tag, as libyaml expanded it, means to the loader.
enum class YamlTagKind : std::uint8_t {
  kNone,
  kBool,   ///< the standard !!bool
  kInt,    ///< the standard !!int
  kFloat,  ///< the standard !!float
  kNull,   ///< the standard !!null
  kLocal,  ///< begins with "!": the node becomes a tagged value
  kOther,  ///< any other tag, dropped
};

struct YamlEvent {
  YamlMark mark;
  /// Into `YamlEvents::arena`: the local tag's name (`tag_size` bytes), then a scalar's
  /// value.
  std::uint64_t offset = 0;
  /// Scalar: the value's size. Alias: the index of the anchored event. Collection start:
  /// the number of nodes directly inside it.
  std::uint64_t size = 0;
  std::uint32_t tag_size = 0;
  YamlEventKind kind = YamlEventKind::kEmpty;
  YamlTagKind tag = YamlTagKind::kNone;
  bool plain = false;  ///< a scalar written plain (not quoted, no block style)
};

/// The collected events of one document.
struct YamlEvents {
  std::vector<YamlEvent> events;
  std::string arena;  ///< scalar values and local tag names, back to back
  /// Why collecting stopped before the document's end: libyaml's error, "unknown anchor",
  /// the flow nesting limit, the tag budget or the %TAG directive limit. The build
  /// reports it when it runs out of events, or after it.
  std::optional<Error> error;
  /// The events after the flow nesting stop: counted, not kept.
  std::uint64_t counted_past_stop = 0;

  /// The number of events of the document, on which the build's limits rest: those
  /// collected and those counted past the stop.
  std::uint64_t event_count() const { return events.size() + counted_past_stop; }

  std::string_view value(const YamlEvent& event) const {
    return std::string_view(arena).substr(event.offset + event.tag_size, event.size);
  }
  std::string_view tag_name(const YamlEvent& event) const {
    return std::string_view(arena).substr(event.offset, event.tag_size);
  }
};

/// Reads one YAML text (as UTF-8) with libyaml's event parser.
class YamlEventReader {
 public:
  /// REQUIRES: `text` outlives the reader.
  explicit YamlEventReader(std::string_view text);
  ~YamlEventReader();
  YamlEventReader(const YamlEventReader&) = delete;
  YamlEventReader& operator=(const YamlEventReader&) = delete;

  /// Collects the events of the first document (stream and document markers are not
  /// kept). A stream without a document gives one `kEmpty` event. Collecting stops at the
  /// first error, and right after a collection start that opens the 129th nested flow
  /// collection: the build fails at that collection at the latest, so the events after
  /// it are only counted, not kept (`counted_past_stop`). Counting goes on to where
  /// collecting would have ended (the document's end, libyaml's error, an alias of no
  /// anchor before it, the tag budget), but ends right after a collection start that
  /// opens the 130th nested flow collection (`kYamlCountedFlowDepth`): libyaml's time
  /// per token grows with the flow depth, so reading on at any depth would be quadratic,
  /// while up to that depth a token costs about what it may cost in a document that
  /// loads. A document with more than `kYamlTagDirectiveLimit` %TAG directives fails
  /// before its content.
  YamlEvents read_first_document();

  /// After `read_first_document` ended without an error: whether the stream holds
  /// anything after the first document (a further document, or an error).
  bool has_more_documents();

 private:
  struct Parser;
  static int read_input(void* data, unsigned char* buffer, std::size_t size,
                        std::size_t* size_read);

  std::unique_ptr<Parser> parser_;
  std::size_t text_size_;
  bool stream_ended_ = false;
};

}  // namespace lorvane::inject
