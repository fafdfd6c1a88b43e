#include "parser/json.hpp"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <vector>

namespace lorvane::parser {
namespace {

// "," when `comma`, then a new line indented to `level`.
void new_line(std::string& out, int level, bool comma) {
  if (comma) out += ',';
  out += '\n';
  out.append(static_cast<std::size_t>(level) * 2, ' ');
}

// Streaming hands the text to the sink in pieces of about this size.
constexpr std::size_t kChunkBytes = 1 << 20;

// Hands what `out` holds to `sink` (when streaming) once it reaches a piece's size. Called
// between list elements and map members and within long texts, so that no list, map or
// text, however long, is held as JSON text whole.
void flush_full_piece(std::string& out, const JsonSink* sink) {
  if (sink && out.size() >= kChunkBytes) {
    (*sink)(out);
    out.clear();
  }
}

void append_json_string_in_pieces(std::string& out, std::string_view text, const JsonSink& sink);

// `append_json_string`, handing full pieces to `sink` (when streaming) within a long
// text, so that no text stands whole in the buffer.
void append_json_text(std::string& out, std::string_view text, const JsonSink* sink) {
  if (sink && text.size() > kChunkBytes)
    append_json_string_in_pieces(out, text, *sink);
  else
    append_json_string(out, text);
}

template <typename Unsigned>
void append_decimal(std::string& out, Unsigned value) {
  char buffer[24];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, end);
}

// Writes objects member by member: `begin` opens with "{", each `key` starts a member
// line at the right indentation, `end` closes. An object with no members never occurs
// among the records, so "{}" is left to the JSON values. With a sink, long text values
// are streamed to it.
class ObjectWriter {
 public:
  ObjectWriter(std::string& out, int level, const JsonSink* sink = nullptr)
      : out_(out), sink_(sink), level_(level) {
    out_ += '{';
  }
  /// A member named by one of the record keys (plain ASCII, nothing to escape).
  void key(std::string_view name) {
    new_line(out_, level_ + 1, !first_);
    first_ = false;
    out_ += '"';
    out_ += name;
    out_.append("\": ", 3);
  }
  /// A member named by a map key, which may need escapes.
  void map_key(std::string_view name) {
    new_line(out_, level_ + 1, !first_);
    first_ = false;
    append_json_string(out_, name);
    out_.append(": ", 2);
  }
  void text(std::string_view name, std::string_view value) {
    key(name);
    append_json_text(out_, value, sink_);
  }
  void end() {
    new_line(out_, level_, false);
    out_ += '}';
  }
  int member_level() const { return level_ + 1; }

