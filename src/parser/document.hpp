#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

// The document tree shared by every subsystem: the parser builds it (BASE), the injector
// changes a deep copy of it (FINAL), the renderer and the JSON form only read it.
//
// Every value owns its whole subtree; there is no sharing and no back reference, so a
// plain copy is a deep copy. Trees can be arbitrarily deep (the injector can wrap a range
// into an admonition again and again), so copying and destroying a `NodeList` never
// recurses on the depth of the tree.
namespace lorvane::parser {

/// A JSON value as render hints hold it.
struct JsonValue;
using JsonArray = std::vector<JsonValue>;
/// Keys in byte order of their UTF-8 encoding (std::string compares as unsigned bytes).
using JsonObject = std::map<std::string, JsonValue>;

struct JsonValue {
  /// null, boolean, unsigned integer, negative integer, finite double, text, array, object.
  using Storage = std::variant<std::nullptr_t, bool, std::uint64_t, std::int64_t, double,
                               std::string, JsonArray, JsonObject>;
  Storage value = nullptr;

  JsonValue() = default;
  template <typename T>
    requires std::is_constructible_v<Storage, T&&>
  JsonValue(T&& v) : value(std::forward<T>(v)) {}  // NOLINT(google-explicit-constructor)

  friend bool operator==(const JsonValue&, const JsonValue&) = default;
};

/// Render hints: an ordered map from text keys to JSON values. Absent hints
/// (std::nullopt) and present-but-empty hints are different values.
using RenderHints = JsonObject;

/// Text-to-text map in byte order of the keys (metadata, cover fields).
using TextMap = std::map<std::string, std::string>;

struct SourceLocation {
  std::uint64_t line = 0;  ///< 1-based line of the section heading.
  friend bool operator==(const SourceLocation&, const SourceLocation&) = default;
};

struct Node;

/// The children of a section or an admonition. Behaves like a std::vector<Node>, but
/// copies and destroys its subtree with an explicit work list instead of recursion.
class NodeList {
 public:
  using iterator = std::vector<Node>::iterator;
  using const_iterator = std::vector<Node>::const_iterator;

  NodeList() = default;
  NodeList(std::initializer_list<Node> nodes);
  NodeList(const NodeList& other);
  NodeList(NodeList&& other) noexcept = default;
  NodeList& operator=(const NodeList& other);
  NodeList& operator=(NodeList&& other) noexcept;
  ~NodeList();

  // Defined below, once Node is complete.
  std::size_t size() const;
  bool empty() const;
  Node& operator[](std::size_t i);
  const Node& operator[](std::size_t i) const;
  Node& front();
  const Node& front() const;
  Node& back();
  const Node& back() const;
  iterator begin();
  iterator end();
  const_iterator begin() const;
  const_iterator end() const;

  void reserve(std::size_t n);
  void push_back(Node node);
  template <typename... Args>
  Node& emplace_back(Args&&... args);
  iterator insert(const_iterator pos, Node node);
  /// Removes [first, last) and returns the removed nodes in order.
  std::vector<Node> extract(std::size_t first, std::size_t last);
  void clear();

  friend bool operator==(const NodeList& a, const NodeList& b);

 private:
  std::vector<Node> items_;
};

/// An item of a bullet or ordered list. Only bullet lists nest, at most three levels
/// deep, so the plain recursive copy of `children` is bounded.
struct ListItemNode {
  std::string text;
  std::vector<ListItemNode> children;
  std::string node_id;
  friend bool operator==(const ListItemNode&, const ListItemNode&) = default;
};

struct SectionNode {
  std::string number;  ///< As written, trailing dot included ("1.", "2.3").
  std::string title;
  std::uint8_t level = 0;  ///< Count of number components.
  NodeList children;       ///< The section's own blocks; never subsections.
  std::string node_id;
  std::optional<SourceLocation> source;
  std::optional<std::string> semantic_type;
  std::optional<RenderHints> render_hints;
  friend bool operator==(const SectionNode&, const SectionNode&) = default;
};

struct ParagraphNode {
  std::string text;
  std::string node_id;
  friend bool operator==(const ParagraphNode&, const ParagraphNode&) = default;
};

struct BulletListNode {
  std::vector<ListItemNode> items;
  std::string node_id;
  friend bool operator==(const BulletListNode&, const BulletListNode&) = default;
};

struct OrderedListNode {
  std::vector<ListItemNode> items;
  std::string node_id;
  friend bool operator==(const OrderedListNode&, const OrderedListNode&) = default;
};

struct CoverNode {
  std::string layout;
  TextMap fields;
  std::string node_id;
  friend bool operator==(const CoverNode&, const CoverNode&) = default;
};

struct FigureNode {
  std::string src;
  std::optional<std::string> alt;
  std::optional<std::string> caption;
  std::optional<std::string> width;
  std::optional<RenderHints> render_hints;
  std::string node_id;
  friend bool operator==(const FigureNode&, const FigureNode&) = default;
};

struct CodeBlockNode {
  std::optional<std::string> language;
  std::string content;
  std::optional<std::string> caption;
  std::optional<RenderHints> render_hints;
  std::string node_id;
  friend bool operator==(const CodeBlockNode&, const CodeBlockNode&) = default;
};

struct TableNode {
  std::string data_source;
  std::optional<std::string> caption;
  std::optional<std::vector<std::string>> columns;
  std::optional<RenderHints> render_hints;
  std::string node_id;
  friend bool operator==(const TableNode&, const TableNode&) = default;
};

struct AdmonitionNode {
  std::string level;  ///< The admonition kind as given ("note", "WARNING", ...).
  NodeList children;
  std::optional<RenderHints> render_hints;
  std::string node_id;
  friend bool operator==(const AdmonitionNode&, const AdmonitionNode&) = default;
};

/// Holds a large payload on the heap so that a `Node` stays small (the common blocks,
/// paragraphs and lists, are stored inline). Copying copies the payload.
template <typename T>
class NodeBox {
 public:
  explicit NodeBox(T payload) : ptr_(std::make_unique<T>(std::move(payload))) {}
  NodeBox(const NodeBox& other) : ptr_(other.ptr_ ? std::make_unique<T>(*other.ptr_) : nullptr) {}
  NodeBox(NodeBox&&) noexcept = default;
  NodeBox& operator=(const NodeBox& other) {
    if (this != &other) ptr_ = other.ptr_ ? std::make_unique<T>(*other.ptr_) : nullptr;
    return *this;
  }
  NodeBox& operator=(NodeBox&&) noexcept = default;
  T* get() const { return ptr_.get(); }
  friend bool operator==(const NodeBox& a, const NodeBox& b) {
    return a.ptr_ && b.ptr_ ? *a.ptr_ == *b.ptr_ : a.ptr_ == b.ptr_;
  }

