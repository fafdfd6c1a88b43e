#include "inject/builders.hpp"

#include <gtest/gtest.h>

#include "inject/test_fixtures.hpp"
#include "parser/json.hpp"

namespace lorvane::inject {
namespace {

using testing::admonition;
using testing::ids;
using testing::map;
using testing::paragraph;
using testing::section;
using testing::WarningLines;
using Ids = std::vector<std::string>;

// The JSON form of a document holding only `s`, for readable comparisons.
std::string json_of(const parser::SectionNode& s) {
  parser::Document document;
  document.title = "T";
  document.children.push_back(s);
  return parser::document_to_json(document);
}

InjectionSpec entry_of(const char* type) {
  InjectionSpec entry;
  entry.type = type;
  entry.target.section = "4";
  return entry;
}

// Builds `entry` into a section "4." with two paragraphs, strictly.
struct Built {
  Status status;
  parser::SectionNode section;
};
Built build(const InjectionSpec& entry, std::uint64_t index = 0,
            parser::NodeList children = {paragraph("one", "p0"), paragraph("two", "p1")}) {
  Built built{Status(), section("4.", std::move(children))};
  SectionBlocks blocks(built.section);
  const auto kind = injection_kind(entry.type);
  EXPECT_TRUE(kind) << entry.type;
  if (kind) built.status = build_injection(entry, index, *kind, blocks, WarningLines().strict());
  return built;
}

// The expected section: the two paragraphs followed by `node`.
std::string with_appended(parser::Node node) {
  return json_of(section("4.", {paragraph("one", "p0"), paragraph("two", "p1"), std::move(node)}));
}

TEST(InjectionKind, TypeWordsAreExactLowerCase) {
  const std::pair<const char*, std::optional<InjectionKind>> cases[] = {
      {"tip", InjectionKind::kAdmonition},
      {"note", InjectionKind::kAdmonition},
      {"warning", InjectionKind::kAdmonition},
      {"example", InjectionKind::kAdmonition},
      {"important", InjectionKind::kAdmonition},
      {"admonition", InjectionKind::kAdmonition},
      {"code", InjectionKind::kCodeBlock},
      {"codeblock", InjectionKind::kCodeBlock},
      {"code_block", InjectionKind::kCodeBlock},
      {"paragraph", InjectionKind::kParagraph},
      {"table", InjectionKind::kTable},
      {"figure", InjectionKind::kFigure},
      {"Figure", std::nullopt},
      {"CODE", std::nullopt},
      {"Tip", std::nullopt},
      {"caution", std::nullopt},
      {"figure ", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [type, want] : cases) {
    SCOPED_TRACE(type);
    EXPECT_EQ(injection_kind(type), want);
  }
}

TEST(BuildInjection, RequiredKeys) {
  InjectionSpec table_headers_only = entry_of("table");
  table_headers_only.headers = Ids{"A"};
  InjectionSpec table_rows_only = entry_of("table");
  table_rows_only.rows = std::vector<Ids>{{"a"}};
  InjectionSpec blank_csv = entry_of("table");
  blank_csv.csv = " \r\n\t\n\n";
  InjectionSpec empty_csv = entry_of("table");
  empty_csv.csv = "";
  InjectionSpec csv_over_rows = entry_of("table");  // csv comes before headers + rows
  csv_over_rows.csv = "";
  csv_over_rows.headers = Ids{"A"};
  csv_over_rows.rows = std::vector<Ids>{};
  struct Case {
    const char* name;
    InjectionSpec entry;
    const char* want;
  };
  const Case cases[] = {
      {"paragraph", entry_of("paragraph"), "paragraph injection requires text"},
      {"code", entry_of("code"), "code_block injection requires content or code"},
      {"codeblock", entry_of("codeblock"), "code_block injection requires content or code"},
      {"figure", entry_of("figure"), "figure injection requires src"},
      {"table", entry_of("table"), "table injection requires data_source, csv, or headers+rows"},
      {"table headers only", table_headers_only,
       "table injection requires data_source, csv, or headers+rows"},
      {"table rows only", table_rows_only,
       "table injection requires data_source, csv, or headers+rows"},
      {"blank csv", blank_csv, "CSV is empty"},
      {"empty csv", empty_csv, "CSV is empty"},
      {"csv before headers and rows", csv_over_rows, "CSV is empty"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (bool strict : {true, false}) {
      parser::SectionNode s = section("4.", {paragraph("one", "p0")});
      WarningLines warnings;
      Status built = Status();
      {
        SectionBlocks blocks(s);
        built = build_injection(c.entry, 0, *injection_kind(c.entry.type), blocks,
                                strict ? warnings.strict() : warnings.lenient());
      }
      ASSERT_FALSE(built);
      EXPECT_EQ(built.error().message(), c.want);
      EXPECT_TRUE(warnings.lines().empty());
      EXPECT_EQ(ids(s.children), Ids{"p0"});
    }
  }
}

TEST(BuildInjection, Paragraph) {
  InjectionSpec entry = entry_of("paragraph");
  entry.text = "";
  Built built = build(entry, 5);
  ASSERT_TRUE(built.status);
  EXPECT_EQ(json_of(built.section), with_appended(paragraph("", "inj-paragraph-5")));
}

TEST(BuildInjection, CodeBlock) {
  InjectionSpec both = entry_of("code_block");
  both.content = "";
  both.code = "ignored";
  both.render_hints = map({});
  Built built = build(both, 2);
  ASSERT_TRUE(built.status);
  EXPECT_EQ(json_of(built.section),
            with_appended(parser::CodeBlockNode{std::nullopt, "", std::nullopt,
                                                parser::RenderHints{}, "inj-code_block-2"}));

  for (const char* type : {"code", "codeblock"}) {
    InjectionSpec code = entry_of(type);
    code.code = "x = 1\n";
    code.language = "python";
    code.caption = "";
    code.render_hints = testing::text("dropped");
    Built from_code = build(code, 2);
    ASSERT_TRUE(from_code.status);
    EXPECT_EQ(json_of(from_code.section),
              with_appended(parser::CodeBlockNode{"python", "x = 1\n", "", std::nullopt,
                                                  std::string("inj-") + type + "-2"}));
  }
}

TEST(BuildInjection, Figure) {
  InjectionSpec entry = entry_of("figure");
  entry.src = "SIDECAR/a.svg";
  entry.alt = "Alt";
  entry.width = "56%";
  entry.alignment = "center";
  entry.render_hints = map({{testing::text("alignment"), testing::text("left")},
                            {testing::text("border"), YamlValue(true)}});
  entry.id = "fig";
  Built built = build(entry);
  ASSERT_TRUE(built.status);
  EXPECT_EQ(
      json_of(built.section),
      with_appended(parser::FigureNode{
          "SIDECAR/a.svg", "Alt", std::nullopt, "56%",
          parser::RenderHints{{"alignment", std::string("center")}, {"border", true}}, "fig"}));

  InjectionSpec bare = entry_of("figure");
  bare.src = "";
  bare.render_hints = map({});
  Built plain = build(bare, 1);
  ASSERT_TRUE(plain.status);
  EXPECT_EQ(json_of(plain.section),
            with_appended(parser::FigureNode{"", std::nullopt, std::nullopt, std::nullopt,
                                             std::nullopt, "inj-figure-1"}));
}

TEST(BuildInjection, TableSources) {
  struct Case {
    const char* name;
    InjectionSpec entry;
    std::string data_source;
    std::optional<Ids> columns;
  };
  auto table = [](auto set) {
    InjectionSpec entry = entry_of("table");
    set(entry);
    return entry;
  };
  const Case cases[] = {
      {"data_source before csv", table([](InjectionSpec& e) {
         e.data_source = " a,b\n";
         e.csv = "";
         e.columns = Ids{"X"};
       }),
       " a,b\n", Ids{"X"}},
      {"data_source without columns", table([](InjectionSpec& e) { e.data_source = ""; }), "",
       std::nullopt},
      {"csv trims cells and skips blank lines", table([](InjectionSpec& e) {
         e.csv = "\n  \na, b,\n1 , 2 ,3\n\n";
         e.columns = Ids{"ignored"};
       }),
       "1,2,3", Ids{"a", "b", ""}},
      {"csv with CRLF line ends",
       table([](InjectionSpec& e) { e.csv = "a, b,\r\n\r\n1 , 2 ,3\r\n"; }), "1,2,3",
       Ids{"a", "b", ""}},
      {"csv rows joined", table([](InjectionSpec& e) { e.csv = "h\nx,,y\n\u00a0z\u3000\nlast"; }),
       "x,,y\nz\nlast", Ids{"h"}},
      {"csv header only", table([](InjectionSpec& e) { e.csv = "A,B"; }), "", Ids{"A", "B"}},
      {"headers and rows kept as written", table([](InjectionSpec& e) {
         e.headers = Ids{"Name", " Value "};
         e.rows = std::vector<Ids>{{" a ", "b"}, {}, {"c", "d", "e"}};
         e.columns = Ids{"ignored"};
       }),
       " a ,b\n\nc,d,e", Ids{"Name", " Value "}},
      {"empty headers and rows", table([](InjectionSpec& e) {
         e.headers = Ids{};
         e.rows = std::vector<Ids>{};
       }),
       "", Ids{}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InjectionSpec entry = c.entry;
    entry.caption = "cap";
    Built built = build(entry, 4);
    ASSERT_TRUE(built.status) << built.status.error().message();
    EXPECT_EQ(json_of(built.section),
              with_appended(
                  parser::TableNode{c.data_source, "cap", c.columns, std::nullopt, "inj-table-4"}));
  }
}

TEST(CsvHelpers, SplitAndRows) {
  EXPECT_EQ(split_csv_line(""), Ids{""});
  EXPECT_EQ(split_csv_line(",a ,"), (Ids{"", "a", ""}));
  EXPECT_EQ(split_csv_line("\"a,b\""), (Ids{"\"a", "b\""}));  // no quoting
  CsvLines lines("x\n\n y ,z\r\n");
  EXPECT_EQ(next_table_csv_row(lines), Ids{"x"});
  EXPECT_EQ(collect_csv_rows(lines), (std::vector<Ids>{{"y", "z"}}));
  EXPECT_EQ(next_table_csv_row(lines), std::nullopt);
  EXPECT_EQ(join_table_rows({{"a", "b"}, {}, {" c "}}), (Ids{"a,b", "", " c "}));
}

TEST(BuildInjection, NewAdmonition) {
  InjectionSpec entry = entry_of("warning");
  entry.text = "Body";
  entry.title = "Heads up";
  entry.id = "a";
  Built built = build(entry, 6);
  ASSERT_TRUE(built.status);
  parser::AdmonitionNode want{"WARNING",
                              {paragraph("Body", "inj-6-p0")},
                              parser::RenderHints{{"title", std::string("Heads up")}},
                              "a"};
  EXPECT_EQ(json_of(built.section), with_appended(want));

  InjectionSpec no_text = entry_of("tip");
  no_text.level = "Info";
  Built empty = build(no_text, 1);
  ASSERT_TRUE(empty.status);
  EXPECT_EQ(json_of(empty.section),
            with_appended(parser::AdmonitionNode{"Info", {}, std::nullopt, "inj-tip-1"}));

  InjectionSpec empty_text = entry_of("note");
  empty_text.text = "";
  Built one = build(empty_text, 0);
  ASSERT_TRUE(one.status);
  EXPECT_EQ(json_of(one.section),
            with_appended(parser::AdmonitionNode{
                "NOTE", {paragraph("", "inj-0-p0")}, std::nullopt, "inj-note-0"}));
}

TEST(BuildInjection, AdmonitionWithACompleteRangeWraps) {
  struct Case {
    const char* name;
    void (*set)(TargetSpec&);
    Ids want;
  };
  const Case cases[] = {
      {"start/end_block",
       [](TargetSpec& t) { t.start_block = 0, t.end_block = 1; },
       {"inj-note-0", "p2"}},
      {"from/to_block",
       [](TargetSpec& t) { t.from_block = 1, t.to_block = 2; },
       {"p0", "inj-note-0"}},
      {"start/end_node",
       [](TargetSpec& t) { t.start_node = 2, t.end_node = 2; },
       {"p0", "p1", "inj-note-0"}},
      {"from/to_node",
       [](TargetSpec& t) { t.from_node = 0, t.to_node = 0; },
       {"inj-note-0", "p1", "p2"}},
      {"first complete pair wins",
       [](TargetSpec& t) {
         t.start_block = 2, t.to_block = 0, t.start_node = 1, t.end_node = 1, t.from_node = 0,
         t.to_node = 2;
       },
       {"p0", "inj-note-0", "p2"}},
      {"a lone start_block places a new node",
       [](TargetSpec& t) { t.start_block = 0, t.prepend = true; },
       {"inj-note-0", "p0", "p1", "p2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InjectionSpec entry = entry_of("note");
    entry.text = "dropped when wrapping";
    c.set(entry.target);
    Built built =
        build(entry, 0, {paragraph("a", "p0"), paragraph("b", "p1"), paragraph("c", "p2")});
    ASSERT_TRUE(built.status) << built.status.error().message();
    EXPECT_EQ(ids(built.section.children), c.want);
    const bool has_body = json_of(built.section).find("inj-0-p0") != std::string::npos;
    EXPECT_EQ(has_body, c.want.size() == 4) << "a wrap adds no body paragraph";
  }
}

TEST(BuildInjection, NewAdmonitionPutsAfterBlockFirst) {
  for (const char* type : {"note", "figure"}) {
    SCOPED_TRACE(type);
    InjectionSpec entry = entry_of(type);
    entry.src = "x.svg";
    entry.target.prepend = true;
    entry.target.after_block = 0;
    Built built = build(entry);
    ASSERT_TRUE(built.status);
    const std::string made = std::string("inj-") + type + "-0";
    const Ids want = std::string(type) == "note" ? Ids{"p0", made, "p1"} : Ids{made, "p0", "p1"};
    EXPECT_EQ(ids(built.section.children), want);
  }

  // Out of range: warned and appended in lenient mode, also for an admonition.
  InjectionSpec entry = entry_of("note");
  entry.target.after_block = 2;
  entry.target.prepend = true;
  parser::SectionNode s = section("4.", {paragraph("one", "p0"), paragraph("two", "p1")});
  WarningLines warnings;
  {
    SectionBlocks blocks(s);
    ASSERT_TRUE(build_injection(entry, 0, InjectionKind::kAdmonition, blocks, warnings.lenient()));
  }
  EXPECT_EQ(ids(s.children), (Ids{"p0", "p1", "inj-note-0"}));
  EXPECT_EQ(
      warnings.lines(),
      Ids{"WARN: after_block=2 is out of range for section '4.' with 2 child blocks; appending\n"});
}

}  // namespace
}  // namespace lorvane::inject
