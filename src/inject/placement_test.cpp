#include "inject/placement.hpp"

#include <gtest/gtest.h>

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
using testing::WarningLines;
using Ids = std::vector<std::string>;

// The lookup as first written: a depth-first search of the whole tree (a section before
// its own children, other nodes neither compared nor searched inside), with an explicit
// stack. The reference that the index must agree with on documents, whose sections all
// lie at the top level.
parser::SectionNode* find_section(parser::NodeList& sections, std::string_view target) {
  auto without_trailing_dots = [](std::string_view number) {
    while (!number.empty() && number.back() == '.') number.remove_suffix(1);
    return number;
  };
  const std::string_view wanted = without_trailing_dots(target);
  struct Frame {
    parser::NodeList* list;
    std::size_t next;
  };
  std::vector<Frame> stack{{&sections, 0}};
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.next == frame.list->size()) {
      stack.pop_back();
      continue;
    }
    parser::Node& node = (*frame.list)[frame.next++];
    auto* section = node.get_if<parser::SectionNode>();
    if (section == nullptr) continue;
    if (without_trailing_dots(section->number) == wanted) return section;
    if (!section->children.empty()) stack.push_back({&section->children, 0});
  }
  return nullptr;
}

parser::Document top_level(std::initializer_list<const char*> numbers) {
  parser::Document document;
  for (const char* number : numbers) document.children.push_back(section(number));
  return document;
}

TEST(FindSection, ComparesNumbersWithoutTrailingDots) {
  parser::Document document = top_level({"1.", "1.2", "1.20", "2.", "3..", "."});
  parser::NodeList& sections = document.children;
  sections.insert(sections.begin(), paragraph("not a section"));
  struct Case {
    const char* target;
    const char* want;  // number of the section found, or nullptr
  };
  const Case cases[] = {
      {"2", "2."},      {"2.", "2."},    {"2..", "2."},   {"3", "3.."},    {"1.2", "1.2"},
      {"1.20", "1.20"}, {"1.2.", "1.2"}, {" 2", nullptr}, {"02", nullptr}, {"2 ", nullptr},
      {"1.3", nullptr}, {"...", "."},    {"", "."},
  };
  SectionIndex index(document);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    for (parser::SectionNode* found : {find_section(sections, c.target), index.find(c.target)}) {
      if (c.want == nullptr) {
        EXPECT_EQ(found, nullptr);
      } else {
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->number, c.want);
      }
    }
  }
}

TEST(FindSection, FirstMatchInDocumentOrder) {
  parser::Document document = top_level({"1.", "2.", "1"});
  parser::NodeList& sections = document.children;
  sections[2].get_if<parser::SectionNode>()->title = "second one";
  SectionIndex index(document);
  EXPECT_EQ(index.find("1"), sections[0].get_if<parser::SectionNode>());
  EXPECT_EQ(find_section(sections, "1"), sections[0].get_if<parser::SectionNode>());
}

TEST(FindSection, IndexAgreesWithTheFullSearch) {
  // Many sections out of order, each number twice ("n." then "n"), so that sorting must
  // keep equal numbers in document order.
  parser::Document document;
  parser::NodeList& sections = document.children;
  for (int i = 300; i > 0; --i) {
    const std::string number = std::to_string(i % 97) + "." + std::to_string(i);
    sections.push_back(section(number + "."));
    sections.push_back(section(number));
  }
  const SectionIndex index(document);
  for (int i = 0; i <= 301; ++i) {
    const std::string target = std::to_string(i % 97) + "." + std::to_string(i);
    SCOPED_TRACE(target);
    parser::SectionNode* want = find_section(sections, target);
    EXPECT_EQ(index.find(target), want);
    EXPECT_EQ(index.find(target + ".."), want);
    if (i >= 1 && i <= 300) {
      ASSERT_NE(want, nullptr);
      EXPECT_EQ(want->number, target + ".");
    }
  }
  EXPECT_EQ(index.find("1"), nullptr);
}