 private:
  std::string& out_;
  const JsonSink* sink_;
  int level_;
  bool first_ = true;
};

void append_text_map(std::string& out, const TextMap& map, int level, const JsonSink* sink) {
  if (map.empty()) {
    out += "{}";
    return;
  }
  ObjectWriter object(out, level);
  for (const auto& [key, value] : map) {
    object.map_key(key);
    append_json_text(out, value, sink);
    flush_full_piece(out, sink);
  }
  object.end();
}

void append_string_array(std::string& out, const std::vector<std::string>& items, int level) {
  if (items.empty()) {
    out += "[]";
    return;
  }
  out += '[';
  for (std::size_t i = 0; i < items.size(); ++i) {
    new_line(out, level + 1, i > 0);
    append_json_string(out, items[i]);
  }
  new_line(out, level, false);
  out += ']';
}

void append_list_item(std::string& out, const ListItemNode& item, int level, const JsonSink* sink);
void append_json_object(std::string& out, const JsonObject& object, int level);

void append_list_items(std::string& out, const std::vector<ListItemNode>& items, int level,
                       const JsonSink* sink) {
  if (items.empty()) {
    out += "[]";
    return;
  }
  out += '[';
  for (std::size_t i = 0; i < items.size(); ++i) {
    new_line(out, level + 1, i > 0);
    append_list_item(out, items[i], level + 1, sink);
    flush_full_piece(out, sink);
  }
  new_line(out, level, false);
  out += ']';
}

// List items nest at most three levels (only the parser builds them), so recursion is
// bounded here.
void append_list_item(std::string& out, const ListItemNode& item, int level, const JsonSink* sink) {
  ObjectWriter object(out, level, sink);
  object.text("text", item.text);
  if (!item.children.empty()) {
    object.key("children");
    append_list_items(out, item.children, object.member_level(), sink);
  }
  object.text("node_id", item.node_id);
  object.end();
}

void append_optional_hints(ObjectWriter& object, std::string& out,
                           const std::optional<RenderHints>& hints) {
  if (!hints) return;
  object.key("render_hints");
  append_json_object(out, *hints, object.member_level());
}

// A node is written in two halves around its child blocks, so that the walk over
// sections and admonitions can keep an explicit stack instead of recursing:
// `open_node` writes "{" and the members up to the value of "children" (when the node
// has child blocks) or the whole object (when it has none); `close_node` writes the
// members after "children" and "}".
struct OpenNode {
  ObjectWriter object;
  const Node* node;
};

OpenNode open_node(std::string& out, const Node& node, int level, const JsonSink* sink) {
  ObjectWriter object(out, level, sink);
  object.text("type", node.tag());
  node.visit([&](const auto& payload) {
    using T = std::decay_t<decltype(payload)>;
    if constexpr (std::is_same_v<T, SectionNode>) {
      object.text("number", payload.number);
      object.text("title", payload.title);
      object.key("level");
      append_decimal(out, static_cast<unsigned>(payload.level));
      object.key("children");
    } else if constexpr (std::is_same_v<T, AdmonitionNode>) {
      object.text("level", payload.level);
      object.key("children");
    } else if constexpr (std::is_same_v<T, ParagraphNode>) {
      object.text("text", payload.text);
      object.text("node_id", payload.node_id);
    } else if constexpr (std::is_same_v<T, BulletListNode> || std::is_same_v<T, OrderedListNode>) {
      object.key("items");
      append_list_items(out, payload.items, object.member_level(), sink);
      object.text("node_id", payload.node_id);
    } else if constexpr (std::is_same_v<T, ListItemNode>) {
      object.text("text", payload.text);
      if (!payload.children.empty()) {
        object.key("children");
        append_list_items(out, payload.children, object.member_level(), sink);
      }
      object.text("node_id", payload.node_id);
    } else if constexpr (std::is_same_v<T, CoverNode>) {
      object.text("layout", payload.layout);
      object.key("fields");
      append_text_map(out, payload.fields, object.member_level(), sink);
      object.text("node_id", payload.node_id);
    } else if constexpr (std::is_same_v<T, FigureNode>) {
      object.text("src", payload.src);
      if (payload.alt) object.text("alt", *payload.alt);
      if (payload.caption) object.text("caption", *payload.caption);
      if (payload.width) object.text("width", *payload.width);
      append_optional_hints(object, out, payload.render_hints);
      object.text("node_id", payload.node_id);
    } else if constexpr (std::is_same_v<T, CodeBlockNode>) {
      if (payload.language) object.text("language", *payload.language);
      object.text("content", payload.content);
      if (payload.caption) object.text("caption", *payload.caption);
      append_optional_hints(object, out, payload.render_hints);
      object.text("node_id", payload.node_id);
    } else if constexpr (std::is_same_v<T, TableNode>) {
      object.text("data_source", payload.data_source);
      if (payload.caption) object.text("caption", *payload.caption);
      if (payload.columns) {
        object.key("columns");
        append_string_array(out, *payload.columns, object.member_level());
      }
      append_optional_hints(object, out, payload.render_hints);
      object.text("node_id", payload.node_id);
    }
  });
  if (!node.child_blocks()) object.end();
  return {object, &node};
}

void close_node(std::string& out, OpenNode& open) {
  if (const auto* section = open.node->get_if<SectionNode>()) {
    open.object.text("node_id", section->node_id);
    if (section->source) {
      open.object.key("source");
      ObjectWriter source(out, open.object.member_level());
      source.key("line");
      append_decimal(out, section->source->line);
      source.end();
    }
    if (section->semantic_type) open.object.text("semantic_type", *section->semantic_type);
    append_optional_hints(open.object, out, section->render_hints);
  } else if (const auto* admonition = open.node->get_if<AdmonitionNode>()) {
    append_optional_hints(open.object, out, admonition->render_hints);
    open.object.text("node_id", admonition->node_id);
  }
  open.object.end();
}

// Writes `list` as the value of a member at `level`, descending into child blocks with an
// explicit stack: depth costs heap, not call stack.
void append_node_list(std::string& out, const NodeList& list, int level, const JsonSink* sink) {
  struct Frame {
    const NodeList* list;
    std::size_t next;
    int level;                      // level of the member whose value the list is
    std::optional<OpenNode> owner;  // the node whose "children" this is
  };
  if (list.empty()) {
    out += "[]";
    return;
  }
  out += '[';
  std::vector<Frame> stack;
  stack.push_back({&list, 0, level, std::nullopt});
  while (!stack.empty()) {
    flush_full_piece(out, sink);
    Frame& frame = stack.back();
    if (frame.next == frame.list->size()) {
      new_line(out, frame.level, false);
      out += ']';
      std::optional<OpenNode> owner = std::move(frame.owner);
      stack.pop_back();
      if (owner) close_node(out, *owner);
      continue;
    }
    const int node_level = frame.level + 1;
    new_line(out, node_level, frame.next > 0);
    const Node& node = (*frame.list)[frame.next++];
    OpenNode open = open_node(out, node, node_level, sink);
    const NodeList* children = node.child_blocks();
    if (!children) continue;
    if (children->empty()) {
      out += "[]";
      close_node(out, open);
      continue;
    }
    out += '[';
    const int children_level = open.object.member_level();
    stack.push_back({children, 0, children_level, std::move(open)});
  }
}

// A close upper estimate of the JSON size, so the output is reserved once: a doubling
// string would copy the whole text repeatedly and hold two copies at its peak. Capacity
// that is never written is never touched, so estimating high costs no resident memory.
// Measured on `document_to_json` against a string left to grow: 10 MB source 16-21 ms
// instead of 150-530 ms, 50 MB 0.46 s instead of 0.7-3.4 s, 10 MB of one-line paragraphs
// 3.0 s instead of 9.2 s.
std::size_t estimate_json_size(const Document& document) {
  std::size_t size = 4096 + document.title.size() * 2;
  for (const auto& [key, value] : document.metadata) size += 2 * (key.size() + value.size() + 16);
  auto items_size = [](const std::vector<ListItemNode>& items, std::size_t level,
                       const auto& self) -> std::size_t {
    std::size_t total = 0;
    for (const ListItemNode& item : items)
      total += item.text.size() + item.node_id.size() + 3 * (2 * level + 24) +
               self(item.children, level + 2, self);
    return total;
  };
  struct Frame {
    const NodeList* list;
    std::size_t level;
  };
  std::vector<Frame> stack{{&document.children, 2}};
  while (!stack.empty()) {
    const Frame frame = stack.back();
    stack.pop_back();
    for (const Node& node : *frame.list) {
      const std::size_t line = 2 * (frame.level + 1) + 24;  // indentation, key, punctuation
      size += 8 * line;
      node.visit([&](const auto& payload) {
        using T = std::decay_t<decltype(payload)>;
        if constexpr (std::is_same_v<T, ParagraphNode>) {
          size += payload.text.size() + payload.text.size() / 8;
        } else if constexpr (std::is_same_v<T, BulletListNode> ||
                             std::is_same_v<T, OrderedListNode>) {
          size += items_size(payload.items, frame.level + 2, items_size);
        } else if constexpr (std::is_same_v<T, SectionNode>) {
          size += payload.title.size() + payload.number.size() * 2;
        } else if constexpr (std::is_same_v<T, CodeBlockNode>) {
          size += payload.content.size() + payload.content.size() / 4;
        } else if constexpr (std::is_same_v<T, TableNode>) {
          size += payload.data_source.size() + payload.data_source.size() / 4;
        } else {
          size += 256;
        }
      });
      if (const NodeList* children = node.child_blocks())
        stack.push_back({children, frame.level + 2});
    }
  }
  return size + size / 8;
}

}  // namespace

