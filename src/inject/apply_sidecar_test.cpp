#include "inject/apply_sidecar.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "inject/section_blocks.hpp"
#include "inject/test_fixtures.hpp"
#include "parser/json.hpp"

namespace lorvane::inject {
namespace {

using testing::admonition;
using testing::bullet_list;
using testing::ids;
using testing::paragraph;
using testing::section;
using testing::WarningLines;
using Ids = std::vector<std::string>;

// A small BASE document: 1. with three paragraphs, 1.1 with a list between two
// paragraphs, 2. without blocks.
parser::Document base_document() {
  parser::Document document;
  document.cover = parser::DocumentCover{"Doc", "", "", {{"Author", "A"}}};
  document.title = "Doc";
  document.metadata = {{"Author", "A"}};
  document.children.push_back(section("1.", {paragraph("one", "p-1.-0"), paragraph("two", "p-1.-1"),
                                             paragraph("three", "p-1.-2")}));
  document.children.push_back(section("1.1", {paragraph("four", "p-1.1-0"), bullet_list("bl-1.1-1"),
                                              paragraph("five", "p-1.1-1")}));
  document.children.push_back(section("2."));
  return document;
}

struct Merged {
  std::optional<parser::Document> document;
  std::optional<Error> error;
  Ids warnings;
};

Merged run(std::string_view sidecar, bool strict, const parser::Document& base = base_document()) {
  WarningLines lines;
  auto result = apply_sidecar(base, sidecar, strict, lines.sink());
  Merged out;
  if (result)
    out.document = std::move(result).value();
  else
    out.error = std::move(result).error();
  out.warnings = lines.lines();
  return out;
}

// "message / cause" of a failed run.
std::string failure(const Merged& r) {
  if (!r.error) return "(no error)";
  std::string out = r.error->message();
  for (const std::string& cause : r.error->causes()) out += " / " + cause;
  return out;
}

Ids children_of(const parser::Document& document, std::size_t section_index) {
  return ids(document.children[section_index].get_if<parser::SectionNode>()->children);
}

// Handing over the BASE document gives the same FINAL document, warnings and errors as
// merging into a copy of it.
TEST(ApplySidecar, ConsumingTheBaseMergesTheSame) {
  const char* const texts[] = {
      ("injections:\n  - {type: note, text: x, target: {section: '1', after_paragraph: 0}}\n"
       "reclassify:\n  - {type: tip, target: {section: '1.1', start_block: 0, end_block: 1}}\n"),
      "injections:\n  - {type: figure, target: {section: '9'}}\n", "injections: {a: 1}\n"};
  for (const char* text : texts) {
    for (bool strict : {true, false}) {
      SCOPED_TRACE(text);
      WarningLines copied_lines, moved_lines;
      const parser::Document base = base_document();
      auto copied = apply_sidecar(base, text, strict, copied_lines.sink());
      auto moved = apply_sidecar(base_document(), text, strict, moved_lines.sink());
      ASSERT_EQ(copied.ok(), moved.ok());
      if (copied.ok())
        EXPECT_EQ(parser::document_to_json(*moved), parser::document_to_json(*copied));
      else
        EXPECT_EQ(moved.error(), copied.error());
      EXPECT_EQ(moved_lines.lines(), copied_lines.lines());
    }
  }
}

TEST(ApplySidecar, NoEntriesGivesACopyOfTheBase) {
  const parser::Document base = base_document();
  for (const char* text : {"", "# only a comment\n\n", "render:\n  css:\n    reset: x.css\n",
                           "injections:\n", "- a\n- b\n", "metadata: {a: 1}\nstructure: 5\n"}) {
    SCOPED_TRACE(text);
    for (bool strict : {true, false}) {
      Merged r = run(text, strict, base);
      ASSERT_TRUE(r.document) << failure(r);
      EXPECT_EQ(parser::document_to_json(*r.document), parser::document_to_json(base));
      EXPECT_TRUE(r.warnings.empty());
    }
  }
}

TEST(ApplySidecar, ReadingErrorsNameNoEntry) {
  struct Case {
    const char* name;
    const char* text;
    const char* want;  // context / cause
  };
  const Case cases[] = {
      {"second document", "injections: []\n---\n",
       "failed to parse sidecar YAML / deserializing from YAML containing "
       "more than one document is not supported"},
      {"injections is a mapping", "injections: {a: 1}\n",
       "failed to extract injections from sidecar YAML / invalid type: map, expected a sequence"},
      {"plain word element", "injections:\n  - figure\n",
       "failed to extract injections from sidecar YAML / invalid type: string \"figure\", expected "
       "struct "
       "InjectionSpec"},
      {"empty element", "injections:\n  -\n",
       "failed to extract injections from sidecar YAML / missing field `type`"},
      {"unquoted section", "injections:\n  - {type: note, target: {section: 2.10}}\n",
       "failed to extract injections from sidecar YAML / invalid type: floating point `2.1`, "
       "expected a string"},
      {"unquoted section 1.", "injections:\n  - {type: note, target: {section: 1.}}\n",
       "failed to extract injections from sidecar YAML / invalid type: floating point `1.0`, "
       "expected a string"},
      {"selector as text",
       "injections:\n  - {type: note, target: {section: '1', after_paragraph: \"1\"}}\n",
       "failed to extract injections from sidecar YAML / invalid type: string \"1\", expected "
       "usize"},
      {"faulty reclassify list", "injections: []\nreclassify: 7\n",
       "failed to extract injections from sidecar YAML / invalid type: integer `7`, expected a "
       "sequence"},
      {"both faulty: injections reported",
       "reclassify:\n  - {type: note}\ninjections:\n  - {target: {section: '1'}}\n",
       "failed to extract injections from sidecar YAML / missing field `type`"},
      {"faulty reclassify under structure",
       "structure:\n  reclassify:\n    - {type: note, target: {}}\n",
       "failed to extract injections from sidecar YAML / missing field `section`"},
      {"tagged value under an unknown target key",
       "injections:\n  - {type: note, target: {section: '1', extra: !point 5}}\n",
       "failed to extract injections from sidecar YAML / untagged and internally tagged enums do "
       "not support enum "
       "input"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (bool strict : {true, false}) {
      Merged r = run(c.text, strict);
      EXPECT_EQ(failure(r), c.want);
      EXPECT_TRUE(r.warnings.empty());
    }
  }
}

TEST(ApplySidecar, SyntaxErrorsAreParseErrors) {
  for (const char* text :
       {"injections: [\n", "a: b: c\n", "a: 1\na: 2\n", "render:\n  x: 1\n  x: 2\n"}) {
    SCOPED_TRACE(text);
    Merged r = run(text, false);
    ASSERT_TRUE(r.error);
    EXPECT_EQ(r.error->message(), "failed to parse sidecar YAML");
    EXPECT_EQ(r.error->causes().size(), 1u);
  }
}

TEST(ApplySidecar, AFaultyEntryStopsTheMergeBeforeAnyEntryApplies) {
  // The third entry is faulty: nothing is applied, and no warning of the first two
  // entries (an unknown section, an unknown key) is written.
  Merged r =
      run("injections:\n"
          "  - {type: note, target: {section: '9'}}\n"
          "  - {type: note, target: {section: '1', foo: 1}}\n"
          "  - {type: note, target: {section: '1', prepend: yes}}\n",
          false);
  EXPECT_EQ(
      failure(r),
      "failed to extract injections from sidecar YAML / invalid type: string \"yes\", expected a "
      "boolean");
  EXPECT_TRUE(r.warnings.empty());
}

TEST(ApplySidecar, EntryFailuresInStrictAndLenientMode) {
  struct Case {
    const char* name;
    const char* text;
    const char* strict_error;  // context / cause, or nullptr when strict succeeds
    Ids lenient_warnings;      // lines without their "WARN: " and "\n"
    bool lenient_fails;        // the strict error ends a lenient run as well
  };
  const Case cases[] = {
      {"unknown target keys in byte order",
       "injections:\n  - {type: paragraph, text: x, target: {section: '2', foo: 1, Bar: [a], _z: "
       "~}}\n",
       "failed to validate target keys for injection #0 (paragraph) / unsupported target selector "
       "key(s): Bar, _z, foo",
       {"unsupported target selector key(s): Bar, _z, foo"},
       false},
      {"unknown target keys of a reclassify entry",
       "reclassify:\n  - {type: note, target: {section: '1', start_block: 0, end_block: 0, "
       "Section: '2'}}\n",
       "failed to validate target keys for reclassify #0 (note) / unsupported target selector "
       "key(s): Section",
       {"unsupported target selector key(s): Section"},
       false},
      {"injection section not found",
       "injections:\n  - {type: paragraph, text: x, target: {section: '7.'}}\n",
       "failed to apply injection #0 (paragraph) / target section not found: 7.",
       {"target section not found: 7."},
       false},
      {"reclassify section not found",
       "reclassify:\n  - {type: note, target: {section: '02', start_block: 0, end_block: 0}}\n",
       "failed to apply reclassify #0 (note) / target section not found: 02",
       {"target section not found: 02"},
       false},
      {"section is checked before the type and required keys",
       "injections:\n  - {type: Figure, target: {section: '8'}}\n",
       "failed to apply injection #0 (Figure) / target section not found: 8",
       {"target section not found: 8"},
       false},
      {"keys are checked before the section",
       "injections:\n  - {type: Figure, target: {section: '8', x: 1}}\n",
       "failed to validate target keys for injection #0 (Figure) / unsupported target selector "
       "key(s): x",
       {"unsupported target selector key(s): x", "target section not found: 8"},
       false},
      {"unsupported injection type",
       "injections:\n  - {type: Tip, text: x, target: {section: '1'}}\n",
       "failed to apply injection #0 (Tip) / unsupported injection type: Tip",
       {"unsupported injection type: Tip"},
       false},
      {"unsupported reclassify type",
       "reclassify:\n  - {type: figure, target: {section: '1', start_block: 0, end_block: 0}}\n",
       "failed to apply reclassify #0 (figure) / unsupported reclassify type: figure",
       {"unsupported reclassify type: figure"},
       false},
      {"reclassify without a complete range",
       "reclassify:\n  - {type: note, target: {section: '1', start_block: 0}}\n",
       "failed to apply reclassify #0 (note) / reclassify admonition requires start/end block "
       "selectors "
       "(start_block/end_block, from_block/to_block, start_node/end_node, or from_node/to_node)",
       {},
       true},
      {"builder error names the entry",
       "injections:\n"
       "  - {type: paragraph, text: a, target: {section: '2'}}\n"
       "  - {type: paragraph, text: b, target: {section: '2'}}\n"
       "  - {type: paragraph, text: c, target: {section: '2'}}\n"
       "  - {type: figure, alt: x, target: {section: '2'}}\n",
       "failed to apply injection #3 (figure) / figure injection requires src",
       {},
       true},
      {"table csv empty",
       "injections:\n  - {type: table, csv: \"\\n\", target: {section: '1'}}\n",
       "failed to apply injection #0 (table) / CSV is empty",
       {},
       true},
      {"placement miss",
       "injections:\n  - {type: code, code: x, target: {section: '1.1', after_list: 1}}\n",
       "failed to apply injection #0 (code) / target list #1 not found in section 1.1",
       {"target list #1 not found in section 1.1; appending"},
       false},
      {"range beyond the section",
       "reclassify:\n  - {type: tip, target: {section: '1.', from_node: 1, to_node: 3}}\n",
       "failed to apply reclassify #0 (tip) / admonition block range [1..=3] exceeds section '1.' "
       "child count 3",
       {"admonition block range [1..=3] exceeds section '1.' child count 3"},
       false},
      {"range in an empty section",
       "reclassify:\n  - {type: tip, target: {section: '2', start_block: 3, end_block: 1}}\n",
       "failed to apply reclassify #0 (tip) / section 2. has no child blocks",
       {"section 2. has no child blocks"},
       false},
      {"range start after end",
       "injections:\n  - {type: warning, target: {section: '1', start_node: 2, end_node: 1}}\n",
       "failed to apply injection #0 (warning) / invalid admonition block range: start_block > "
       "end_block",
       {},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Merged strict = run(c.text, true);
    EXPECT_EQ(failure(strict), c.strict_error);
    EXPECT_TRUE(strict.warnings.empty());
    Merged lenient = run(c.text, false);
    Ids want;
    for (const std::string& line : c.lenient_warnings) want.push_back("WARN: " + line + "\n");
    EXPECT_EQ(lenient.warnings, want);
    if (c.lenient_fails)
      EXPECT_EQ(failure(lenient), c.strict_error);
    else
      EXPECT_TRUE(lenient.document) << failure(lenient);
  }
}

TEST(ApplySidecar, LenientRunsPlaceAsIfUnknownKeysWereAbsent) {
  Merged r =
      run("injections:\n  - {type: paragraph, text: x, target: {section: '1', after_paragraph: 0, "
          "foo: 1}}\n",
          false);
  ASSERT_TRUE(r.document) << failure(r);
  EXPECT_EQ(children_of(*r.document, 0), (Ids{"p-1.-0", "inj-paragraph-0", "p-1.-1", "p-1.-2"}));
}

TEST(ApplySidecar, SkippedEntriesKeepTheirIndexes) {
  Merged r =
      run("injections:\n"
          "  - {type: figure, src: a.svg, target: {section: '5'}}\n"
          "  - {type: figure, src: b.svg, target: {section: '2'}}\n"
          "  - {type: Code, code: x, target: {section: '2'}}\n"
          "  - {type: code, code: x, target: {section: '2'}}\n",
          false);
  ASSERT_TRUE(r.document) << failure(r);
  EXPECT_EQ(children_of(*r.document, 2), (Ids{"inj-figure-1", "inj-code-3"}));
  EXPECT_EQ(r.warnings, (Ids{"WARN: target section not found: 5\n",
                             "WARN: unsupported injection type: Code\n"}));
}

TEST(ApplySidecar, ReclassifyRunsBeforeEveryInjection) {
  // Listed after the injections, the reclassify entry still runs first: the paragraph
  // selector then counts only the paragraph left outside the wrapped range.
  Merged r =
      run("injections:\n"
          "  - {type: paragraph, text: x, target: {section: '1', after_paragraph: 0}}\n"
          "  - {type: note, text: y, target: {section: '1', after_note: 0}}\n"
          "reclassify:\n"
          "  - {type: note, target: {section: '1', start_block: 0, end_block: 1}}\n",
          true);
  ASSERT_TRUE(r.document) << failure(r);
  EXPECT_EQ(children_of(*r.document, 0),
            (Ids{"inj-note-0", "inj-note-1", "p-1.-2", "inj-paragraph-0"}));
  const auto* wrapped = r.document->children[0]
                            .get_if<parser::SectionNode>()
                            ->children[0]
                            .get_if<parser::AdmonitionNode>();
  ASSERT_NE(wrapped, nullptr);
  EXPECT_EQ(ids(wrapped->children), (Ids{"p-1.-0", "p-1.-1"}));
}

TEST(ApplySidecar, WarningsComeInEntryOrderAndStayWhenALaterEntryFails) {
  Merged r =
      run("injections:\n"
          "  - {type: paragraph, text: x, target: {section: '9'}}\n"
          "  - {type: paragraph, target: {section: '1'}}\n"
          "  - {type: paragraph, text: x, target: {section: '8'}}\n"
          "reclassify:\n"
          "  - {type: caution, target: {section: '1', start_block: 0, end_block: 0}}\n",
          false);
  EXPECT_EQ(failure(r),
            "failed to apply injection #1 (paragraph) / paragraph injection requires text");
  EXPECT_FALSE(r.document);
  EXPECT_EQ(r.warnings, (Ids{"WARN: unsupported reclassify type: caution\n",
                             "WARN: target section not found: 9\n"}));
}

TEST(ApplySidecar, DefaultIdentifiersOfBothListsMayRepeat) {
  Merged r =
      run("reclassify:\n  - {type: note, target: {section: '1', start_block: 2, end_block: 2}}\n"
          "injections:\n  - {type: note, id: a, text: t, target: {section: '1'}}\n"
          "  - {type: note, text: u, target: {section: '1', prepend: true}}\n"
          "  - {type: note, id: b, text: v, target: {section: '1.1', after_list: 0}}\n",
          true);
  ASSERT_TRUE(r.document) << failure(r);
  EXPECT_EQ(children_of(*r.document, 0),
            (Ids{"inj-note-1", "p-1.-0", "p-1.-1", "inj-note-0", "a"}));
  EXPECT_EQ(children_of(*r.document, 1), (Ids{"p-1.1-0", "bl-1.1-1", "b", "p-1.1-1"}));
  const std::string json = parser::document_to_json(*r.document);
  for (const char* body : {"inj-0-p0", "inj-1-p0", "inj-2-p0"})
    EXPECT_NE(json.find(body), std::string::npos) << body;
}

TEST(ApplySidecar, TheBaseDocumentIsNeverChanged) {
  const parser::Document base = base_document();
  const std::string before = parser::document_to_json(base);
  Merged r =
      run("reclassify:\n  - {type: tip, target: {section: '1', start_block: 0, end_block: 2}}\n"
          "injections:\n  - {type: figure, src: x, target: {section: '2'}}\n",
          true, base);
  ASSERT_TRUE(r.document) << failure(r);
  EXPECT_EQ(parser::document_to_json(base), before);
  EXPECT_EQ(r.document->title, base.title);
  EXPECT_EQ(r.document->cover, base.cover);
  EXPECT_EQ(children_of(*r.document, 0), Ids{"inj-tip-0"});
}

TEST(ApplySidecar, FinalDocumentInJsonForm) {
  parser::Document base;
  base.title = "T";
  base.children.push_back(section("1.", {paragraph("a", "p-1.-0"), paragraph("b", "p-1.-1")}));
  Merged r =
      run("injections:\n"
          "  - id: fig\n"
          "    type: figure\n"
          "    src: img.svg\n"
          "    width: '50%'\n"
          "    alignment: center\n"
          "    render_hints: {alignment: left, 1: 2.0, nested: [!x ~]}\n"
          "    target: {section: '1', after_paragraph: 0}\n"
          "  - type: table\n"
          "    csv: \"A, B\\r\\n1,2\\r\\n\"\n"
          "    render_hints: {}\n"
          "    target: {section: '1'}\n",
          true, base);
  ASSERT_TRUE(r.document) << failure(r);
  EXPECT_EQ(parser::document_to_json(*r.document), R"({
  "type": "document",
  "title": "T",
  "children": [
    {
      "type": "section",
      "number": "1.",
      "title": "Title 1.",
      "level": 1,
      "children": [
        {
          "type": "paragraph",
          "text": "a",
          "node_id": "p-1.-0"
        },
        {
          "type": "figure",
          "src": "img.svg",
          "width": "50%",
          "render_hints": {
            "1": 2.0,
            "alignment": "center",
            "nested": [
              {
                "!x": null
              }
            ]
          },
          "node_id": "fig"
        },
        {
          "type": "paragraph",
          "text": "b",
          "node_id": "p-1.-1"
        },
        {
          "type": "table",
          "data_source": "1,2",
          "columns": [
            "A",
            "B"
          ],
          "render_hints": {},
          "node_id": "inj-table-1"
        }
      ],
      "node_id": "sec-1",
      "source": {
        "line": 1
      }
    }
  ],
  "node_id": "doc"
})");
}

TEST(ApplySidecar, SectionsInsideSectionsAreNoTargets) {
  // Not a parsed document: section 1. holds section 1.5 among its blocks. The entries on
  // 1.5 are passed over, and 1.5 moves with the blocks of 1. unchanged.
  parser::Document base;
  base.title = "T";
  base.children.push_back(section(
      "1.", {paragraph("a", "p0"), section("1.5", {paragraph("b", "q0")}), paragraph("c", "p1")}));
  base.children.push_back(section("2."));
  Merged r =
      run("injections:\n"
          "  - {type: paragraph, id: x, text: x, target: {section: '1.5'}}\n"
          "  - {type: paragraph, id: y, text: y, target: {section: '1', after_block: 0}}\n"
          "  - {type: paragraph, id: z, text: z, target: {section: '1.5', prepend: true}}\n"
          "  - {type: tip, id: w, target: {section: '1', start_block: 1, end_block: 2}}\n"
          "  - {type: paragraph, id: v, text: v, target: {section: '1.5'}}\n",
          false, base);
  ASSERT_TRUE(r.document) << failure(r);
  EXPECT_EQ(children_of(*r.document, 0), (Ids{"p0", "w", "p1"}));
  const auto& wrapped = r.document->children[0].get_if<parser::SectionNode>()->children[1];
  const auto& inside = wrapped.get_if<parser::AdmonitionNode>()->children;
  EXPECT_EQ(ids(inside), (Ids{"y", "sec-1.5"}));
  EXPECT_EQ(ids(inside[1].get_if<parser::SectionNode>()->children), (Ids{"q0"}));
  EXPECT_EQ(r.warnings,
            (Ids{"WARN: target section not found: 1.5\n", "WARN: target section not found: 1.5\n",
                 "WARN: target section not found: 1.5\n"}));
  Merged strict =
      run("injections:\n  - {type: paragraph, text: x, target: {section: '1.5'}}\n", true, base);
  EXPECT_EQ(failure(strict),
            "failed to apply injection #0 (paragraph) / target section not found: 1.5");
}

TEST(ApplySidecar, SampleSidecarFile) {
  std::ifstream file(LORVANE_SAMPLE_SIDECAR, std::ios::binary);
  ASSERT_TRUE(file) << LORVANE_SAMPLE_SIDECAR;
  const std::string sidecar((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
  // The sections of the sample source that the file aims at, with their paragraphs.
  auto paragraphs = [](const char* number, int count) {
    parser::SectionNode s = section(number);
    for (int i = 0; i < count; ++i)
      s.children.push_back(
          paragraph("text", parser::make_node_id("p", {number, std::to_string(i)})));
    return s;
  };
  parser::Document base;
  base.title = "SIDECAR Capability Demonstration";
  base.children.push_back(paragraphs("1.", 2));
  base.children.push_back(paragraphs("1.2", 2));
  base.children.push_back(paragraphs("2.2", 3));
  base.children.push_back(paragraphs("2.3", 3));
  for (bool strict : {true, false}) {
    Merged r = run(sidecar, strict, base);
    ASSERT_TRUE(r.document) << failure(r);
    EXPECT_TRUE(r.warnings.empty());
    EXPECT_EQ(children_of(*r.document, 0), (Ids{"p-1.-0", "p-1.-1"}));
    EXPECT_EQ(children_of(*r.document, 1), (Ids{"p-1.2-0", "p-1.2-1", "supported-selector-note"}));
    EXPECT_EQ(children_of(*r.document, 2), (Ids{"p-2.2-0", "example-figure", "p-2.2-1",
                                                "example-code", "p-2.2-2", "example-table"}));
    EXPECT_EQ(children_of(*r.document, 3), (Ids{"reclassify-range-as-note", "p-2.3-2"}));

    const auto& section_2_3 = *r.document->children[3].get_if<parser::SectionNode>();
    const auto& wrapped = *section_2_3.children[0].get_if<parser::AdmonitionNode>();
    EXPECT_EQ(wrapped.level, "note");
    EXPECT_EQ(wrapped.render_hints,
              (parser::RenderHints{{"title", std::string("Reclassified Range")}}));
    EXPECT_EQ(ids(wrapped.children), (Ids{"p-2.3-0", "p-2.3-1"}));

    const auto& note = *r.document->children[1]
                            .get_if<parser::SectionNode>()
                            ->children[2]
                            .get_if<parser::AdmonitionNode>();
    EXPECT_EQ(note.level, "info");
    EXPECT_EQ(ids(note.children), Ids{"inj-0-p0"});

    const auto& section_2_2 = *r.document->children[2].get_if<parser::SectionNode>();
    const auto& figure = *section_2_2.children[1].get_if<parser::FigureNode>();
    EXPECT_EQ(figure.src, "SIDECAR/assets/imgs/sidecar-demo.svg");
    EXPECT_EQ(figure.width, "56%");
    EXPECT_EQ(figure.render_hints, (parser::RenderHints{{"alignment", std::string("center")}}));
    const auto& code = *section_2_2.children[3].get_if<parser::CodeBlockNode>();
    EXPECT_EQ(code.language, "yaml");
    EXPECT_EQ(code.content.substr(0, 17), "injections:\n  - i");
    const auto& table = *section_2_2.children[5].get_if<parser::TableNode>();
    EXPECT_EQ(table.columns, (Ids{"Capability", "Example"}));
    EXPECT_EQ(table.caption, "Capability examples");
    EXPECT_EQ(table.data_source.substr(0, 27), "Admonition,after_paragraph\n");
  }
}

// 100,000 entries that keep wrapping the first block: the 33rd level is refused.
std::string rewrap_entries(int count) {
  std::string text = "reclassify:\n";
  text.reserve(static_cast<std::size_t>(count) * 64);
  for (int i = 0; i < count; ++i)
    text += "  - {type: note, target: {section: '1', start_block: 0, end_block: 0}}\n";
  return text;
}

TEST(ApplySidecar, NestingStopsAt32LevelsStrict) {
  Merged r = run(rewrap_entries(100000), true);
  EXPECT_EQ(failure(r),
            "failed to apply reclassify #32 (note) / admonition block range [0..=0] in section "
            "'1.' would nest "
            "admonitions deeper than 32 levels");
  EXPECT_TRUE(r.warnings.empty());
}

TEST(ApplySidecar, NestingStopsAt32LevelsLenient) {
  Merged r = run(rewrap_entries(100000), false);
  ASSERT_TRUE(r.document) << failure(r);
  ASSERT_EQ(r.warnings.size(), 100000u - 32u);
  EXPECT_EQ(r.warnings.front(),
            "WARN: admonition block range [0..=0] in section '1.' would nest admonitions deeper "
            "than 32 levels\n");
  const parser::NodeList& children =
      r.document->children[0].get_if<parser::SectionNode>()->children;
  ASSERT_EQ(children.size(), 3u);
  EXPECT_EQ(admonition_depth(children[0]), 32u);
  EXPECT_EQ(children_of(*r.document, 0), (Ids{"inj-note-31", "p-1.-1", "p-1.-2"}));
}

TEST(ApplySidecar, ManyEntriesOnOneLargeSection) {
  // A section of 20,000 paragraphs and 20,000 entries that each look far into it.
  parser::Document base;
  base.title = "T";
  parser::SectionNode big = section("1.");
  for (int i = 0; i < 20000; ++i) big.children.push_back(paragraph("p", "p" + std::to_string(i)));
  base.children.push_back(std::move(big));
  std::string text = "injections:\n";
  for (int i = 0; i < 20000; ++i)
    text += "  - {type: paragraph, text: x, target: {section: '1', after_paragraph: " +
            std::to_string(19999 - i / 2) + "}}\n";
  Merged r = run(text, true, base);
  ASSERT_TRUE(r.document) << failure(r);
  EXPECT_EQ(r.document->children[0].get_if<parser::SectionNode>()->children.size(), 40000u);
}

}  // namespace
}  // namespace lorvane::inject