TEST(FindSection, SearchesInsideSectionsButNotInsideOtherNodes) {
  // Not a parsed document: 1. holds 1.1 (which holds 1.1.1) and an admonition that holds
  // 1.2; then 2. and 1.1 again at the top level.
  parser::SectionNode inner = section("1.1", {section("1.1.1")});
  parser::SectionNode outer =
      section("1.", {paragraph("p"), inner, admonition("note", {section("1.2")})});
  parser::Document document;
  parser::NodeList& sections = document.children;
  sections.push_back(outer);
  sections.push_back(section("2."));
  sections.push_back(section("1.1"));
  sections.back().get_if<parser::SectionNode>()->title = "top-level 1.1";
  parser::SectionNode* found = find_section(sections, "1.1");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->title, "Title 1.1");  // depth first: the nested one comes first
  EXPECT_NE(find_section(sections, "1.1.1"), nullptr);
  EXPECT_EQ(find_section(sections, "1.2"), nullptr);
  // The index holds the top-level sections only.
  SectionIndex index(document);
  ASSERT_NE(index.find("1.1"), nullptr);
  EXPECT_EQ(index.find("1.1")->title, "top-level 1.1");
  EXPECT_EQ(index.find("1.1.1"), nullptr);
  EXPECT_EQ(index.find("1.2"), nullptr);
  EXPECT_EQ(index.find("2"), sections[1].get_if<parser::SectionNode>());
}

TEST(FindSection, DeepNestingDoesNotRecurse) {
  parser::SectionNode chain = section("leaf");
  for (int i = 0; i < 100000; ++i) {
    parser::SectionNode outer = section("s" + std::to_string(i));
    outer.children.push_back(std::move(chain));
    chain = std::move(outer);
  }
  parser::NodeList sections;
  sections.push_back(std::move(chain));
  parser::SectionNode* found = nullptr;
  lorvane::testing::run_with_small_stack([&] { found = find_section(sections, "leaf"); },
                                         256 * 1024);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->number, "leaf");
}

// One placement on a fresh section "4." whose children are given by id: "p" paragraph,
// "b" bullet list, "o" ordered list, "N"/"n" note admonitions, "i" an "info" admonition,
// "s" a "notes" admonition, "f" a figure.
parser::SectionNode fixture(const std::string& kinds) {
  parser::SectionNode s = section("4.");
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    const std::string id = std::string(1, kinds[i]) + std::to_string(i);
    switch (kinds[i]) {
      case 'p':
        s.children.push_back(paragraph("text", id));
        break;
      case 'b':
        s.children.push_back(bullet_list(id));
        break;
      case 'o':
        s.children.push_back(ordered_list(id));
        break;
      case 'N':
        s.children.push_back(admonition("NOTE", {}, id));
        break;
      case 'n':
        s.children.push_back(admonition("Note", {}, id));
        break;
      case 'i':
        s.children.push_back(admonition("info", {}, id));
        break;
      case 's':
        s.children.push_back(admonition("notes", {}, id));
        break;
      default:
        s.children.push_back(parser::FigureNode{"x.svg", {}, {}, {}, {}, id});
        break;
    }
  }
  return s;
}

TargetSpec target_with(void (*set)(TargetSpec&)) {
  TargetSpec target;
  target.section = "4";
  set(target);
  return target;
}

