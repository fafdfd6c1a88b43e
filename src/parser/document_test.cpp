#include "parser/document.hpp"

#include <gtest/gtest.h>

#include "parser/test_util.hpp"

namespace lorvane::parser {
namespace {

TEST(MakeNodeId, Cases) {
  struct Case {
    const char* name;
    std::string want;
    std::string got;
  };
  const Case cases[] = {
      {"section", "sec-2.2", make_node_id("sec", {"2.2"})},
      {"two parts", "p-1.-0", make_node_id("p", {"1.", "0"})},
      {"empty parts dropped", "li-a_b", make_node_id("li", {"", "a b", ""})},
      {"two spaces", "x-a__b", make_node_id("x", {"a  b"})},
      {"other white space kept",
       "x-a\tb\xC2\xA0"
       "c",
       make_node_id("x", {"a\tb\xC2\xA0"
                          "c"})},
      {"only empty parts", "inj", make_node_id("inj", {"", ""})},
      {"no parts", "doc", make_node_id("doc", {})},
      {"part not trimmed", "x-_a_", make_node_id("x", {" a "})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.got, c.want);
  }
}

TEST(Node, TagsInDeclaredOrder) {
  EXPECT_EQ(Node(SectionNode{}).tag(), "section");
  EXPECT_EQ(Node(ParagraphNode{}).tag(), "paragraph");
  EXPECT_EQ(Node(BulletListNode{}).tag(), "bullet_list");
  EXPECT_EQ(Node(OrderedListNode{}).tag(), "ordered_list");
  EXPECT_EQ(Node(ListItemNode{}).tag(), "list_item");
  EXPECT_EQ(Node(CoverNode{}).tag(), "cover");
  EXPECT_EQ(Node(FigureNode{}).tag(), "figure");
  EXPECT_EQ(Node(CodeBlockNode{}).tag(), "code_block");
  EXPECT_EQ(Node(TableNode{}).tag(), "table");
  EXPECT_EQ(Node(AdmonitionNode{}).tag(), "admonition");
}

Document sample_document() {
  Document doc;
  doc.title = "T";
  doc.metadata = {{"Author", "a"}};
  SectionNode section;
  section.number = "1.";
  section.node_id = "sec-1";
  section.children.push_back(ParagraphNode{"p", "p-1.-0"});
  AdmonitionNode note;
  note.level = "note";
  note.children.push_back(ParagraphNode{"inner", "inj-0-p0"});
  section.children.push_back(std::move(note));
  doc.children.push_back(std::move(section));
  return doc;
}

TEST(DeepCopy, CopyIsIndependentOfSource) {
  const Document base = sample_document();
  Document copy = base;
  EXPECT_EQ(copy, base);
  auto& section = *copy.children[0].get_if<SectionNode>();
  auto& note = *section.children[1].get_if<AdmonitionNode>();
  note.children.push_back(ParagraphNode{"added", "x"});
  section.children.insert(section.children.begin(), ParagraphNode{"first", "y"});
  EXPECT_NE(copy, base);
  const auto& base_section = *base.children[0].get_if<SectionNode>();
  ASSERT_EQ(base_section.children.size(), 2u);
  EXPECT_EQ(base_section.children[1].get_if<AdmonitionNode>()->children.size(), 1u);
}

// Sections and admonitions are copied member by member around their child lists: every
// member, set here to a value of its own, must come through.
TEST(DeepCopy, KeepsEveryMemberOfNodesWithChildren) {
  AdmonitionNode note;
  note.level = "WARNING";
  note.render_hints = RenderHints{{"tone", JsonValue(std::string("loud"))}};
  note.node_id = "inj-0";
  note.children.push_back(ParagraphNode{"inner", "inj-0-p0"});
  SectionNode section;
  section.number = "2.3";
  section.title = "Title";
  section.level = 2;
  section.node_id = "sec-2.3";
  section.source = SourceLocation{17};
  section.semantic_type = "summary";
  section.render_hints = RenderHints{{"columns", JsonValue(std::uint64_t{2})}};
  section.children.push_back(std::move(note));
  const Node original(std::move(section));

  const Node copy = original;
  EXPECT_EQ(copy, original);
  const SectionNode& copied = *copy.get_if<SectionNode>();
  EXPECT_EQ(copied.number, "2.3");
  EXPECT_EQ(copied.title, "Title");
  EXPECT_EQ(copied.level, 2);
  EXPECT_EQ(copied.node_id, "sec-2.3");
  EXPECT_EQ(copied.source, SourceLocation{17});
  EXPECT_EQ(copied.semantic_type, "summary");
  EXPECT_EQ(copied.render_hints, original.get_if<SectionNode>()->render_hints);
  ASSERT_EQ(copied.children.size(), 1u);
  const AdmonitionNode& copied_note = *copied.children[0].get_if<AdmonitionNode>();
  EXPECT_EQ(copied_note.level, "WARNING");
  EXPECT_EQ(copied_note.node_id, "inj-0");
  ASSERT_TRUE(copied_note.render_hints);
  EXPECT_EQ(copied_note.render_hints->at("tone"), JsonValue(std::string("loud")));
  EXPECT_EQ(copied_note.children, (NodeList{ParagraphNode{"inner", "inj-0-p0"}}));
}

TEST(DeepCopy, AssignmentReplacesOldTree) {
  Document a = sample_document();
  Document b;
  b = a;
  EXPECT_EQ(a, b);
  b = Document{};
  EXPECT_TRUE(b.children.empty());
  EXPECT_EQ(a.children.size(), 1u);
}

TEST(NodeList, ExtractKeepsOrder) {
  NodeList list{ParagraphNode{"a", "1"}, ParagraphNode{"b", "2"}, ParagraphNode{"c", "3"},
                ParagraphNode{"d", "4"}};
  std::vector<Node> removed = list.extract(1, 3);
  ASSERT_EQ(removed.size(), 2u);
  EXPECT_EQ(removed[0].get_if<ParagraphNode>()->text, "b");
  EXPECT_EQ(removed[1].get_if<ParagraphNode>()->text, "c");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].get_if<ParagraphNode>()->text, "d");
}

