#include "parser/document.hpp"

#include <iterator>
#include <utility>

namespace lorvane::parser {
namespace {

// A copy of `node` with its child list, if it has one, left empty. Each member is named,
// so g++'s missing-field-initializers warning flags a member added later and left out.
Node copy_without_children(const Node& node) {
  if (const auto* section = node.get_if<SectionNode>())
    return SectionNode{.number = section->number,
                       .title = section->title,
                       .level = section->level,
                       .children = {},
                       .node_id = section->node_id,
                       .source = section->source,
                       .semantic_type = section->semantic_type,
                       .render_hints = section->render_hints};
  if (const auto* admonition = node.get_if<AdmonitionNode>())
    return AdmonitionNode{.level = admonition->level,
                          .children = {},
                          .render_hints = admonition->render_hints,
                          .node_id = admonition->node_id};
  return node;  // holds no child list
}

// The deep copy of `from`, one list at a time from a work list, so that the depth of the
// tree costs heap, not stack.
NodeList deep_copy(const NodeList& from) {
  NodeList root;
  struct Job {
    const NodeList* from;
    NodeList* to;
  };
  std::vector<Job> jobs{{&from, &root}};
  while (!jobs.empty()) {
    const Job job = jobs.back();
    jobs.pop_back();
    // Reserved up front, so the addresses of the copied nodes (and of their child lists,
    // which later jobs fill) stay put.
    job.to->reserve(job.from->size());
    for (const Node& node : *job.from) {
      Node& copy = job.to->emplace_back(copy_without_children(node));
      if (const NodeList* children = node.child_blocks(); children && !children->empty())
        jobs.push_back({children, copy.child_blocks()});
    }
  }
  return root;
}

}  // namespace

NodeList::NodeList(std::initializer_list<Node> nodes) {
  items_.reserve(nodes.size());
  for (const Node& node : nodes) push_back(node);
}

NodeList::NodeList(const NodeList& other) : NodeList(deep_copy(other)) {}

NodeList& NodeList::operator=(const NodeList& other) {
  if (this != &other) {
    NodeList copy(other);
    std::swap(items_, copy.items_);
  }
  return *this;
}

NodeList& NodeList::operator=(NodeList&& other) noexcept {
  if (this != &other) {
    NodeList old(std::move(*this));
    items_ = std::move(other.items_);
    other.items_.clear();
  }
  return *this;
}

NodeList::~NodeList() { clear(); }

void NodeList::clear() {
  if (items_.empty()) return;  // most lists that die were moved from
  // Move every grandchild list onto one flat stack before the nodes die, so no node is
  // destroyed while it still owns children.
  std::vector<Node> pending;
  auto detach_children = [&pending](Node& node) {
    if (NodeList* children = node.child_blocks(); children && !children->items_.empty()) {
      pending.insert(pending.end(), std::make_move_iterator(children->items_.begin()),
                     std::make_move_iterator(children->items_.end()));
      children->items_.clear();
    }
  };
  for (Node& node : items_) detach_children(node);
  items_.clear();
  while (!pending.empty()) {
    Node node = std::move(pending.back());
    pending.pop_back();
    detach_children(node);
  }
}

void NodeList::push_back(Node node) { items_.push_back(std::move(node)); }

NodeList::iterator NodeList::insert(const_iterator pos, Node node) {
  return items_.insert(pos, std::move(node));
}

std::vector<Node> NodeList::extract(std::size_t first, std::size_t last) {
  std::vector<Node> removed(std::make_move_iterator(items_.begin() + first),
                            std::make_move_iterator(items_.begin() + last));
  items_.erase(items_.begin() + first, items_.begin() + last);
  return removed;
}

// Recursive on the depth of the tree; only tests compare trees.
bool operator==(const NodeList& a, const NodeList& b) { return a.items_ == b.items_; }

std::string_view Node::tag() const {
  static constexpr std::string_view kTags[] = {
      "section", "paragraph", "bullet_list", "ordered_list", "list_item",
      "cover",   "figure",    "code_block",  "table",        "admonition"};
  static_assert(std::size(kTags) == std::variant_size_v<Variant>);
  return kTags[value.index()];
}

NodeList* Node::child_blocks() {
  if (auto* section = get_if<SectionNode>()) return &section->children;
  if (auto* admonition = get_if<AdmonitionNode>()) return &admonition->children;
  return nullptr;
}

const NodeList* Node::child_blocks() const { return const_cast<Node*>(this)->child_blocks(); }

std::string make_node_id(std::string_view prefix, std::initializer_list<std::string_view> parts) {
  std::string id(prefix);
  for (std::string_view part : parts) {
    if (part.empty()) continue;
    id += '-';
    for (char c : part) id += c == ' ' ? '_' : c;
  }
  return id;
}

}  // namespace lorvane::parser
