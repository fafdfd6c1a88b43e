#include "inject/yaml_value.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

#include "inject/yaml_scalar.hpp"
#include "parser/test_util.hpp"

namespace lorvane::inject {
namespace {

// A compact text of a value that tells every kind apart: ~, true, u5 (unsigned), i-5
// (negative), f2.0 (float), "text", [..], {k: v}, !name inner.
std::string show(const YamlValue& v) {
  if (v.is_null()) return "~";
  if (const auto* b = v.get_if<bool>()) return *b ? "true" : "false";
  if (const auto* u = v.get_if<std::uint64_t>()) return "u" + std::to_string(*u);
  if (const auto* i = v.get_if<std::int64_t>()) return "i" + std::to_string(*i);
  if (const auto* d = v.get_if<double>()) {
    std::string out = "f";
    append_float_shortest(out, *d);
    return out;
  }
  if (const auto* s = v.get_if<std::string>()) {
    std::string out;
    append_quoted_text(out, *s);
    return out;
  }
  if (const auto* seq = v.get_if<YamlSequence>()) {
    std::string out = "[";
    for (const YamlValue& e : *seq) out += (out.size() > 1 ? ", " : "") + show(e);
    return out + "]";
  }
  if (const auto* map = v.get_if<YamlMapping>()) {
    std::string out = "{";
    for (const YamlEntry& e : *map) {
      out += (out.size() > 1 ? ", " : "") + show(e.key) + ": " + show(e.value);
    }
    return out + "}";
  }
  const auto& tagged = *v.get_if<YamlTagged>();
  return "!" + tagged.name + " " + show(*tagged.inner);
}

// The loaded value as `show` prints it, or "error: " and the message.
std::string load(std::string_view text) {
  const Result<YamlValue> value = yaml_from_str_value(text);
  if (!value.ok()) {
    EXPECT_TRUE(value.error().causes().empty());
    return "error: " + value.error().message();
  }
  return show(*value);
}

struct Case {
  const char* name;
  std::string text;
  std::string want;
};

void check(const Case* begin, const Case* end) {
  for (const Case* c = begin; c != end; ++c) {
    SCOPED_TRACE(c->name);
    EXPECT_EQ(load(c->text), c->want);
  }
}
template <std::size_t N>
void check(const Case (&cases)[N]) {
  check(cases, cases + N);
}

TEST(YamlLoad, PlainScalarResolution) {
  const Case cases[] = {
      {"float", "2.3", "f2.3"},
      {"float with trailing dot", "2.", "f2.0"},
      {"two dots is text", "2.3.1", "\"2.3.1\""},
      {"trailing dot after fraction", "1.2.", "\"1.2.\""},
      {"integer", "10", "u10"},
      {"leading zero is text", "010", "\"010\""},
      {"hexadecimal", "0x10", "u16"},
      {"plus sign", "+5", "u5"},
      {"minus zero", "-0", "u0"},
      {"negative", "-12", "i-12"},
      {"leading dot", ".5", "f0.5"},
      {"exponent", "1e3", "f1000.0"},
      {"yes is text", "yes", "\"yes\""},
      {"on is text", "on", "\"on\""},
      {"True", "True", "true"},
      {"FALSE", "FALSE", "false"},
      {"tilde", "~", "~"},
      {"Null", "Null", "~"},
      {"empty value", "a:", "{\"a\": ~}"},
      {"quoted float", "\"2.3\"", "\"2.3\""},
      {"quoted integer", "'10'", "\"10\""},
      {"quoted hexadecimal", "\"0x10\"", "\"0x10\""},
      {"quoted true", "\"True\"", "\"True\""},
      {"quoted tilde", "'~'", "\"~\""},
      {"quoted empty", "''", "\"\""},
      {"literal block", "|\n  5\n", "\"5\\n\""},
      {"folded block", ">-\n  true\n", "\"true\""},
      {"upper-case prefix is text", "0X1F", "\"0X1F\""},
      {"underscores are text", "1_000", "\"1_000\""},
      {"infinity", "[.inf, -.Inf, +.INF]", "[f.inf, f-.inf, f.inf]"},
      {"nan", ".NaN", "f.nan"},
      {"inf spelled out is text", "[inf, nan, Infinity, +.nan]",
       "[\"inf\", \"nan\", \"Infinity\", \"+.nan\"]"},
      {"too large a float is text", "1e400", "\"1e400\""},
      {"merge key is a plain key", "<<: {a: 1}", "{\"<<\": {\"a\": u1}}"},
  };
  check(cases);
}

TEST(YamlLoad, IntegerRanges) {
  const Case cases[] = {
      {"largest unsigned", "18446744073709551615", "u18446744073709551615"},
      {"smallest negative", "-9223372036854775808", "i-9223372036854775808"},
      {"2^64 fails as u128", "injections:\n  - after_block: 18446744073709551616\n",
       "error: injections[0].after_block: invalid type: integer `18446744073709551616` as u128, "
       "expected any YAML value at line 2 column 18"},
      {"below -2^63 fails as i128", "- [1, -9223372036854775809]",
       "error: .[0][1]: invalid type: integer `-9223372036854775809` as i128, expected any YAML "
       "value at line 1 column 7"},
      {"root scalar has no path", "0x10000000000000000",
       "error: invalid type: integer `18446744073709551616` as u128, expected any YAML value"},
      {"45 digits load as a float", "123456789012345678901234567890123456789012345",
       "f1.2345678901234567e44"},
      {"hexadecimal beyond 128 bits is text", "0x100000000000000000000000000000000",
       "\"0x100000000000000000000000000000000\""},
  };
  check(cases);
}

TEST(YamlLoad, EmptyAndSeveralDocuments) {
  const std::string more =
      "error: deserializing from YAML containing more than one document is not supported";
  const Case cases[] = {
      {"empty text", "", "~"},
      {"comments and blank lines", "# nothing here\n\n   \n# more\n", "~"},
      {"document start alone", "---\n", "~"},
      {"document end after a document", "a: 1\n...\n", "{\"a\": u1}"},
      {"second document", "a: 1\n---\nb: 2\n", more},
      {"empty second document", "a: 1\n---\n", more},
      {"content after the end marker", "a: 1\n...\nb\n", more},
      {"faulty second document", "a: 1\n...\n]\n", more},
      // libyaml reads a leading "..." as the end of an implicit document with no node.
      {"end marker alone", "...\n",
       "error: did not find expected node content, while parsing a block node"},
  };
  check(cases);
}

TEST(YamlLoad, DuplicateKeys) {
  const Case cases[] = {
      {"inside the first injection", "# SIDECAR\ninjections:\n  - type: note\n    type: tip\n",
       "error: injections[0]: duplicate entry with key \"type\" at line 3 column 5"},
      {"top level", "injections: []\nrender: {}\ninjections: []\n",
       "error: duplicate entry with key \"injections\""},
      {"inside render", "render:\n  css:\n    reset: a\n    reset: b\n",
       "error: render.css: duplicate entry with key \"reset\" at line 3 column 5"},
      {"1 and 0x1", "{1: a, 0x1: b}", "error: duplicate entry with key 1"},
      {"1 and quoted 1", "{1: a, '1': b}", "{u1: \"a\", \"1\": \"b\"}"},
      {"1 and 1.0", "{1: a, 1.0: b}", "{u1: \"a\", f1.0: \"b\"}"},
      {"negative", "{-1: a, -0x1: b}", "error: duplicate entry with key -1"},
      {"null keys", "{~: a, null: b}", "error: duplicate entry with null key"},
      {"empty keys are null", "? \n: a\n? \n: b\n", "error: duplicate entry with null key"},
      {"boolean keys", "{true: a, True: b}", "error: duplicate entry with key `true`"},
      {"float keys", "{1.5: a, 1.50: b}", "error: duplicate entry with key 1.5"},
      {"large float keys", "{1e20: a, 100000000000000000000.0: b}",
       "error: duplicate entry with key 1e20"},
      {"zero and minus zero", "{0.0: a, -0.0: b}", "error: duplicate entry with key -0.0"},
      {"NaN equals NaN", "{.nan: a, .NAN: b}", "error: duplicate entry with key .nan"},
      {"text with escapes", "{\"a\\\"b\\n\": 1, \"a\\\"b\\n\": 2}",
       "error: duplicate entry with key \"a\\\"b\\n\""},
      {"sequence keys", "{[1, 2]: a, [1, 2]: b}", "error: duplicate entry in YAML map"},
      {"different sequences", "{[1, 2]: a, [2, 1]: b}", "{[u1, u2]: \"a\", [u2, u1]: \"b\"}"},
      {"mappings in any order", "? {a: 1, b: 2}\n: x\n? {b: 2, a: 1}\n: y\n",
       "error: duplicate entry in YAML map"},
      {"same tag", "{!p 1: a, !p 1: b}", "error: duplicate entry in YAML map"},
      {"different tags", "{!p 1: a, !q 1: b}", "{!p u1: \"a\", !q u1: \"b\"}"},
      {"tagged and untagged", "{!p 1: a, 1: b}", "{!p u1: \"a\", u1: \"b\"}"},
      {"alias of a key", "- &k a: 1\n  *k : 2\n",
       "error: .[0]: duplicate entry with key \"a\" at line 1 column 3"},
      {"equal keys in different mappings", "a: {x: 1}\nb: {x: 1}\n",
       "{\"a\": {\"x\": u1}, \"b\": {\"x\": u1}}"},
  };
  check(cases);
}

TEST(YamlLoad, DuplicateFoundBeforeTheValueIsBuilt) {
  // The repeated key comes first in reading order, before the faulty value behind it.
  EXPECT_EQ(load("a: 1\na: !!int x\n"), "error: duplicate entry with key \"a\"");
}

TEST(YamlLoad, ManyKeysAreCheckedInLinearTime) {
  std::string text;
  text.reserve(2'000'000);
  for (int i = 0; i < 100'000; ++i)
    text += "key" + std::to_string(i) + ": " + std::to_string(i) + "\n";
  const Result<YamlValue> value = yaml_from_str_value(text);
  ASSERT_TRUE(value.ok()) << value.error().message();
  EXPECT_EQ(value->get_if<YamlMapping>()->size(), 100'000u);
  text += "key77777: again\n";
  EXPECT_EQ(load(text), "error: duplicate entry with key \"key77777\"");
  // Float keys that differ only a little must not all meet in one bucket.
  std::string floats = "{";
  for (int i = 0; i < 100'000; ++i) floats += "0." + std::to_string(i + 1) + "5, ";
  floats += "0.15}";
  EXPECT_EQ(load(floats), "error: duplicate entry with key 0.15");
}

TEST(YamlLoad, NodePaths) {
  const Case cases[] = {
      {"element of a root sequence", "- !!int x",
       "error: .[0]: invalid value: string \"x\", expected an integer at line 1 column 3"},
      {"nested path", "injections:\n  - target:\n      section: !!float a\n",
       "error: injections[0].target.section: invalid value: string \"a\", expected a float at line "
       "3 column 16"},
      {"quoting removed from keys", "\"a b\": {'c': !!null x}",
       "error: a b.c: invalid value: string \"x\", expected null at line 1 column 14"},
      {"key that is no scalar", "? [k]\n: !!bool x\n",
       "error: ?: invalid value: string \"x\", expected a boolean at line 2 column 3"},
      {"under a key that is no scalar", "a:\n  ? {k: v}\n  : [!!int x]\n",
       "error: a.?[0]: invalid value: string \"x\", expected an integer at line 3 column 6"},
      {"a faulty key has its mapping's path", "a: {!!int x: 1}",
       "error: a: invalid value: string \"x\", expected an integer at line 1 column 5"},
      {"root mapping key", "!!int x: 1", "error: invalid value: string \"x\", expected an integer"},
      {"index counts elements", "[a, b, c, !!int d]",
       "error: .[3]: invalid value: string \"d\", expected an integer at line 1 column 11"},
  };
  check(cases);
}

TEST(YamlLoad, Tags) {
  const Case cases[] = {
      {"!!int none", "a: !!int none",
       "error: a: invalid value: string \"none\", expected an integer at line 1 column 4"},
      {"!!int of a quoted text", "!!int \"5\"", "u5"},
      {"!!int beyond 64 bits", "a: !!int '18446744073709551616'",
       "error: a: invalid type: integer `18446744073709551616` as u128, expected any YAML value at "
       "line 1 column 4"},
      {"!!int with a leading zero", "!!int 010",
       "error: invalid value: string \"010\", expected an integer"},
      {"!!str 5", "!!str 5", "\"5\""},
      {"!point 5", "!point 5", "!point u5"},
      {"bare tag", "! 5", "!! u5"},
      {"local tag on a quoted scalar", "!point '5'", "!point \"5\""},
      {"local tag on collections", "[!p [1], !q {a: ~}]", "[!p [u1], !q {\"a\": ~}]"},
      {"local tag from a handle", "%TAG !l! !local-\n---\n!l!x 1\n", "!local-x u1"},
      {"verbatim local tag", "!<!v> x", "!v \"x\""},
      {"!!float 0x10", "a: !!float 0x10",
       "error: a: invalid value: string \"0x10\", expected a float at line 1 column 4"},
      {"!!float of an integer", "!!float '5'", "f5.0"},
      {"!!float with leading zeros", "!!float 007", "f7.0"},
      {"!!bool", "[!!bool True, !!bool 'false']", "[true, false]"},
      {"!!bool yes", "!!bool yes", "error: invalid value: string \"yes\", expected a boolean"},
      {"!!null", "[!!null ~, !!null 'null']", "[~, ~]"},
      {"!!null of an empty scalar", "a: !!null",
       "error: a: invalid value: string \"\", expected null at line 1 column 4"},
      {"other standard tags are dropped",
       "[!!binary 5, !!timestamp 2001-01-01, !!map {a: 1}, !!seq [1]]",
       "[\"5\", \"2001-01-01\", {\"a\": u1}, [u1]]"},
      {"global tags are dropped", "%TAG !e! tag:example.com,2026:\n---\n[!e!x 1, !<tag:y> 2]\n",
       "[\"1\", \"2\"]"},
      {"standard tags on collections are dropped", "!!int [1]", "[u1]"},
  };
  check(cases);
}

TEST(YamlLoad, Anchors) {
  const Case cases[] = {
      {"alias of a scalar", "a: &x 5\nb: *x\n", "{\"a\": u5, \"b\": u5}"},
      {"alias of a collection", "a: &x [1, {b: 2}]\nc: *x\n",
       "{\"a\": [u1, {\"b\": u2}], \"c\": [u1, {\"b\": u2}]}"},
      {"tags are applied again", "a: &x !p [!!int '1']\nb: *x\n",
       "{\"a\": !p [u1], \"b\": !p [u1]}"},
      {"re-defined anchor", "- &a 1\n- *a\n- &a 2\n- *a\n", "[u1, u1, u2, u2]"},
      {"unknown anchor", "- *a\n- &a 1\n", "error: unknown anchor at line 1 column 3"},
      {"unknown anchor at the start", "*a", "error: unknown anchor"},
      {"alias inside its own node", "a: &x [1, *x]\n",
       "error: recursion limit exceeded at line 1 column 4"},
      {"alias as a key gives ? in paths", "- &k [1]\n- {*k : !!int x}\n",
       "error: .[1].?: invalid value: string \"x\", expected an integer at line 2 column 9"},
  };
  check(cases);
}

std::string nested_flow(int depth) { return std::string(depth, '[') + std::string(depth, ']'); }

TEST(YamlLoad, NestingLimit) {
  const Result<YamlValue> deep = yaml_from_str_value(nested_flow(128));
  ASSERT_TRUE(deep.ok()) << deep.error().message();
  EXPECT_EQ(load(nested_flow(129)), "error: recursion limit exceeded at line 1 column 129");
  EXPECT_EQ(load("a:\n  b: " + nested_flow(127)),
            "error: recursion limit exceeded at line 2 column 132");
  // A collection reached through an alias takes its level at the alias's place; the
  // position is the anchored node's.
  const std::string anchored = "a: &x " + nested_flow(100) + "\n";
  EXPECT_TRUE(yaml_from_str_value(anchored + "b: *x\n").ok());
  EXPECT_EQ(load(anchored + "b: " + std::string(28, '[') + "*x" + std::string(28, ']') + "\n"),
            "error: recursion limit exceeded at line 1 column 106");
  // A million brackets fail at the 129th, quickly, whatever follows.
  EXPECT_EQ(load(std::string(1'000'000, '[')),
            "error: recursion limit exceeded at line 1 column 129");
  std::string block;
  for (int i = 0; i < 10'000; ++i) block += "- ";
  EXPECT_EQ(load(block + "x\n"), "error: recursion limit exceeded at line 1 column 257");
}

TEST(YamlLoad, DeepTreesNeedLittleStack) {
  // Building keeps its own stack; only the tree's own copy and destruction recurse, at
  // most 128 levels.
  lorvane::testing::run_with_small_stack(
      [] {
        EXPECT_TRUE(yaml_from_str_value(nested_flow(128)).ok());
        EXPECT_FALSE(yaml_from_str_value(std::string(100'000, '[') + "*a").ok());
      },
      256 * 1024);
}

TEST(YamlLoad, RepetitionLimit) {
  // a holds ten scalars, b ten aliases of a, and so on to e: e alone would need 10,000
  // copies of a.
  std::string five = "a: &a [x, x, x, x, x, x, x, x, x, x]\n";
  const char* names = "abcde";
  for (int level = 1; level < 5; ++level) {
    five += std::string(1, names[level]) + ": &" + names[level] + " [";
    for (int i = 0; i < 10; ++i) five += std::string(i ? ", *" : "*") + names[level - 1];
    five += "]\n";
  }
  EXPECT_EQ(load(five), "error: repetition limit exceeded");
  // Without e the same text loads.
  EXPECT_TRUE(yaml_from_str_value(five.substr(0, five.rfind("e:"))).ok());
}

// a: one scalar; b: `b_aliases` aliases of a; c: `c_aliases` aliases of b; then d, line 4.
std::string aliases_then(int b_aliases, int c_aliases, const std::string& d) {
  std::string text = "a: &a [1]\nb: &b [";
  for (int i = 0; i < b_aliases; ++i) text += i ? ", *a" : "*a";
  text += "]\nc: [";
  for (int i = 0; i < c_aliases; ++i) text += i ? ", *b" : "*b";
  return text + "]\nd: " + d + "\n";
}

std::string scalars(int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += "x, ";
  return out;
}

TEST(YamlLoad, LimitsCountEveryEventOfTheDocument) {
  // The events after the 129th nested flow collection are not kept, yet they count: b and
  // c expand a 90,600 times, within 100 times the 1,871 events of the whole text, but
  // not within 100 times the 741 before that collection. The root mapping takes the
  // first level, so d's 128th bracket is the collection that fails.
  const std::string deep = std::string(129, '[') + scalars(1000) + std::string(129, ']');
  const std::string nesting = "error: recursion limit exceeded at line 4 column 131";
  const std::string repetition = "error: repetition limit exceeded";
  const Case cases[] = {
      {"all events count", aliases_then(300, 300, deep), nesting},
      // 300 + 301 * 780 = 235,080 expansions for 2,351 events; one more alias of b gives
      // 235,381 for 2,352.
      {"just within the limit", aliases_then(300, 780, deep), nesting},
      {"just over the limit", aliases_then(300, 781, deep), repetition},
      {"anchors past the stop serve aliases past it",
       aliases_then(300, 300, std::string(129, '[') + "&q x, *q, " + scalars(1000)), nesting},
      // Events are counted as far as collecting would have gone.
      {"an alias of no anchor ends the count",
       aliases_then(300, 300, std::string(129, '[') + "*q, " + scalars(1000)), repetition},
      {"a syntax error ends the count",
       aliases_then(300, 300, std::string(129, '[') + "}, " + scalars(1000)), repetition},
      // Counting goes on inside the 129th flow collection, not into a 130th.
      {"events before a 130th flow collection count",
       aliases_then(300, 300, std::string(129, '[') + scalars(1000) + "[x]"), nesting},
      {"events inside a 130th flow collection do not",
       aliases_then(300, 300, std::string(130, '[') + scalars(1000)), repetition},
  };
  check(cases);
}

TEST(YamlLoad, ValuesBuiltCountEveryEventOfTheDocument) {
  // b copies the thousand scalars of a 1,020 times: 1,022,000 values and more, beyond the
  // budget of the 2,157 events up to d's 129th bracket but within that of all 3,157.
  std::string text = "a: &a [" + scalars(1000) + "]\nb: [";
  for (int i = 0; i < 1020; ++i) text += "*a, ";
  text += "]\nd: " + std::string(129, '[') + scalars(1000) + "\n";
  EXPECT_EQ(load(text), "error: recursion limit exceeded at line 3 column 131");
}

TEST(YamlLoad, CopiesAreBounded) {
  // 50,000 scalars anchored and 50,000 aliases of them: far below 100 expansions per
  // event, but 2.5 billion values. The values built, copies included, are bounded.
  std::string text = "a: &a [";
  for (int i = 0; i < 50'000; ++i) text += "x, ";
  text += "]\nb: [";
  for (int i = 0; i < 50'000; ++i) text += "*a, ";
  text += "]\n";
  EXPECT_EQ(load(text), "error: repetition limit exceeded");
  // So are the bytes of copied texts: 100,000 copies of a text of 100,000 bytes.
  std::string texts = "a: &a " + std::string(100'000, 'x') + "\nb: [";
  for (int i = 0; i < 100'000; ++i) texts += "*a, ";
  texts += "]\n";
  EXPECT_EQ(load(texts), "error: repetition limit exceeded");
  // A few copies of a larger node are fine.
  std::string few = "a: &a [";
  for (int i = 0; i < 10'000; ++i) few += "x, ";
  few += "]\nb: [*a, *a, *a, *a, *a]\n";
  EXPECT_TRUE(yaml_from_str_value(few).ok());
}

std::string tag_directives(int count) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    out += "%TAG !h" + std::to_string(i) + "! !local" + std::to_string(i) + "-\n";
  }
  return out;
}

TEST(YamlLoad, TagDirectivesAreBounded) {
  const std::string too_many =
      "error: more than 32 %TAG directives in one document are not supported";
  const Case cases[] = {
      {"32 directives", tag_directives(32) + "--- !h31!x 1\n", "!local31-x u1"},
      {"33 directives", tag_directives(33) + "--- !h0!x 1\n", too_many},
      {"the primary handles count too",
       "%TAG ! !p-\n%TAG !! !q-\n" + tag_directives(31) + "--- [!x 1, !!y 2]\n", too_many},
      {"in a second document", "a\n...\n" + tag_directives(33) + "--- b\n",
       "error: deserializing from YAML containing more than one document is not supported"},
      // Each directive is compared with every earlier one: 200,000 of them would keep
      // libyaml busy for minutes.
      {"200,000 directives", tag_directives(200'000) + "--- x\n", too_many},
      {"200,000 directives in a second document", "a\n...\n" + tag_directives(200'000) + "--- b\n",
       "error: deserializing from YAML containing more than one document is not supported"},
  };
  check(cases);
}

TEST(YamlLoad, FirstFailureInReadingOrderWins) {
  const Case cases[] = {
      {"building error before a syntax error", "- !!int x\n- ]\n",
       "error: .[0]: invalid value: string \"x\", expected an integer at line 1 column 3"},
      {"syntax error before a duplicate", "a: 1\n]\na: 2\n",
       "error: did not find expected key at line 2 column 1, while parsing a block mapping"},
      {"syntax error after a complete root", "a: 1\nb: [1\n",
       "error: did not find expected ',' or ']' at line 3 column 1, while parsing a flow sequence "
       "at line 2 column 4"},
      {"duplicate before an unknown anchor", "a: 1\na: 2\nb: *x\n",
       "error: duplicate entry with key \"a\""},
      {"unknown anchor before a duplicate", "a: *x\na: 2\n",
       "error: unknown anchor at line 1 column 4"},
      {"building error before more documents", "!!int x\n---\n",
       "error: invalid value: string \"x\", expected an integer"},
  };
  check(cases);
}

TEST(YamlLoad, PositionsCountCharactersAndYamlLineBreaks) {
  const Case cases[] = {
      {"columns in characters", "\xC3\xA9\xC3\xA9: !!int x",
       "error: \xC3\xA9\xC3\xA9: invalid value: string \"x\", expected an integer at line 1 column "
       "5"},
      {"CR LF is one break", "a: 1\r\nb: !!int x\r\n",
       "error: b: invalid value: string \"x\", expected an integer at line 2 column 4"},
      {"next line is a break",
       "a\xC2\x85"
       "b: 1",
       "error: mapping values are not allowed in this context at line 2 column 2"},
  };
  check(cases);
}

TEST(YamlLoad, SampleSidecarShape) {
  const std::string text =
      "metadata:\n  project: \"Demo\"\n\nrender:\n  outline:\n    enabled: true\n    max_depth: "
      "3\n\n"
      "injections:\n  - id: \"example-code\"\n    type: \"code_block\"\n    content: |\n"
      "      line one\n        line two\n    columns: [\"Capability\", \"Example\"]\n"
      "    target:\n      section: \"2.2\"\n      after_paragraph: 1\n";
  EXPECT_EQ(load(text),
            "{\"metadata\": {\"project\": \"Demo\"}, \"render\": {\"outline\": {\"enabled\": true, "
            "\"max_depth\": u3}}, \"injections\": [{\"id\": \"example-code\", \"type\": "
            "\"code_block\", \"content\": \"line one\\n  line two\\n\", \"columns\": "
            "[\"Capability\", \"Example\"], \"target\": {\"section\": \"2.2\", "
            "\"after_paragraph\": u1}}]}");
}

TEST(YamlLoad, SampleProjectSidecar) {
  std::ifstream file(LORVANE_SAMPLE_SIDECAR, std::ios::binary);
  ASSERT_TRUE(file.good());
  std::stringstream text;
  text << file.rdbuf();
  const Result<YamlValue> root = yaml_from_str_value(text.str());
  ASSERT_TRUE(root.ok()) << root.error().message();
  const auto* injections = yaml_value_get(*root, "injections")->get_if<YamlSequence>();
  ASSERT_NE(injections, nullptr);
  ASSERT_EQ(injections->size(), 4u);
  EXPECT_EQ(yaml_value_get(*root, "reclassify")->get_if<YamlSequence>()->size(), 1u);
  EXPECT_EQ(show(*yaml_value_get((*injections)[1], "target")),
            "{\"section\": \"2.2\", \"after_paragraph\": u0}");
  EXPECT_EQ(*yaml_value_get((*injections)[2], "content")->get_if<std::string>(),
            "injections:\n  - id: example\n    type: figure\n    target:\n      section: "
            "\"2.2\"\n      after_paragraph: 0\n");
  EXPECT_EQ(show(*yaml_value_get((*injections)[3], "columns")), "[\"Capability\", \"Example\"]");
  const YamlValue* outline = yaml_value_get(*yaml_value_get(*root, "render"), "outline");
  EXPECT_EQ(show(*outline), "{\"enabled\": true, \"title\": \"Contents\", \"max_depth\": u3}");
}

TEST(YamlValueGet, LooksUpTextKeysAfterUntagging) {
  const Result<YamlValue> root =
      yaml_from_str_value("!wrap {injections: [a], 1: one, !t structure: x, Injections: y}");
  ASSERT_TRUE(root.ok());
  ASSERT_NE(yaml_value_get(*root, "injections"), nullptr);
  EXPECT_EQ(show(*yaml_value_get(*root, "injections")), "[\"a\"]");
  EXPECT_EQ(show(*yaml_value_get(*root, "Injections")), "\"y\"");
  EXPECT_EQ(yaml_value_get(*root, "1"), nullptr);          // an integer key is no text
  EXPECT_EQ(yaml_value_get(*root, "structure"), nullptr);  // a tagged key never matches
  EXPECT_EQ(yaml_value_get(*root, "reclassify"), nullptr);
  EXPECT_EQ(yaml_value_get(YamlValue(std::string("injections")), "injections"), nullptr);
  EXPECT_EQ(yaml_value_get(YamlValue(), "injections"), nullptr);

  const Result<YamlValue> tagged = yaml_from_str_value("!a !b 5");
  ASSERT_FALSE(tagged.ok());  // a node has one tag at most
  YamlValue twice = YamlTagged{"a", YamlValue(YamlTagged{"b", YamlValue(std::uint64_t{5})})};
  EXPECT_EQ(show(yaml_value_untag(twice)), "u5");
  EXPECT_EQ(&yaml_value_untag(*root), &*root->get_if<YamlTagged>()->inner);
}

TEST(YamlDescribe, Table) {
  struct DescribeCase {
    const char* text;
    const char* want;
  };
  const DescribeCase cases[] = {
      {"~", "unit value"},
      {"true", "boolean `true`"},
      {"False", "boolean `false`"},
      {"5", "integer `5`"},
      {"-1", "integer `-1`"},
      {"2.0", "floating point `2.0`"},
      {"2.3", "floating point `2.3`"},
      {"2.10", "floating point `2.1`"},
      {"1.", "floating point `1.0`"},
      {"1e20", "floating point `100000000000000000000.0`"},
      {"1.5e-7", "floating point `0.00000015`"},
      {"-0.0", "floating point `-0.0`"},
      {".inf", "floating point `inf`"},
      {"-.inf", "floating point `-inf`"},
      {".nan", "floating point `NaN`"},
      {"figure", "string \"figure\""},
      {"'say \"hi\"'", "string \"say \\\"hi\\\"\""},
      {"\"tab\\there\\u0007\"", "string \"tab\\there\\u{7}\""},
      {"[a]", "sequence"},
      {"{a: 1}", "map"},
      {"!t 5", "integer `5`"},  // untagged first
  };
  for (const DescribeCase& c : cases) {
    SCOPED_TRACE(c.text);
    const Result<YamlValue> value = yaml_from_str_value(c.text);
    ASSERT_TRUE(value.ok()) << value.error().message();
    EXPECT_EQ(describe_yaml_value(*value), c.want);
  }
}

}  // namespace
}  // namespace lorvane::inject
