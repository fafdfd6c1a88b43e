#include "inject/sidecar_entries.hpp"

#include <gtest/gtest.h>

#include <limits>

#include "inject/test_fixtures.hpp"

namespace lorvane::inject {
namespace {

using testing::map;
using testing::seq;
using testing::tagged;
using testing::text;

YamlValue u(std::uint64_t value) { return testing::unsigned_int(value); }
YamlValue neg(std::int64_t value) { return testing::negative_int(value); }
YamlValue real(double value) { return YamlValue(value); }
YamlValue boolean(bool value) { return YamlValue(value); }
const YamlValue null;

// A minimal valid target and entry, to which the cases add one faulty key.
YamlValue target_1() { return map({{text("section"), text("1")}}); }

std::string error_of(const YamlValue& entry) {
  auto injection = deserialize_injection_spec(entry);
  if (injection) return "(no error)";
  EXPECT_TRUE(injection.error().causes().empty());
  return injection.error().message();
}

TEST(DeserializeInjectionSpec, ReportsTheFirstProblemWithTheLoaderTexts) {
  struct Case {
    const char* name;
    YamlValue entry;
    const char* want;
  };
  const Case cases[] = {
      {"entry is a plain word", text("figure"),
       "invalid type: string \"figure\", expected struct InjectionSpec"},
      {"entry is a sequence", seq({}), "invalid type: sequence, expected struct InjectionSpec"},
      {"entry is null", null, "missing field `type`"},
      {"no type", map({{text("target"), target_1()}}), "missing field `type`"},
      {"no target", map({{text("type"), text("note")}}), "missing field `target`"},
      {"empty target before missing type", map({{text("target"), map({})}}),
       "missing field `section`"},
      {"null target", map({{text("type"), text("note")}, {text("target"), null}}),
       "missing field `section`"},
      {"target as text", map({{text("type"), text("note")}, {text("target"), text("2.3")}}),
       "invalid type: string \"2.3\", expected struct TargetSpec"},
      {"section as float",
       map({{text("type"), text("note")}, {text("target"), map({{text("section"), real(2.3)}})}}),
       "invalid type: floating point `2.3`, expected a string"},
      {"section as integer",
       map({{text("type"), text("note")}, {text("target"), map({{text("section"), u(2)}})}}),
       "invalid type: integer `2`, expected a string"},
      {"section null",
       map({{text("type"), text("note")}, {text("target"), map({{text("section"), null}})}}),
       "invalid type: unit value, expected a string"},
      {"type null", map({{text("type"), null}, {text("target"), target_1()}}),
       "invalid type: unit value, expected a string"},
      {"type is a boolean", map({{text("type"), boolean(true)}, {text("target"), target_1()}}),
       "invalid type: boolean `true`, expected a string"},
      {"selector as text",
       map({{text("type"), text("note")},
            {text("target"),
             map({{text("section"), text("1")}, {text("after_paragraph"), text("1")}})}}),
       "invalid type: string \"1\", expected usize"},
      {"negative selector",
       map({{text("type"), text("note")},
            {text("target"), map({{text("section"), text("1")}, {text("after_block"), neg(-1)}})}}),
       "invalid value: integer `-1`, expected usize"},
      {"fractional selector",
       map({{text("type"), text("note")},
            {text("target"),
             map({{text("section"), text("1")}, {text("after_block"), real(1.5)}})}}),
       "invalid type: floating point `1.5`, expected usize"},
      {"whole float selector",
       map({{text("type"), text("note")},
            {text("target"), map({{text("section"), text("1")}, {text("end_node"), real(1.0)}})}}),
       "invalid type: floating point `1.0`, expected usize"},
      {"selector as boolean",
       map({{text("type"), text("note")},
            {text("target"),
             map({{text("section"), text("1")}, {text("start_block"), boolean(false)}})}}),
       "invalid type: boolean `false`, expected usize"},
      {"selector as sequence",
       map({{text("type"), text("note")},
            {text("target"),
             map({{text("section"), text("1")}, {text("to_block"), seq({u(1)})}})}}),
       "invalid type: sequence, expected usize"},
      {"selector as mapping",
       map({{text("type"), text("note")},
            {text("target"), map({{text("section"), text("1")}, {text("from_node"), map({})}})}}),
       "invalid type: map, expected usize"},
      {"prepend yes",
       map({{text("type"), text("note")},
            {text("target"), map({{text("section"), text("1")}, {text("prepend"), text("yes")}})}}),
       "invalid type: string \"yes\", expected a boolean"},
      {"prepend empty",
       map({{text("type"), text("note")},
            {text("target"), map({{text("section"), text("1")}, {text("prepend"), null}})}}),
       "invalid type: unit value, expected a boolean"},
      {"width as number",
       map({{text("type"), text("figure")}, {text("width"), u(300)}, {text("target"), target_1()}}),
       "invalid type: integer `300`, expected a string"},
      {"title as number",
       map({{text("type"), text("note")}, {text("title"), u(2024)}, {text("target"), target_1()}}),
       "invalid type: integer `2024`, expected a string"},
      {"alt as boolean",
       map({{text("type"), text("figure")},
            {text("alt"), boolean(true)},
            {text("target"), target_1()}}),
       "invalid type: boolean `true`, expected a string"},
      {"tagged null optional text",
       map({{text("type"), text("figure")},
            {text("alt"), tagged("t", null)},
            {text("target"), target_1()}}),
       "invalid type: unit value, expected a string"},
      {"headers as one text",
       map({{text("type"), text("table")},
            {text("headers"), text("Name")},
            {text("target"), target_1()}}),
       "invalid type: string \"Name\", expected a sequence"},
      {"headers with a null element",
       map({{text("type"), text("table")},
            {text("headers"), seq({text("a"), null})},
            {text("target"), target_1()}}),
       "invalid type: unit value, expected a string"},
      {"columns with a number",
       map({{text("type"), text("table")},
            {text("columns"), seq({u(7)})},
            {text("target"), target_1()}}),
       "invalid type: integer `7`, expected a string"},
      {"rows cell as number",
       map({{text("type"), text("table")},
            {text("rows"), seq({seq({text("a"), u(1)})})},
            {text("target"), target_1()}}),
       "invalid type: integer `1`, expected a string"},
      {"row as text",
       map({{text("type"), text("table")},
            {text("rows"), seq({text("a")})},
            {text("target"), target_1()}}),
       "invalid type: string \"a\", expected a sequence"},
      {"rows as mapping",
       map({{text("type"), text("table")}, {text("rows"), map({})}, {text("target"), target_1()}}),
       "invalid type: map, expected a sequence"},
      {"numeric key in entry",
       map({{u(5), text("x")}, {text("type"), text("note")}, {text("target"), target_1()}}),
       "invalid type: integer `5`, expected field identifier"},
      {"null key in entry", map({{null, text("x")}}),
       "invalid type: unit value, expected field identifier"},
      {"boolean key in target",
       map({{text("type"), text("note")}, {text("target"), map({{boolean(true), u(1)}})}}),
       "invalid type: boolean `true`, expected field identifier"},
      {"numeric key in target",
       map({{text("type"), text("note")},
            {text("target"), map({{text("section"), text("1")}, {u(5), text("x")}})}}),
       "invalid type: integer `5`, expected field identifier"},
      {"tagged value under unknown target key",
       map({{text("type"), text("note")},
            {text("target"),
             map({{text("section"), text("1")}, {text("extra"), tagged("point", u(5))}})}}),
       "untagged and internally tagged enums do not support enum input"},
      {"tagged value deep under unknown target key",
       map({{text("type"), text("note")},
            {text("target"),
             map({{text("section"), text("1")},
                  {text("extra"), seq({map({{text("k"), seq({tagged("!", null)})}})})}})}}),
       "untagged and internally tagged enums do not support enum input"},
      {"duplicate type through a tagged key",
       map({{text("type"), text("note")},
            {tagged("t", text("type")), text("tip")},
            {text("target"), target_1()}}),
       "duplicate field `type`"},
      {"duplicate null optional through a tagged key",
       map({{text("alt"), null}, {tagged("t", text("alt")), text("x")}}), "duplicate field `alt`"},
      {"duplicate section",
       map({{text("type"), text("note")},
            {text("target"),
             map({{text("section"), text("1")}, {tagged("x", text("section")), text("2")}})}}),
       "duplicate field `section`"},
      {"first faulty key wins over a later one",
       map({{text("width"), u(300)}, {text("target"), map({})}}),
       "invalid type: integer `300`, expected a string"},
      {"target read at its place", map({{text("target"), map({})}, {text("width"), u(300)}}),
       "missing field `section`"},
      {"a faulty key before missing keys", map({{text("caption"), seq({})}}),
       "invalid type: sequence, expected a string"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(error_of(c.entry), c.want);
  }
}

TEST(DeserializeInjectionSpec, ReadsEveryKey) {
  const YamlValue hints = map({{text("k"), tagged("t", u(1))}});
  const YamlValue entry = map({
      {text("id"), tagged("s", text("my-id"))},
      {text("type"), text("figure")},
      {text("level"), text("Warning")},
      {text("title"), text(" T ")},
      {text("text"), text("")},
      {text("src"), text("a.svg")},
      {text("alt"), text("yes")},
      {text("caption"), text("c")},
      {text("width"), text("56%")},
      {text("alignment"), text("center")},
      {text("language"), text("yaml")},
      {text("code"), text("x")},
      {text("content"), text("y")},
      {text("headers"), tagged("h", seq({text("A"), tagged("c", text("B"))}))},
      {text("rows"), seq({seq({text("a"), text(" b ")}), null, seq({text("c")})})},
      {text("csv"), text("a,b\n")},
      {text("data_source"), text("ds")},
      {text("columns"), seq({})},
      {text("render_hints"), hints},
      {text("unknown"), tagged("ignored", map({{null, null}}))},
      {text("Type"), text("tip")},
      {text("target"),
       tagged("tg", map({{text("section"), text("2.1.1")},
                         {text("prepend"), tagged("b", boolean(true))},
                         {text("before_paragraph"), u(0)},
                         {text("after_paragraph"), u(1)},
                         {text("after_list"), u(2)},
                         {text("after_note"), u(3)},
                         {text("start_block"), u(4)},
                         {text("end_block"), u(5)},
                         {text("from_block"), u(6)},
                         {text("to_block"), u(7)},
                         {text("start_node"), u(8)},
                         {text("end_node"), u(9)},
                         {text("from_node"), u(10)},
                         {text("to_node"), tagged("n", u(11))},
                         {text("after_block"), u(std::numeric_limits<std::uint64_t>::max())},
                         {text("Section"), text("x")},
                         {text("after_blocks"), seq({u(1)})}}))},
  });
  auto read = deserialize_injection_spec(entry);
  ASSERT_TRUE(read) << read.error().message();
  const InjectionSpec& injection = read.value();
  EXPECT_EQ(injection.id, "my-id");
  EXPECT_EQ(injection.type, "figure");
  EXPECT_EQ(injection.level, "Warning");
  EXPECT_EQ(injection.title, " T ");
  EXPECT_EQ(injection.text, "");
  EXPECT_EQ(injection.src, "a.svg");
  EXPECT_EQ(injection.alt, "yes");
  EXPECT_EQ(injection.caption, "c");
  EXPECT_EQ(injection.width, "56%");
  EXPECT_EQ(injection.alignment, "center");
  EXPECT_EQ(injection.language, "yaml");
  EXPECT_EQ(injection.code, "x");
  EXPECT_EQ(injection.content, "y");
  EXPECT_EQ(injection.headers, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(injection.rows, (std::vector<std::vector<std::string>>{{"a", " b "}, {}, {"c"}}));
  EXPECT_EQ(injection.csv, "a,b\n");
  EXPECT_EQ(injection.data_source, "ds");
  EXPECT_EQ(injection.columns, std::vector<std::string>{});
  ASSERT_TRUE(injection.render_hints);
  ASSERT_TRUE(injection.render_hints->get_if<YamlMapping>());
  EXPECT_TRUE(
      injection.render_hints->get_if<YamlMapping>()->front().value.get_if<YamlTagged>());  // tags kept
  const TargetSpec& t = injection.target;
  EXPECT_EQ(t.section, "2.1.1");
  EXPECT_TRUE(t.prepend);
  EXPECT_EQ(t.before_paragraph, 0u);
  EXPECT_EQ(t.after_paragraph, 1u);
  EXPECT_EQ(t.after_list, 2u);
  EXPECT_EQ(t.after_note, 3u);
  EXPECT_EQ(t.start_block, 4u);
  EXPECT_EQ(t.end_block, 5u);
  EXPECT_EQ(t.from_block, 6u);
  EXPECT_EQ(t.to_block, 7u);
  EXPECT_EQ(t.start_node, 8u);
  EXPECT_EQ(t.end_node, 9u);
  EXPECT_EQ(t.from_node, 10u);
  EXPECT_EQ(t.to_node, 11u);
  EXPECT_EQ(t.after_block, std::numeric_limits<std::uint64_t>::max());
  std::vector<std::string> unknown;
  for (const auto& [key, value] : t.unknown_keys) unknown.push_back(key);
  EXPECT_EQ(unknown, (std::vector<std::string>{"Section", "after_blocks"}));
}

TEST(DeserializeInjectionSpec, NullOptionalsAreAbsent) {
  const YamlValue entry =
      map({{text("id"), null},
           {text("type"), text("note")},
           {text("text"), null},
           {text("headers"), null},
           {text("rows"), null},
           {text("render_hints"), null},
           {text("target"), map({{text("section"), text("1")}, {text("after_block"), null}})}});
  auto read = deserialize_injection_spec(entry);
  ASSERT_TRUE(read) << read.error().message();
  EXPECT_FALSE(read->id);
  EXPECT_FALSE(read->text);
  EXPECT_FALSE(read->headers);
  EXPECT_FALSE(read->rows);
  EXPECT_FALSE(read->render_hints);
  EXPECT_FALSE(read->target.after_block);
  EXPECT_FALSE(read->target.prepend);
  EXPECT_TRUE(read->target.unknown_keys.empty());

  // Any value is accepted as render hints; only null is absent.
  for (const YamlValue& hints : {u(5), seq({text("a")}), tagged("x", null)}) {
    auto kept = deserialize_injection_spec(map({{text("type"), text("code")},
                                                {text("render_hints"), hints},
                                                {text("target"), target_1()}}));
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept->render_hints);
  }
}

TEST(DeserializeInjectionSpec, KeysMatchExactly) {
  // Type and "type " are unknown keys of an entry: ignored, their values unexamined.
  auto read =
      deserialize_injection_spec(map({{text("type"), text("note")},
                                      {text("Type"), u(1)},
                                      {text("type "), tagged("x", null)},
                                      {text("target"), map({{text("section"), text("2.1.1")}})}}));
  ASSERT_TRUE(read) << read.error().message();
  EXPECT_EQ(read->type, "note");
}

TEST(VisitKeys, KnowsTheFieldsByTheirExactNames) {
  EXPECT_EQ(visit_injection_spec_key("render_hints"), InjectionField::kRenderHints);
  EXPECT_EQ(visit_injection_spec_key("data_source"), InjectionField::kDataSource);
  EXPECT_FALSE(visit_injection_spec_key("Type"));
  EXPECT_FALSE(visit_injection_spec_key("section"));
  EXPECT_EQ(visit_target_spec_key("after_block"), TargetField::kAfterBlock);
  EXPECT_EQ(visit_target_spec_key("to_node"), TargetField::kToNode);
  EXPECT_FALSE(visit_target_spec_key("type"));
  EXPECT_EQ(injection_field_name(InjectionField::kColumns), "columns");
  EXPECT_EQ(target_field_name(TargetField::kFromBlock), "from_block");
}

YamlValue note_entry(const char* section) {
  return map(
      {{text("type"), text("note")}, {text("target"), map({{text("section"), text(section)}})}});
}

std::vector<std::string> sections_of(const Result<std::vector<InjectionSpec>>& list) {
  std::vector<std::string> out;
  if (!list) return {"error: " + list.error().message()};
  for (const InjectionSpec& injection : list.value()) out.push_back(injection.target.section);
  return out;
}

TEST(ReadEntryList, FindsTheListAtTheTopOrUnderStructure) {
  using List = std::vector<std::string>;
  struct Case {
    const char* name;
    YamlValue root;
    List injections;
    List reclassify;
  };
  const Case cases[] = {
      {"empty text", null, {}, {}},
      {"root is a sequence", seq({text("a")}), {}, {}},
      {"root is a text", text("injections"), {}, {}},
      {"render block only", map({{text("render"), map({{text("css"), map({})}})}}), {}, {}},
      {"top level", map({{text("injections"), seq({note_entry("1")})}}), {"1"}, {}},
      {"under structure",
       map({{text("structure"), map({{text("reclassify"), seq({note_entry("2")})}})}}),
       {},
       {"2"}},
      {"one from each place",
       map({{text("injections"), seq({note_entry("1")})},
            {text("structure"), map({{text("reclassify"), seq({note_entry("2")})}})}}),
       {"1"},
       {"2"}},
      {"top-level null hides structure",
       map({{text("injections"), null},
            {text("structure"), map({{text("injections"), seq({note_entry("2")})}})}}),
       {},
       {}},
      {"faulty structure list never read",
       map({{text("injections"), seq({note_entry("1")})},
            {text("structure"), map({{text("injections"), u(5)}})}}),
       {"1"},
       {}},
      {"structure not a mapping", map({{text("structure"), seq({note_entry("1")})}}), {}, {}},
      {"keys match exactly", map({{text("Injections"), seq({note_entry("1")})}}), {}, {}},
      {"tagged list",
       map({{text("injections"), tagged("l", seq({note_entry("1"), note_entry("3")}))}}),
       {"1", "3"},
       {}},
      {"list is a mapping",
       map({{text("injections"), map({})}}),
       {"error: invalid type: map, expected a sequence"},
       {}},
      {"list is a text",
       map({{text("reclassify"), text("x")}}),
       {},
       {"error: invalid type: string \"x\", expected a sequence"}},
      {"second element faulty",
       map({{text("injections"), seq({note_entry("1"), text("figure"), u(3)})}}),
       {"error: invalid type: string \"figure\", expected struct InjectionSpec"},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(sections_of(read_entry_list(c.root, "injections")), c.injections);
    EXPECT_EQ(sections_of(read_entry_list(c.root, "reclassify")), c.reclassify);
  }
}

}  // namespace
}  // namespace lorvane::inject
