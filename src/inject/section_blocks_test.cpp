#include "inject/section_blocks.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "inject/test_fixtures.hpp"
#include "parser/test_util.hpp"

namespace lorvane::inject {
namespace {

using testing::admonition;
using testing::bullet_list;
using testing::ids;
using testing::ordered_list;
using testing::paragraph;
using testing::section;

TEST(EqualsAsciiLower, FoldsOnlyAsciiCapitals) {
  struct Case {
    const char* text;
    const char* lower;
    bool equal;
  };
  // Folding by setting bit 0x20 would also turn "@", "[" and "\", next to the capitals,
  // into "`", "{" and "|".
  const Case cases[] = {
      {"tip", "tip", true},
      {"TiP", "tip", true},
      {"WARNING", "warning", true},
      {"", "", true},
      {"tips", "tip", false},
      {"ti", "tip", false},
      {"[", "{", false},
      {"@", "`", false},
      {"\\", "|", false},
      {"\xC3\x89t\xC3\xA9", "\xC3\xA9t\xC3\xA9", false},
      {"tip", "TIP", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(equals_ascii_lower(c.text, c.lower), c.equal);
  }
}

TEST(NoteAdmonition, FourLetterCaseInsensitiveTest) {
  struct Case {
    const char* level;
    bool note;
  };
  const Case cases[] = {{"note", true},  {"Note", true},   {"NOTE", true},
                        {"nOtE", true},  {"notes", false}, {" note", false},
                        {"info", false}, {"", false},      {"nöte", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.level);
    EXPECT_EQ(is_note_admonition(admonition(c.level)), c.note);
    EXPECT_EQ(block_kind(admonition(c.level)), c.note ? BlockKind::kNote : BlockKind::kOther);
  }
  EXPECT_EQ(block_kind(paragraph("p")), BlockKind::kParagraph);
  EXPECT_EQ(block_kind(bullet_list("b")), BlockKind::kList);
  EXPECT_EQ(block_kind(ordered_list("o")), BlockKind::kList);
  EXPECT_EQ(block_kind(parser::FigureNode{}), BlockKind::kOther);
}

TEST(AdmonitionDepth, CountsAdmonitionsOnTheLongestPath) {
  EXPECT_EQ(admonition_depth(paragraph("p")), 0u);
  EXPECT_EQ(admonition_depth(admonition("note")), 1u);
  const parser::Node nested =
      admonition("a", {paragraph("p"), admonition("b", {admonition("c")}), admonition("d")});
  EXPECT_EQ(admonition_depth(nested), 3u);
  // A section in between counts no level of its own.
  parser::SectionNode inner = section("9.", {admonition("x", {admonition("y")})});
  EXPECT_EQ(admonition_depth(parser::Node(inner)), 2u);
}

TEST(AdmonitionDepth, DoesNotRecurseOnDepth) {
  parser::Node chain = paragraph("leaf");
  for (int i = 0; i < 100000; ++i) {
    parser::AdmonitionNode outer{"note", {}, {}, {}};
    outer.children.push_back(std::move(chain));
    chain = std::move(outer);
  }
  std::uint32_t depth = 0;
  lorvane::testing::run_with_small_stack([&] { depth = admonition_depth(chain); }, 256 * 1024);
  EXPECT_EQ(depth, 100000u);
}

TEST(SectionBlocks, TakesAndGivesBackTheChildren) {
  parser::SectionNode s =
      section("1.", {paragraph("a", "a"), bullet_list("b"), paragraph("c", "c")});
  {
    SectionBlocks blocks(s);
    EXPECT_TRUE(s.children.empty());
    EXPECT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks.number(), "1.");
    blocks.insert(1, paragraph("x", "x"));
  }  // the destructor gives them back
  EXPECT_EQ(ids(s.children), (std::vector<std::string>{"a", "x", "b", "c"}));
}

TEST(SectionBlocks, EmptySection) {
  parser::SectionNode s = section("1.");
  SectionBlocks blocks(s);
  EXPECT_TRUE(blocks.empty());
  EXPECT_FALSE(blocks.find_occurrence(BlockKind::kParagraph, 0));
  blocks.append(paragraph("a", "a"));
  blocks.insert(0, paragraph("b", "b"));
  blocks.wrap(0, 1, parser::AdmonitionNode{"note", {}, {}, "w"});
  EXPECT_EQ(blocks.find_occurrence(BlockKind::kNote, 0), 0u);
  blocks.finish();
  ASSERT_EQ(s.children.size(), 1u);
  EXPECT_EQ(ids(s.children[0].get_if<parser::AdmonitionNode>()->children),
            (std::vector<std::string>{"b", "a"}));
}

// The same operations on a plain vector, for comparison.
struct Model {
  struct Block {
    std::string id;
    BlockKind kind;
    std::uint32_t depth;
  };
  std::vector<Block> blocks;