namespace {

std::uint64_t load_word(const char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

// Whether any of the eight bytes is below 0x20, a quotation mark or a backslash
// (the classic "has a zero byte" bit trick, applied three times).
bool word_needs_escape(std::uint64_t word) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  constexpr std::uint64_t kHigh = 0x8080808080808080ull;
  const std::uint64_t below_space = (word - kOnes * 0x20) & ~word & kHigh;
  const std::uint64_t quote = word ^ (kOnes * '"');
  const std::uint64_t backslash = word ^ (kOnes * '\\');
  const std::uint64_t has_quote = (quote - kOnes) & ~quote & kHigh;
  const std::uint64_t has_backslash = (backslash - kOnes) & ~backslash & kHigh;
  return (below_space | has_quote | has_backslash) != 0;
}

// `text` with its escapes, between quotation marks when `kQuoted`. Each escape stands for
// one byte below 0x80, so a text may be cut anywhere and its parts escaped unquoted. (A
// template, not a quoting wrapper: one more call per text costs measurably on the many
// short texts of a document.)
template <bool kQuoted>
void append_escaped(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  // Bytes that need an escape: the controls, the quotation mark and the backslash.
  static constexpr auto kEscaped = [] {
    std::array<bool, 256> table{};
    for (int c = 0; c < 0x20; ++c) table[c] = true;
    table['"'] = table['\\'] = true;
    return table;
  }();
  if constexpr (kQuoted) out += '"';
  const char* const data = text.data();
  const std::size_t size = text.size();
  std::size_t run_start = 0;
  for (std::size_t i = 0; i < size; ++i) {
    // Skip eight bytes at a time while none of them needs an escape: the texts of a
    // document are long runs with nothing to escape, and this skip writes the JSON of 10
    // and 50 MB sources with 30 % fewer instructions (20-30 % less time) than a loop over
    // single bytes.
    while (i + 8 <= size && !word_needs_escape(load_word(data + i))) i += 8;
    if (i == size) break;
    const auto c = static_cast<unsigned char>(data[i]);
    if (!kEscaped[c]) continue;
    out.append(data + run_start, i - run_start);
    run_start = i + 1;
    switch (c) {
      case '"':
        out.append("\\\"", 2);
        break;
      case '\\':
        out.append("\\\\", 2);
        break;
      case '\b':
        out.append("\\b", 2);
        break;
      case '\f':
        out.append("\\f", 2);
        break;
      case '\n':
        out.append("\\n", 2);
        break;
      case '\r':
        out.append("\\r", 2);
        break;
      case '\t':
        out.append("\\t", 2);
        break;
      default: {
        const char escape[6] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 0xF]};
        out.append(escape, 6);
      }
    }
  }
  out.append(data + run_start, size - run_start);
  if constexpr (kQuoted) out += '"';
}

