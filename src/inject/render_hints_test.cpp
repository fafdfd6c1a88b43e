#include "inject/render_hints.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "inject/test_fixtures.hpp"
#include "parser/json.hpp"

namespace lorvane::inject {
namespace {

using testing::map;
using testing::seq;
using testing::tagged;
using testing::text;

YamlValue u(std::uint64_t value) { return testing::unsigned_int(value); }
const YamlValue null;

// The hints in the JSON form that the document writes them in, or "none".
std::string shown(const std::optional<parser::RenderHints>& hints) {
  if (!hints) return "none";
  std::string out;
  parser::append_json_value(out, parser::JsonValue(*hints), 0);
  return out;
}

TEST(ConvertRenderHints, MappingsBecomeHintsAndEverythingElseNone) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* name;
    std::optional<YamlValue> value;
    const char* want;
  };
  const Case cases[] = {
      {"absent", std::nullopt, "none"},
      {"null", null, "none"},
      {"empty mapping", map({}), "{}"},
      {"text", text("wide"), "none"},
      {"integer", u(5), "none"},
      {"sequence", seq({text("a")}), "none"},
      {"tagged mapping is an object, so hints", tagged("t", map({})), "{\n  \"!t\": {}\n}"},
      {"scalars",
       map({{text("n"), null},
            {text("b"), YamlValue(true)},
            {text("u"), u(18446744073709551615ull)},
            {text("i"), YamlValue(std::int64_t{-3})},
            {text("f"), YamlValue(0.5)},
            {text("whole"), YamlValue(2.0)},
            {text("inf"), YamlValue(inf)},
            {text("nan"), YamlValue(nan)},
            {text("s"), text("x\"y")}}),
       "{\n  \"b\": true,\n  \"f\": 0.5,\n  \"i\": -3,\n  \"inf\": null,\n  \"n\": null,\n"
       "  \"nan\": null,\n  \"s\": \"x\\\"y\",\n  \"u\": 18446744073709551615,\n  \"whole\": "
       "2.0\n}"},
      {"key kinds",
       map({{YamlValue(true), u(1)},
            {u(1), u(2)},
            {YamlValue(std::int64_t{-7}), u(3)},
            {YamlValue(1e16), u(4)},
            {YamlValue(0.5), u(5)}}),
       "{\n  \"-7\": 3,\n  \"0.5\": 5,\n  \"1\": 2,\n  \"1e+16\": 4,\n  \"true\": 1\n}"},
      {"later key of the same text wins", map({{u(1), text("first")}, {text("1"), text("second")}}),
       "{\n  \"1\": \"second\"\n}"},
      {"nested values and tags",
       map({{text("a"), seq({u(1), tagged("point", seq({}))})},
            {text("m"), map({{text("k"), map({})}})}}),
       "{\n  \"a\": [\n    1,\n    {\n      \"!point\": []\n    }\n  ],\n  \"m\": {\n    \"k\": "
       "{}\n  }\n}"},
      {"null key", map({{null, u(1)}}), "none"},
      {"sequence key deep inside", map({{text("a"), seq({map({{seq({}), u(1)}})})}}), "none"},
      {"mapping key", map({{map({}), u(1)}}), "none"},
      {"tagged key", map({{tagged("t", text("k")), u(1)}}), "none"},
      {"infinite key", map({{YamlValue(inf), u(1)}}), "none"},
      {"nan key", map({{YamlValue(nan), u(1)}}), "none"},
      {"bad key inside an overridden value", map({{u(1), map({{null, u(0)}})}, {text("1"), u(2)}}),
       "none"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(shown(convert_render_hints(c.value)), c.want);
  }
}

TEST(RenderHintsWith, TheGivenTextWinsAndEmptyIsNone) {
  const std::optional<std::string> no_text;
  struct Case {
    const char* name;
    std::optional<YamlValue> value;
    std::optional<std::string> title;
    const char* want;
  };
  const Case cases[] = {
      {"nothing", std::nullopt, no_text, "none"},
      {"empty mapping without title", map({}), no_text, "none"},
      {"empty title", map({}), "", "{\n  \"title\": \"\"\n}"},
      {"plain string hints are dropped", text("x"), "T", "{\n  \"title\": \"T\"\n}"},
      {"title beats the hint", map({{text("title"), text("old")}, {text("z"), u(1)}}), "new",
       "{\n  \"title\": \"new\",\n  \"z\": 1\n}"},
      {"hints kept without title", map({{text("title"), u(3)}}), no_text, "{\n  \"title\": 3\n}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(shown(render_hints_with(c.value, "title", c.title)), c.want);
  }
}

TEST(YamlToJson, DeepValuesDoNotRecurse) {
  YamlValue value = u(1);
  for (int i = 0; i < 128; ++i) value = seq({value});
  auto json = yaml_to_json(value);
  ASSERT_TRUE(json);
  const parser::JsonValue* inner = &*json;
  int depth = 0;
  while (const auto* array = std::get_if<parser::JsonArray>(&inner->value)) {
    ASSERT_EQ(array->size(), 1u);
    inner = &array->front();
    ++depth;
  }
  EXPECT_EQ(depth, 128);
  EXPECT_EQ(inner->value, parser::JsonValue::Storage(std::uint64_t{1}));
}

}  // namespace
}  // namespace lorvane::inject