  std::optional<std::size_t> find(BlockKind kind, std::uint64_t n) const {
    for (std::size_t i = 0; i < blocks.size(); ++i)
      if (blocks[i].kind == kind && n-- == 0) return i;
    return std::nullopt;
  }
  std::uint32_t depth(std::size_t first, std::size_t last) const {
    std::uint32_t d = 0;
    for (std::size_t i = first; i <= last; ++i) d = std::max(d, blocks[i].depth);
    return d;
  }
};

// Random runs of every operation over sections large enough to split chunks and to be
// regrouped, checked step by step against the plain vector.
TEST(SectionBlocks, AgreesWithAPlainListOnRandomRuns) {
  for (std::size_t initial : {0u, 1u, 5u, 100u, 3000u}) {
    SCOPED_TRACE(initial);
    std::mt19937_64 random(initial + 17);
    parser::SectionNode s = section("1.");
    Model model;
    int next_id = 0;
    auto make = [&](int kind, std::string& id) -> parser::Node {
      id = "n" + std::to_string(next_id++);
      switch (kind) {
        case 0:
          return paragraph("text", id);
        case 1:
          return bullet_list(id);
        case 2:
          return admonition("Note", {}, id);
        default:
          return parser::FigureNode{"src", {}, {}, {}, {}, id};
      }
    };
    auto model_kind = [](int kind) {
      return kind == 0   ? BlockKind::kParagraph
             : kind == 1 ? BlockKind::kList
             : kind == 2 ? BlockKind::kNote
                         : BlockKind::kOther;
    };
    for (std::size_t i = 0; i < initial; ++i) {
      const int kind = static_cast<int>(random() % 4);
      std::string id;
      s.children.push_back(make(kind, id));
      model.blocks.push_back({id, model_kind(kind), kind == 2 ? 1u : 0u});
    }
    SectionBlocks blocks(s);
    for (int step = 0; step < 6000; ++step) {
      const std::size_t size = model.blocks.size();
      ASSERT_EQ(blocks.size(), size);
      const auto op = random() % 10;
      if (op < 6 || size == 0) {
        const std::size_t at = random() % (size + 1);
        const int kind = static_cast<int>(random() % 4);
        std::string id;
        blocks.insert(at, make(kind, id));
        model.blocks.insert(model.blocks.begin() + static_cast<std::ptrdiff_t>(at),
                            {id, model_kind(kind), kind == 2 ? 1u : 0u});
      } else if (op < 8) {
        const auto kind = static_cast<BlockKind>(1 + random() % 3);
        const std::uint64_t n = random() % (size / 2 + 2);
        ASSERT_EQ(blocks.find_occurrence(kind, n), model.find(kind, n)) << step;
      } else {
        std::size_t first = random() % size;
        std::size_t last = std::min(size - 1, first + random() % 40);
        if (random() % 20 == 0) first = 0, last = size - 1;
        ASSERT_EQ(blocks.max_admonition_depth(first, last), model.depth(first, last)) << step;
        if (op == 9) {
          const std::string id = "w" + std::to_string(next_id++);
          const bool note = random() % 2 == 0;
          blocks.wrap(first, last, parser::AdmonitionNode{note ? "NOTE" : "tip", {}, {}, id});
          const std::uint32_t depth = model.depth(first, last) + 1;
          model.blocks.erase(model.blocks.begin() + static_cast<std::ptrdiff_t>(first),
                             model.blocks.begin() + static_cast<std::ptrdiff_t>(last + 1));
          model.blocks.insert(model.blocks.begin() + static_cast<std::ptrdiff_t>(first),
                              {id, note ? BlockKind::kNote : BlockKind::kOther, depth});
        }
      }
    }
    blocks.finish();
    std::vector<std::string> want;
    for (const auto& block : model.blocks) want.push_back(block.id);
    EXPECT_EQ(ids(s.children), want);
  }
}

TEST(SectionBlocks, WrapMovesTheRangeIntoTheAdmonitionInOrder) {
  parser::SectionNode s = section(
      "2.", {paragraph("a", "a"), paragraph("b", "b"), paragraph("c", "c"), paragraph("d", "d")});
  SectionBlocks blocks(s);
  blocks.wrap(1, 2, parser::AdmonitionNode{"tip", {}, {}, "w"});
  EXPECT_EQ(blocks.size(), 3u);
  EXPECT_EQ(blocks.max_admonition_depth(1, 1), 1u);
  EXPECT_EQ(blocks.find_occurrence(BlockKind::kParagraph, 1), 2u);  // d, after the wrap
  blocks.finish();
  EXPECT_EQ(ids(s.children), (std::vector<std::string>{"a", "w", "d"}));
  EXPECT_EQ(ids(s.children[1].get_if<parser::AdmonitionNode>()->children),
            (std::vector<std::string>{"b", "c"}));
}

}  // namespace
}  // namespace lorvane::inject