 private:
  std::unique_ptr<T> ptr_;
};

namespace detail {
// How each payload kind is stored in the variant: small ones inline, large ones boxed.
template <typename T>
constexpr bool kStoredInline = std::is_same_v<T, ParagraphNode> ||
                               std::is_same_v<T, BulletListNode> ||
                               std::is_same_v<T, OrderedListNode>;
template <typename T>
using Stored = std::conditional_t<kStoredInline<T>, T, NodeBox<T>>;
template <typename S>
constexpr bool kIsBox = false;
template <typename T>
constexpr bool kIsBox<NodeBox<T>> = true;
}  // namespace detail

/// One block of the tree: exactly one of ten kinds, in this declared order. Access the
/// payload with `get_if<T>()` or `visit` (never through `value` directly: large payloads
/// are boxed there).
struct Node {
  using Variant =
      std::variant<detail::Stored<SectionNode>, detail::Stored<ParagraphNode>,
                   detail::Stored<BulletListNode>, detail::Stored<OrderedListNode>,
                   detail::Stored<ListItemNode>, detail::Stored<CoverNode>,
                   detail::Stored<FigureNode>, detail::Stored<CodeBlockNode>,
                   detail::Stored<TableNode>, detail::Stored<AdmonitionNode>>;
  Variant value;

  template <typename T>
    requires std::is_constructible_v<Variant, detail::Stored<std::decay_t<T>>>
  Node(T&& payload)  // NOLINT(google-explicit-constructor)
      : value(std::in_place_type<detail::Stored<std::decay_t<T>>>, std::forward<T>(payload)) {}

  /// The tag written under "type": "section", "paragraph", ..., "admonition".
  std::string_view tag() const;

  /// The node's child blocks for sections and admonitions, else nullptr.
  NodeList* child_blocks();
  const NodeList* child_blocks() const;

  template <typename T>
  T* get_if() {
    if constexpr (detail::kStoredInline<T>) {
      return std::get_if<T>(&value);
    } else {
      auto* box = std::get_if<NodeBox<T>>(&value);
      return box ? box->get() : nullptr;
    }
  }
  template <typename T>
  const T* get_if() const {
    return const_cast<Node*>(this)->get_if<T>();
  }

  /// Calls `fn` with the payload as a const reference (`const SectionNode&`, ...).
  template <typename Fn>
  decltype(auto) visit(Fn&& fn) const {
    return std::visit(
        [&](const auto& stored) -> decltype(auto) {
          if constexpr (detail::kIsBox<std::decay_t<decltype(stored)>>) {
            return fn(std::as_const(*stored.get()));
          } else {
            return fn(stored);
          }
        },
        value);
  }

  friend bool operator==(const Node&, const Node&) = default;
};

/// The title and cover block, repeated: empty texts where the `Document` has absent ones.
struct DocumentCover {
  std::string title;
  std::string subtitle;
  std::string description;
  TextMap metadata;
  friend bool operator==(const DocumentCover&, const DocumentCover&) = default;
};

/// Root of a BASE or FINAL tree. `children` holds every section, flat, in source order.
struct Document {
  std::optional<DocumentCover> cover;
  std::string title;
  std::optional<std::string> subtitle;
  std::optional<std::string> description;
  TextMap metadata;
  NodeList children;
  std::string node_id = "doc";
  friend bool operator==(const Document&, const Document&) = default;
};

/// The node identifier `prefix` with `parts`: empty parts are dropped, every U+0020 in a
/// part becomes "_", the rest are joined with "-" and put after "prefix-" (the prefix
/// alone when no part remains).
std::string make_node_id(std::string_view prefix, std::initializer_list<std::string_view> parts);

inline std::size_t NodeList::size() const { return items_.size(); }
inline bool NodeList::empty() const { return items_.empty(); }
inline Node& NodeList::operator[](std::size_t i) { return items_[i]; }
inline const Node& NodeList::operator[](std::size_t i) const { return items_[i]; }
inline Node& NodeList::front() { return items_.front(); }
inline const Node& NodeList::front() const { return items_.front(); }
inline Node& NodeList::back() { return items_.back(); }
inline const Node& NodeList::back() const { return items_.back(); }
inline NodeList::iterator NodeList::begin() { return items_.begin(); }
inline NodeList::iterator NodeList::end() { return items_.end(); }
inline NodeList::const_iterator NodeList::begin() const { return items_.begin(); }
inline NodeList::const_iterator NodeList::end() const { return items_.end(); }
inline void NodeList::reserve(std::size_t n) { items_.reserve(n); }

template <typename... Args>
Node& NodeList::emplace_back(Args&&... args) {
  return items_.emplace_back(std::forward<Args>(args)...);
}

}  // namespace lorvane::parser