// The number of admonitions nested in each other from `list` down to the first other node.
int chain_depth(const NodeList& list) {
  const NodeList* level = &list;
  int depth = 0;
  while (const auto* admonition = (*level)[0].get_if<AdmonitionNode>()) {
    level = &admonition->children;
    ++depth;
  }
  return depth;
}

// A chain of admonitions nested far deeper than the call stack could recurse through:
// copying, moving and destroying it must not overflow.
TEST(DeepTree, HundredThousandLevelsCopyAndDestroy) {
  constexpr int kDepth = 100000;
  NodeList chain;
  chain.push_back(ParagraphNode{"leaf", "p"});
  for (int i = 0; i < kDepth; ++i) {
    AdmonitionNode wrapper;
    wrapper.level = "note";
    wrapper.children = std::move(chain);
    chain = NodeList{};
    chain.push_back(std::move(wrapper));
  }
  Document doc;
  SectionNode section;
  section.children = std::move(chain);
  doc.children.push_back(std::move(section));

  testing::run_with_small_stack(
      [&] {
        Document copy = doc;
        // Walk the copy down to the leaf without recursion.
        const NodeList* level = &copy.children[0].get_if<SectionNode>()->children;
        int depth = 0;
        while (const auto* admonition = (*level)[0].get_if<AdmonitionNode>()) {
          level = &admonition->children;
          ++depth;
        }
        EXPECT_EQ(depth, kDepth);
        EXPECT_EQ((*level)[0].get_if<ParagraphNode>()->text, "leaf");
        // A lone node copies its subtree the same way.
        const Node section_copy = copy.children[0];
        EXPECT_EQ(chain_depth(section_copy.get_if<SectionNode>()->children), kDepth);
        Document moved = std::move(copy);
        moved = doc;  // assignment drops the old deep tree
        doc = Document{};
      },
      256 * 1024);
  EXPECT_TRUE(doc.children.empty());
}

}  // namespace
}  // namespace lorvane::parser