void append_json_string_in_pieces(std::string& out, std::string_view text, const JsonSink& sink) {
  out += '"';
  while (text.size() > kChunkBytes) {
    append_escaped<false>(out, text.substr(0, kChunkBytes));
    text.remove_prefix(kChunkBytes);
    flush_full_piece(out, &sink);
  }
  append_escaped<false>(out, text);
  out += '"';
}

}  // namespace

void append_json_string(std::string& out, std::string_view text) {
  append_escaped<true>(out, text);
}

std::string format_json_double(double value) {
  // Shortest round-trip digits in scientific form, e.g. "-1.2345e+07", then laid out.
  char buffer[64];
  auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  std::string_view sci(buffer, static_cast<std::size_t>(end - buffer));
  std::string out;
  if (!sci.empty() && sci.front() == '-') {
    out += '-';
    sci.remove_prefix(1);
  }
  const std::size_t e_pos = sci.find('e');
  std::string digits;
  for (char c : sci.substr(0, e_pos))
    if (c != '.') digits += c;
  const int exponent = std::atoi(std::string(sci.substr(e_pos + 1)).c_str());

  if (exponent >= -5 && exponent <= 15) {
    if (exponent < 0) {
      out += "0.";
      out.append(static_cast<std::size_t>(-exponent - 1), '0');
      out += digits;
    } else {
      const auto int_digits = static_cast<std::size_t>(exponent) + 1;
      if (digits.size() <= int_digits) {
        out += digits;
        out.append(int_digits - digits.size(), '0');
        out += ".0";
      } else {
        out.append(digits, 0, int_digits);
        out += '.';
        out.append(digits, int_digits);
      }
    }
    return out;
  }
  out += digits[0];
  if (digits.size() > 1) {
    out += '.';
    out.append(digits, 1);
  }
  out += 'e';
  out += exponent < 0 ? '-' : '+';
  append_decimal(out, static_cast<unsigned>(std::abs(exponent)));
  return out;
}

