#include "parser/json.hpp"

#include <charconv>
#include <cstdlib>
#include <system_error>
#include <vector>

namespace lorvane::parser {
namespace {

void indent(std::string& out, int level) { out.append(static_cast<std::size_t>(level) * 2, ' '); }

template <typename Unsigned>
void append_decimal(std::string& out, Unsigned value) {
  char buffer[24];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, end);
}

// Writes objects member by member: `begin` opens with "{", each `key` starts a member
// line at the right indentation, `end` closes. An object with no members never occurs
// among the records, so "{}" is left to the JSON values.
class ObjectWriter {
 public:
  ObjectWriter(std::string& out, int level) : out_(out), level_(level) { out_ += '{'; }
  void key(std::string_view name) {
    if (!first_) out_ += ',';
    first_ = false;
    out_ += '\n';
    indent(out_, level_ + 1);
    append_json_string(out_, name);
    out_ += ": ";
  }
  void text(std::string_view name, std::string_view value) {
    key(name);
    append_json_string(out_, value);
  }
  void end() {
    out_ += '\n';
    indent(out_, level_);
    out_ += '}';
  }
  int member_level() const { return level_ + 1; }

 private:
  std::string& out_;
  int level_;
  bool first_ = true;
};

void append_text_map(std::string& out, const TextMap& map, int level) {
  if (map.empty()) {
    out += "{}";
    return;
  }
  ObjectWriter object(out, level);
  for (const auto& [key, value] : map) object.text(key, value);
  object.end();
}

void append_string_array(std::string& out, const std::vector<std::string>& items, int level) {
  if (items.empty()) {
    out += "[]";
    return;
  }
  out += '[';
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += ',';
    out += '\n';
    indent(out, level + 1);
    append_json_string(out, items[i]);
  }
  out += '\n';
  indent(out, level);
  out += ']';
}

void append_list_item(std::string& out, const ListItemNode& item, int level);
void append_json_object(std::string& out, const JsonObject& object, int level);

void append_list_items(std::string& out, const std::vector<ListItemNode>& items, int level) {
  if (items.empty()) {
    out += "[]";
    return;
  }
  out += '[';
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += ',';
    out += '\n';
    indent(out, level + 1);
    append_list_item(out, items[i], level + 1);
  }
  out += '\n';
  indent(out, level);
  out += ']';
}

// List items nest at most three levels (only the parser builds them), so recursion is
// bounded here.
void append_list_item(std::string& out, const ListItemNode& item, int level) {
  ObjectWriter object(out, level);
  object.text("text", item.text);
  if (!item.children.empty()) {
    object.key("children");
    append_list_items(out, item.children, object.member_level());
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

OpenNode open_node(std::string& out, const Node& node, int level) {
  ObjectWriter object(out, level);
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
        } else if constexpr (std::is_same_v<T, BulletListNode> ||
                             std::is_same_v<T, OrderedListNode>) {
          object.key("items");
          append_list_items(out, payload.items, object.member_level());
          object.text("node_id", payload.node_id);
        } else if constexpr (std::is_same_v<T, ListItemNode>) {
          object.text("text", payload.text);
          if (!payload.children.empty()) {
            object.key("children");
            append_list_items(out, payload.children, object.member_level());
          }
          object.text("node_id", payload.node_id);
        } else if constexpr (std::is_same_v<T, CoverNode>) {
          object.text("layout", payload.layout);
          object.key("fields");
          append_text_map(out, payload.fields, object.member_level());
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
void append_node_list(std::string& out, const NodeList& list, int level) {
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
    Frame& frame = stack.back();
    if (frame.next == frame.list->size()) {
      out += '\n';
      indent(out, frame.level);
      out += ']';
      std::optional<OpenNode> owner = std::move(frame.owner);
      stack.pop_back();
      if (owner) close_node(out, *owner);
      continue;
    }
    if (frame.next > 0) out += ',';
    out += '\n';
    const int node_level = frame.level + 1;
    indent(out, node_level);
    const Node& node = (*frame.list)[frame.next++];
    OpenNode open = open_node(out, node, node_level);
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
        } else if constexpr (std::is_same_v<T, BulletListNode> || std::is_same_v<T, OrderedListNode>) {
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
      if (const NodeList* children = node.child_blocks()) stack.push_back({children, frame.level + 2});
    }
  }
  return size + size / 8;
}

}  // namespace

void append_json_string(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  std::size_t run_start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c != '"' && c != '\\') continue;
    out.append(text.data() + run_start, i - run_start);
    run_start = i + 1;
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        out += "\\u00";
        out += kHex[c >> 4];
        out += kHex[c & 0xF];
    }
  }
  out.append(text.data() + run_start, text.size() - run_start);
  out += '"';
}

std::string format_json_double(double value) {
  // Shortest round-trip digits in scientific form, e.g. "-1.2345e+07", then laid out.
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
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
            if (i > 0) out += ',';
            out += '\n';
            indent(out, level + 1);
            append_json_value(out, v[i], level + 1);
          }
          out += '\n';
          indent(out, level);
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
    object.key(key);
    append_json_value(out, member, object.member_level());
  }
  object.end();
}

}  // namespace

std::string document_to_json(const Document& document) {
  std::string out;
  out.reserve(estimate_json_size(document));
  ObjectWriter root(out, 0);
  root.text("type", "document");
  if (document.cover) {
    const DocumentCover& cover = *document.cover;
    root.key("cover");
    ObjectWriter object(out, 1);
    object.text("type", "cover");
    object.text("title", cover.title);
    if (!cover.subtitle.empty()) object.text("subtitle", cover.subtitle);
    if (!cover.description.empty()) object.text("description", cover.description);
    if (!cover.metadata.empty()) {
      object.key("metadata");
      append_text_map(out, cover.metadata, 2);
    }
    object.end();
  }
  root.text("title", document.title);
  if (document.subtitle) root.text("subtitle", *document.subtitle);
  if (document.description) root.text("description", *document.description);
  if (!document.metadata.empty()) {
    root.key("metadata");
    append_text_map(out, document.metadata, 1);
  }
  root.key("children");
  append_node_list(out, document.children, 1);
  root.text("node_id", document.node_id);
  root.end();
  return out;
}

}  // namespace lorvane::parser