TEST(PlaceBlock, SelectorPrecedenceAndMisses) {
  struct Case {
    const char* name;
    const char* children;
    TargetSpec target;
    Ids want;           // ids after a lenient placement of "X"
    const char* error;  // the strict error, or nullptr when strict succeeds the same way
  };
  const Case cases[] = {
      {"no selector appends", "pp", target_with([](TargetSpec&) {}), {"p0", "p1", "X"}, nullptr},
      {"prepend beats after_paragraph",
       "pp",
       target_with([](TargetSpec& t) { t.prepend = true, t.after_paragraph = 0; }),
       {"X", "p0", "p1"},
       nullptr},
      {"prepend false is absent",
       "pp",
       target_with([](TargetSpec& t) { t.prepend = false, t.after_paragraph = 0; }),
       {"p0", "X", "p1"},
       nullptr},
      {"after_block beats after_note",
       "pNp",
       target_with([](TargetSpec& t) { t.after_block = 0, t.after_note = 0; }),
       {"p0", "X", "N1", "p2"},
       nullptr},
      {"after_block beats before_paragraph",
       "pp",
       target_with([](TargetSpec& t) { t.after_block = 1, t.before_paragraph = 0; }),
       {"p0", "p1", "X"},
       nullptr},
      {"prepend beats after_block",
       "pp",
       target_with([](TargetSpec& t) { t.prepend = true, t.after_block = 0; }),
       {"X", "p0", "p1"},
       nullptr},
      {"before_paragraph counts paragraphs only",
       "bpp",
       target_with([](TargetSpec& t) { t.before_paragraph = 0; }),
       {"b0", "X", "p1", "p2"},
       nullptr},
      {"after_paragraph on the last paragraph appends",
       "bpp",
       target_with([](TargetSpec& t) { t.after_paragraph = 1; }),
       {"b0", "p1", "p2", "X"},
       nullptr},
      {"before_paragraph beats after_paragraph",
       "pp",
       target_with([](TargetSpec& t) { t.before_paragraph = 1, t.after_paragraph = 0; }),
       {"p0", "X", "p1"},
       nullptr},
      {"after_list counts both kinds together",
       "opb",
       target_with([](TargetSpec& t) { t.after_list = 1; }),
       {"o0", "p1", "b2", "X"},
       nullptr},
      {"after_list zero",
       "opb",
       target_with([](TargetSpec& t) { t.after_list = 0; }),
       {"o0", "X", "p1", "b2"},
       nullptr},
      {"after_paragraph beats after_list",
       "pb",
       target_with([](TargetSpec& t) { t.after_list = 0, t.after_paragraph = 0; }),
       {"p0", "X", "b1"},
       nullptr},
      {"after_note skips info and notes",
       "isnN",
       target_with([](TargetSpec& t) { t.after_note = 0; }),
       {"i0", "s1", "n2", "X", "N3"},
       nullptr},
      {"after_note second",
       "isnN",
       target_with([](TargetSpec& t) { t.after_note = 1; }),
       {"i0", "s1", "n2", "N3", "X"},
       nullptr},
      {"range selectors are not placement selectors",
       "pp",
       target_with([](TargetSpec& t) { t.start_block = 0, t.end_block = 0; }),
       {"p0", "p1", "X"},
       nullptr},
      {"after_block count minus one appends",
       "pf",
       target_with([](TargetSpec& t) { t.after_block = 1; }),
       {"p0", "f1", "X"},
       nullptr},
      {"after_block at count",
       "pf",
       target_with([](TargetSpec& t) { t.after_block = 2; }),
       {"p0", "f1", "X"},
       "after_block=2 is out of range for section '4.' with 2 child blocks"},
      {"after_block huge",
       "",
       target_with([](TargetSpec& t) { t.after_block = 18446744073709551615ull; }),
       {"X"},
       "after_block=18446744073709551615 is out of range for section '4.' with 0 child blocks"},
      {"missing paragraph before",
       "bpf",
       target_with([](TargetSpec& t) { t.before_paragraph = 1; }),
       {"b0", "p1", "f2", "X"},
       "target paragraph #1 not found in section 4."},
      {"missing paragraph after",
       "b",
       target_with([](TargetSpec& t) { t.after_paragraph = 0; }),
       {"b0", "X"},
       "target paragraph #0 not found in section 4."},
      {"missing list",
       "pbp",
       target_with([](TargetSpec& t) { t.after_list = 1; }),
       {"p0", "b1", "p2", "X"},
       "target list #1 not found in section 4."},
      {"missing note admonition",
       "is",
       target_with([](TargetSpec& t) { t.after_note = 0; }),
       {"i0", "s1", "X"},
       "target note admonition #0 not found in section 4."},
      {"miss on an empty section",
       "",
       target_with([](TargetSpec& t) { t.after_paragraph = 3; }),
       {"X"},
       "target paragraph #3 not found in section 4."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    {  // lenient
      WarningLines warnings;
      parser::SectionNode s = fixture(c.children);
      {
        SectionBlocks blocks(s);
        ASSERT_TRUE(place_block(blocks, paragraph("new", "X"), c.target, warnings.lenient()));
      }
      EXPECT_EQ(ids(s.children), c.want);
      if (c.error == nullptr)
        EXPECT_TRUE(warnings.lines().empty());
      else
        EXPECT_EQ(warnings.lines(), Ids{"WARN: " + std::string(c.error) + "; appending\n"});
    }
    {  // strict
      WarningLines warnings;
      parser::SectionNode s = fixture(c.children);
      const Ids before = ids(s.children);
      Status placed = Status();
      {
        SectionBlocks blocks(s);
        placed = place_block(blocks, paragraph("new", "X"), c.target, warnings.strict());
      }
      EXPECT_TRUE(warnings.lines().empty());
      if (c.error == nullptr) {
        ASSERT_TRUE(placed);
        EXPECT_EQ(ids(s.children), c.want);
      } else {
        ASSERT_FALSE(placed);
        EXPECT_EQ(placed.error().message(), c.error);
        EXPECT_TRUE(placed.error().causes().empty());
        EXPECT_EQ(ids(s.children), before);
      }
    }
  }
}

TEST(PlaceBlock, OccurrencesCountEarlierPlacements) {
  parser::SectionNode s = fixture("pp");
  WarningLines warnings;
  {
    SectionBlocks blocks(s);
    TargetSpec first = target_with([](TargetSpec& t) { t.prepend = true; });
    ASSERT_TRUE(place_block(blocks, paragraph("new", "A"), first, warnings.strict()));
    // A is now paragraph #0, so #1 is p0.
    TargetSpec second = target_with([](TargetSpec& t) { t.after_paragraph = 1; });
    ASSERT_TRUE(place_block(blocks, paragraph("new", "B"), second, warnings.strict()));
    // A note admonition placed earlier counts for after_note.
    ASSERT_TRUE(place_block(blocks, admonition("note", {}, "C"), first, warnings.strict()));
    TargetSpec fourth = target_with([](TargetSpec& t) { t.after_note = 0; });
    ASSERT_TRUE(place_block(blocks, paragraph("new", "D"), fourth, warnings.strict()));
  }
  EXPECT_EQ(ids(s.children), (Ids{"C", "D", "A", "p0", "B", "p1"}));
}

InjectionSpec range_entry(const char* type) {
  InjectionSpec entry;
  entry.type = type;
  entry.target.section = "4";
  return entry;
}

TEST(WrapBlockRange, ChecksInOrderAndWarnsOrFails) {
  struct Case {
    const char* name;
    const char* children;
    std::uint64_t start, end;
    Ids want_lenient;    // top-level ids after a lenient run
    const char* error;   // strict error text, nullptr when the wrap succeeds
    bool error_in_both;  // the error ends a lenient run as well
  };
  const Case cases[] = {
      {"one block", "ppp", 1, 1, {"p0", "W", "p2"}, nullptr, false},
      {"every block", "pbp", 0, 2, {"W"}, nullptr, false},
      {"empty section beats start > end", "", 3, 1, {}, "section 4. has no child blocks", false},
      {"empty section", "", 0, 0, {}, "section 4. has no child blocks", false},
      {"start > end",
       "pp",
       1,
       0,
       {},
       "invalid admonition block range: start_block > end_block",
       true},
      {"start > end beats out of range",
       "pp",
       9,
       5,
       {},
       "invalid admonition block range: start_block > end_block",
       true},
      {"end at count",
       "ppp",
       1,
       3,
       {"p0", "p1", "p2"},
       "admonition block range [1..=3] exceeds section '4.' child count 3",
       false},
      {"start and end beyond",
       "p",
       5,
       7,
       {"p0"},
       "admonition block range [5..=7] exceeds section '4.' child count 1",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (bool strict : {true, false}) {
      SCOPED_TRACE(strict ? "strict" : "lenient");
      WarningLines warnings;
      parser::SectionNode s = fixture(c.children);
      const Ids before = ids(s.children);
      InjectionSpec entry = range_entry("note");
      entry.id = "W";
      Status wrapped = Status();
      {
        SectionBlocks blocks(s);
        wrapped = wrap_block_range(blocks, entry, 0, c.start, c.end,
                                   strict ? warnings.strict() : warnings.lenient());
      }
      if (c.error == nullptr) {
        ASSERT_TRUE(wrapped);
        EXPECT_EQ(ids(s.children), c.want_lenient);
        EXPECT_TRUE(warnings.lines().empty());
      } else if (strict || c.error_in_both) {
        ASSERT_FALSE(wrapped);
        EXPECT_EQ(wrapped.error().message(), c.error);
        EXPECT_EQ(ids(s.children), before);
        EXPECT_TRUE(warnings.lines().empty());
      } else {
        ASSERT_TRUE(wrapped);
        EXPECT_EQ(ids(s.children), before);  // no effect
        EXPECT_EQ(warnings.lines(), Ids{"WARN: " + std::string(c.error) + "\n"});
      }
    }
  }
}

TEST(WrapBlockRange, MovesTheRangeIntoOneAdmonition) {
  parser::SectionNode s = fixture("pbpf");
  InjectionSpec entry = range_entry("warning");
  entry.title = "Careful";
  {
    SectionBlocks blocks(s);
    ASSERT_TRUE(wrap_block_range(blocks, entry, 7, 1, 2, WarningLines().strict()));
  }
  ASSERT_EQ(ids(s.children), (Ids{"p0", "inj-warning-7", "f3"}));
  const auto* wrapped = s.children[1].get_if<parser::AdmonitionNode>();
  ASSERT_NE(wrapped, nullptr);
  EXPECT_EQ(wrapped->level, "WARNING");
  EXPECT_EQ(ids(wrapped->children), (Ids{"b1", "p2"}));
  ASSERT_TRUE(wrapped->render_hints);
  EXPECT_EQ(wrapped->render_hints->at("title"), parser::JsonValue(std::string("Careful")));
}

// Wrapping the same block again and again stops at 32 levels of admonitions.
TEST(WrapBlockRange, BoundsTheNestingDepth) {
  const char* message =
      "admonition block range [0..=0] in section '4.' would nest admonitions deeper than 32 levels";
  for (bool strict : {true, false}) {
    SCOPED_TRACE(strict ? "strict" : "lenient");
    WarningLines warnings;
    parser::SectionNode s = fixture("pp");
    int refused_at = -1;
    {
      SectionBlocks blocks(s);
      for (int i = 0; i < 40; ++i) {
        Status wrapped =
            wrap_block_range(blocks, range_entry("note"), static_cast<std::uint64_t>(i), 0, 0,
                             strict ? warnings.strict() : warnings.lenient());
        if (!wrapped) {
          EXPECT_EQ(wrapped.error().message(), message);
          refused_at = i;
          break;
        }
      }
    }
    if (strict) {
      EXPECT_EQ(refused_at, 32);
      EXPECT_TRUE(warnings.lines().empty());
    } else {
      EXPECT_EQ(refused_at, -1);
      EXPECT_EQ(warnings.lines(), Ids(8, "WARN: " + std::string(message) + "\n"));
    }
    ASSERT_EQ(s.children.size(), 2u);
    EXPECT_EQ(admonition_depth(s.children[0]), 32u);
    EXPECT_EQ(s.children[0].get_if<parser::AdmonitionNode>()->node_id, "inj-note-31");
  }
}

TEST(WrapBlockRange, DepthCountsTheDeepestWrappedBlock) {
  // A block already 31 levels deep can be wrapped once more, also together with
  // shallower blocks; 32 deep cannot.
  for (std::uint32_t existing : {31u, 32u}) {
    SCOPED_TRACE(existing);
    parser::Node deep = paragraph("leaf");
    for (std::uint32_t i = 0; i < existing; ++i) {
      parser::AdmonitionNode outer{"tip", {}, {}, {}};
      outer.children.push_back(std::move(deep));
      deep = std::move(outer);
    }
    parser::SectionNode s =
        section("4.", {paragraph("a"), admonition("tip"), deep, paragraph("b")});
    SectionBlocks blocks(s);
    Status wrapped = wrap_block_range(blocks, range_entry("tip"), 0, 0, 3, WarningLines().strict());
    EXPECT_EQ(wrapped.ok(), existing == 31);
  }
}

TEST(DefaultAdmonitionLevel, UpperCaseByType) {
  const std::pair<const char*, const char*> cases[] = {
      {"tip", "TIP"},         {"Tip", "TIP"},   {"important", "IMPORTANT"}, {"WARNING", "WARNING"},
      {"example", "EXAMPLE"}, {"note", "NOTE"}, {"admonition", "NOTE"},     {"caution", "NOTE"},
      {"", "NOTE"},           {"tip ", "NOTE"},
  };
  for (const auto& [type, want] : cases) {
    SCOPED_TRACE(type);
    EXPECT_EQ(default_admonition_level(type), want);
  }
}

TEST(MakeAdmonition, FieldRules) {
  InjectionSpec entry = range_entry("admonition");
  parser::AdmonitionNode plain = make_admonition(entry, 3);
  EXPECT_EQ(plain.level, "NOTE");
  EXPECT_EQ(plain.node_id, "inj-admonition-3");
  EXPECT_FALSE(plain.render_hints);
  EXPECT_TRUE(plain.children.empty());

  entry.level = "tip";
  entry.id = "";
  entry.render_hints = testing::map({});
  parser::AdmonitionNode given = make_admonition(entry, 3);
  EXPECT_EQ(given.level, "tip");
  EXPECT_EQ(given.node_id, "");
  EXPECT_FALSE(given.render_hints);  // an empty mapping and no title give none
}

}  // namespace
}  // namespace lorvane::inject