// JSON values inside render hints nest no deeper than the SIDECAR loader allows (128),
// so plain recursion is bounded here.
void append_json_value(std::string& out, const JsonValue& value, int level) {
  std::visit(
      [&](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::nullptr_t>) {
          out += "null";
        } else if constexpr (std::is_same_v<T, bool>) {
          out += v ? "true" : "false";
        } else if constexpr (std::is_same_v<T, std::uint64_t>) {
          append_decimal(out, v);
        } else if constexpr (std::is_same_v<T, std::int64_t>) {
          if (v < 0) {
            out += '-';
            append_decimal(out, std::uint64_t(0) - static_cast<std::uint64_t>(v));
          } else {
            append_decimal(out, static_cast<std::uint64_t>(v));
          }
        } else if constexpr (std::is_same_v<T, double>) {
          out += format_json_double(v);
        } else if constexpr (std::is_same_v<T, std::string>) {
          append_json_string(out, v);
        } else if constexpr (std::is_same_v<T, JsonArray>) {
          if (v.empty()) {
            out += "[]";
            return;
          }
          out += '[';
          for (std::size_t i = 0; i < v.size(); ++i) {
            new_line(out, level + 1, i > 0);
            append_json_value(out, v[i], level + 1);
          }
          new_line(out, level, false);
          out += ']';
        } else {
          append_json_object(out, v, level);
        }
      },
      value.value);
}

namespace {

void append_json_object(std::string& out, const JsonObject& members, int level) {
  if (members.empty()) {
    out += "{}";
    return;
  }
  ObjectWriter object(out, level);
  for (const auto& [key, member] : members) {
    object.map_key(key);
    append_json_value(out, member, object.member_level());
  }
  object.end();
}

}  // namespace

namespace {

void append_document(std::string& out, const Document& document, const JsonSink* sink) {
  ObjectWriter root(out, 0, sink);
  root.text("type", "document");
  if (document.cover) {
    const DocumentCover& cover = *document.cover;
    root.key("cover");
    ObjectWriter object(out, 1, sink);
    object.text("type", "cover");
    object.text("title", cover.title);
    if (!cover.subtitle.empty()) object.text("subtitle", cover.subtitle);
    if (!cover.description.empty()) object.text("description", cover.description);
    if (!cover.metadata.empty()) {
      object.key("metadata");
      append_text_map(out, cover.metadata, 2, sink);
    }
    object.end();
  }
  root.text("title", document.title);
  if (document.subtitle) root.text("subtitle", *document.subtitle);
  if (document.description) root.text("description", *document.description);
  if (!document.metadata.empty()) {
    root.key("metadata");
    append_text_map(out, document.metadata, 1, sink);
  }
  root.key("children");
  append_node_list(out, document.children, 1, sink);
  root.text("node_id", document.node_id);
  root.end();
}

}  // namespace

std::string document_to_json(const Document& document) {
  std::string out;
  out.reserve(estimate_json_size(document));
  append_document(out, document, nullptr);
  return out;
}

void write_document_json(const Document& document, const JsonSink& sink) {
  std::string out;
  out.reserve(2 * kChunkBytes);
  append_document(out, document, &sink);
  sink(out);
}

}  // namespace lorvane::parser
