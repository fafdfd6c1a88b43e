#include "render/fill.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "render/templates.hpp"
#include "render/testing/reference.hpp"

namespace lorvane::render {
namespace {

struct Pair {
  std::string placeholder;
  std::string value;
};

using reference::fill_template;

std::vector<reference::Placeholder> as_placeholders(const std::vector<Pair>& pairs) {
  std::vector<reference::Placeholder> out;
  for (const Pair& p : pairs) out.emplace_back(p.placeholder, p.value);
  return out;
}

/// Fills with the rope, the pair at `deferred` (if any) given as the deferred value.
/// Returns what lands after "PRE" in the output, doing the second fill when asked to.
std::string rope_fill(const std::string& tmpl, const std::vector<Pair>& pairs,
                      std::size_t deferred = SIZE_MAX, bool* refilled = nullptr,
                      FillBudget* budget = nullptr) {
  FillRope rope(budget);
  auto fill = [&](bool defer) {
    rope.reset(tmpl);
    for (std::size_t i = 0; i < pairs.size(); ++i) {
      if (i == deferred && defer)
        rope.replace_deferred(pairs[i].placeholder);
      else
        rope.replace(pairs[i].placeholder, pairs[i].value);
    }
  };
  fill(true);
  std::string out = "PRE";
  std::string captured;
  const bool ok = rope.append_to(
      out, [&](std::string& o) { o += pairs[deferred].value; }, &captured);
  if (refilled != nullptr) *refilled = !ok;
  if (!ok) {
    EXPECT_EQ(out, "PRE");
    EXPECT_EQ(captured, pairs[deferred].value);
    fill(false);
    rope.append_to(out);
  }
  return out.substr(3);
}

struct Case {
  const char* name;
  std::string tmpl;
  std::vector<Pair> pairs;
  std::string want;
};

// Within a budget every copy beyond a pair's first is paid; once one cannot be, that
// occurrence and the later ones of the pair stay as written — the same in the rope (plain
// and deferred values) and a prepared fill.
TEST(FillBudget, CopiesBeyondTheFirstArePaidFor) {
  const std::string tmpl = "{A}{A}{A}{A}|{B}";
  const std::vector<Pair> pairs = {{"{A}", "xxxx"}, {"{B}", "{A}"}};
  {
    FillBudget budget(8);  // two more copies of "xxxx"
    EXPECT_EQ(rope_fill(tmpl, pairs, SIZE_MAX, nullptr, &budget), "xxxxxxxxxxxx{A}|{A}");
    EXPECT_TRUE(budget.refused());
    EXPECT_EQ(budget.remaining(), 0u);
  }
  {
    FillBudget budget(8);
    EXPECT_EQ(rope_fill("{C}-{C}-{C}-{C}", {{"{C}", "body"}, {"{T}", ""}}, 0, nullptr, &budget),
              "body-body-body-{C}");
  }
  {
    FillBudget budget(3);  // not even one more copy
    const PreparedFill prepared("<{V}|{V}>", {}, "{V}", {});
    std::string out;
    EXPECT_TRUE(prepared.append_to(
        out, [](std::string& o) { o += "value"; }, &budget));
    EXPECT_EQ(out, "<value|{V}>");
  }
  {
    // Exactly enough is enough; the first copy of every pair is free.
    FillBudget budget(12);
    EXPECT_EQ(rope_fill(tmpl, pairs, SIZE_MAX, nullptr, &budget), "xxxxxxxxxxxxxxxx|{A}");
    EXPECT_FALSE(budget.refused());
  }
  // Without a budget nothing is bounded: the literal fill.
  EXPECT_EQ(rope_fill(tmpl, pairs), *fill_template(tmpl, as_placeholders(pairs)));
}

TEST(FillBudget, CopiesOfDeferredPlacesArePaidFor) {
  // A value made only of deferred places has no text of its own, yet every copy of it
  // copies the places: nested, that would multiply them (and the rope's memory) for free.
  std::string inner_tmpl;
  for (int i = 0; i < 100; ++i) inner_tmpl += "{V}";
  std::string outer_tmpl;
  for (int i = 0; i < 1000; ++i) outer_tmpl += "{I}";
  FillBudget budget(4096);
  FillRope inner(&budget);
  inner.reset(inner_tmpl);
  inner.replace_deferred("{V}");
  FillRope outer(&budget);
  outer.reset(outer_tmpl);
  outer.replace_with("{I}", inner);
  std::string out;
  std::string captured;
  ASSERT_TRUE(outer.append_to(
      out, [](std::string& o) { o += "v"; }, &captured));
  EXPECT_TRUE(budget.refused());
  // Each copy of the inner value costs its 100 places; the copies that did not fit stay
  // "{I}" as written. The value goes in at its first place; after the refusal its other
  // places stay "{V}".
  EXPECT_LT(out.size(), 20000u);
  EXPECT_EQ(out.substr(0, 7), "v{V}{V}");
  EXPECT_NE(out.find("{I}"), std::string::npos);
}

TEST(FillBudget, ReserveIsDrawnOnlyWhenNeeded) {
  int asked = 0;
  FillBudget budget(10, [&] {
    ++asked;
    return std::size_t{100};
  });
  EXPECT_TRUE(budget.pay(10));
  EXPECT_EQ(asked, 0);
  const FillBudget before = budget;
  EXPECT_TRUE(budget.pay(60));  // draws the reserve
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(budget.remaining(), 40u);
  EXPECT_FALSE(budget.pay(41));
  EXPECT_EQ(asked, 1);
  // A copy taken before the draw has the same total.
  FillBudget again = before;
  EXPECT_TRUE(again.pay(100));
  EXPECT_FALSE(again.pay(1));
  EXPECT_EQ(asked, 2);
}

TEST(FillBudget, OnceRefusedEveryLaterPaymentIsRefused) {
  FillBudget budget(10);
  EXPECT_TRUE(budget.pay(4));
  EXPECT_FALSE(budget.pay(7));
  // A smaller copy after a refusal must not slip in: what is left as written does not
  // depend on the sizes that come later.
  EXPECT_FALSE(budget.pay(1));
  EXPECT_TRUE(budget.pay(0));
  EXPECT_TRUE(budget.refused());
  EXPECT_TRUE(pay_from(nullptr, SIZE_MAX));
}

TEST(FillRope, MatchesTheLiteralFill) {
  const Case cases[] = {
      {"one pair, twice", "a{X}b{X}c", {{"{X}", "1"}}, "a1b1c"},
      {"value holding its own placeholder is inserted once", "{X}", {{"{X}", "<{X}>"}}, "<{X}>"},
      {"later pair sees earlier value", "{X}", {{"{X}", "{Y}"}, {"{Y}", "y"}}, "y"},
      {"earlier pair does not see later value", "{Y}", {{"{X}", "x"}, {"{Y}", "{X}"}}, "{X}"},
      {"match across template and value",
       "{A}_RESET}",
       {{"{A}", "{CSS"}, {"{CSS_RESET}", "r"}},
       "r"},
      {"match across two values", "{A}{B}", {{"{A}", "{C"}, {"{B}", "SS}"}, {"{CSS}", "!"}}, "!"},
      {"value wholly inside a match", "{C{A}S}", {{"{A}", "S"}, {"{CSS}", "!"}}, "!"},
      {"no overlap, left to right", "{{X}}", {{"{X}", "X"}, {"{X}", "y"}}, "y"},
      {"overlapping candidates", "aaa", {{"aa", "b"}}, "ba"},
      {"empty value removes", "a{X}b", {{"{X}", ""}}, "ab"},
      {"empty placeholder is skipped", "ab", {{"", "x"}}, "ab"},
      {"no occurrence", "abc", {{"{X}", "x"}}, "abc"},
      {"placeholder at both ends", "{X}mid{X}", {{"{X}", "."}}, ".mid."},
      {"emptied text, then a match across the gap", "{C{A}SS}", {{"{A}", ""}, {"{CSS}", "!"}}, "!"},
      {"unknown placeholder stays", "{Q}", {{"{X}", "x"}}, "{Q}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(*fill_template(c.tmpl, as_placeholders(c.pairs)), c.want);
    EXPECT_EQ(rope_fill(c.tmpl, c.pairs), c.want);
    for (std::size_t d = 0; d < c.pairs.size(); ++d) {
      SCOPED_TRACE("deferred pair " + std::to_string(d));
      EXPECT_EQ(rope_fill(c.tmpl, c.pairs, d), c.want);
    }
  }
}

TEST(FillRope, DeferredValueIsWrittenInPlaceUnlessALaterPairReachesIt) {
  bool refilled = false;
  // Last pair: never searched again, written straight in.
  EXPECT_EQ(rope_fill("<{C}>", {{"{T}", "t"}, {"{C}", "{T}"}}, 1, &refilled), "<{T}>");
  EXPECT_FALSE(refilled);
  // A later placeholder inside the deferred text: filled again, with the literal result.
  EXPECT_EQ(rope_fill("<{C}|{T}>", {{"{C}", "a{T}b"}, {"{T}", "t"}}, 0, &refilled), "<atb|t>");
  EXPECT_TRUE(refilled);
  // Braces that cannot become a later placeholder keep the fast path.
  EXPECT_EQ(rope_fill("<{C}|{T}>", {{"{C}", "a{b}{x}"}, {"{T}", "t"}}, 0, &refilled),
            "<a{b}{x}|t>");
  EXPECT_FALSE(refilled);
  // Several places: written once, copied to the others.
  EXPECT_EQ(rope_fill("{C}-{C}-{C}", {{"{C}", "body"}, {"{T}", ""}}, 0, &refilled),
            "body-body-body");
  EXPECT_FALSE(refilled);
  // No place at all: nothing is produced.
  FillRope rope;
  rope.reset("none");
  rope.replace_deferred("{C}");
  std::string out;
  std::string captured;
  bool produced = false;
  EXPECT_TRUE(rope.append_to(
      out, [&](std::string&) { produced = true; }, &captured));
  EXPECT_EQ(out, "none");
  EXPECT_FALSE(produced);
}

TEST(FillRope, NestedRopeCarriesTheDeferredValue) {
  // The layout/base arrangement of the page: the deferred body sits in an inner rope that
  // becomes a value of the outer one, and pairs of both count as later pairs.
  for (const std::string body : {"plain", "has {Z} inside", "ends {Z", "{BODY}", ""}) {
    SCOPED_TRACE(body);
    const std::string inner_tmpl = "[{CONTENT}{BODY}]";
    const std::string outer_tmpl = "{TITLE}<{BODY}>{Z}";
    const std::string literal_inner =
        *fill_template(inner_tmpl, {{"{CONTENT}", body}, {"{BODY}", ""}});
    const std::string want =
        *fill_template(outer_tmpl, {{"{TITLE}", "t"}, {"{BODY}", literal_inner}, {"{Z}", "z"}});

    FillRope inner;
    FillRope outer;
    auto fill = [&](const std::string* text) {
      inner.reset(inner_tmpl);
      if (text)
        inner.replace("{CONTENT}", *text);
      else
        inner.replace_deferred("{CONTENT}");
      inner.replace("{BODY}", "");
      outer.reset(outer_tmpl);
      outer.replace("{TITLE}", "t");
      outer.replace_with("{BODY}", inner);
      outer.replace("{Z}", "z");
    };
    fill(nullptr);
    std::string out;
    std::string captured;
    if (!outer.append_to(
            out, [&](std::string& o) { o += body; }, &captured)) {
      EXPECT_EQ(captured, body);
      fill(&captured);
      outer.append_to(out);
    }
    EXPECT_EQ(out, want);
  }
}

TEST(FillRope, TwoDeferredValues) {
  // Slot 1 goes in first, slot 0 later; each is checked against the pairs after it.
  struct SlotCase {
    const char* name;
    std::string first;   // slot 1, at "{A}"
    std::string second;  // slot 0, at "{B}"
  };
  const SlotCase cases[] = {
      {"both plain", "one", "two"},
      {"first reached by {B}", "x{B}", "two"},
      {"second reached by {Z}", "one", "{Z}"},
      {"both reached", "{Z}", "{Z}{Z}"},
  };
  const std::string tmpl = "<{A}|{B}|{A}>{Z}";
  for (const SlotCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string want =
        *fill_template(tmpl, {{"{A}", c.first}, {"{B}", c.second}, {"{Z}", "z"}});
    std::optional<std::string> texts[FillRope::kSlots];
    std::string out;
    int rounds = 0;
    while (true) {
      ++rounds;
      FillRope rope;
      rope.reset(tmpl);
      if (texts[1])
        rope.replace("{A}", *texts[1]);
      else
        rope.replace_deferred("{A}", 1);
      if (texts[0])
        rope.replace("{B}", *texts[0]);
      else
        rope.replace_deferred("{B}", 0);
      rope.replace("{Z}", "z");
      std::optional<std::string> written[FillRope::kSlots];
      const bool ok = rope.append_slots(
          out, [&](int slot, std::string& o) { o += slot == 0 ? c.second : c.first; }, written);
      if (ok) break;
      ASSERT_EQ(out, "");
      ASSERT_LE(rounds, 2);
      for (int slot = 0; slot < FillRope::kSlots; ++slot)
        if (written[slot]) texts[slot] = std::move(written[slot]);
    }
    EXPECT_EQ(out, want);
  }
}

TEST(FillRope, IsolationCheck) {
  struct IsolationCase {
    const char* name;
    std::string text;
    bool want;
  };
  const std::vector<std::string_view> later = {"{TITLE}", "{CSS}"};
  const IsolationCase cases[] = {
      {"plain text", "<p>text</p>", true},
      {"other braces", "{a} {TITLEX} {", false},  // "{" at the end may start a placeholder
      {"braces not starting a placeholder", "{a} {x}", true},
      {"whole placeholder inside", "a{CSS}b", false},
      {"could end a placeholder begun before it", "SS}", false},
      {"could lie inside a placeholder", "IT", false},
      {"could start a placeholder that ends after it", "x{TIT", false},
      {"empty text joins its neighbours", "", false},
  };
  for (const IsolationCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(is_isolated_from(c.text, later), c.want);
  }
  EXPECT_TRUE(is_isolated_from("", {}));
}

TEST(FillRope, ManyMatchesKeepTheLiteralResult) {
  // Thousands of matches of short values: the rope writes such text into buffers of its
  // own instead of keeping a piece per match; the result must not change.
  std::string tmpl;
  for (int i = 0; i < 5000; ++i) tmpl += "{X}.{Y}{C}";
  const std::vector<Pair> pairs = {{"{X}", "{Y"}, {"{C}", "B}"}, {"{YB}", "!"},
                                   {"{Y}", ""},   {".", ""},     {"!!", "?"}};
  const std::string want = *fill_template(tmpl, as_placeholders(pairs));
  EXPECT_EQ(rope_fill(tmpl, pairs), want);
  for (std::size_t d = 0; d < pairs.size(); ++d) {
    SCOPED_TRACE(d);
    EXPECT_EQ(rope_fill(tmpl, pairs, d), want);
  }
  // With the deferred value in thousands of places, between text that is flattened.
  bool refilled = true;
  EXPECT_EQ(rope_fill(tmpl, {{"{C}", "body"}, {"{X}", "x"}, {".", ""}}, 0, &refilled),
            *fill_template(tmpl, {{"{C}", "body"}, {"{X}", "x"}, {".", ""}}));
  EXPECT_FALSE(refilled);
}

TEST(FillRope, RandomFillsMatchTheLiteralFill) {
  // Small alphabets make matches, near-matches and matches across pieces frequent.
  std::mt19937 rng(12345);
  const std::string alphabet = "{}AB";
  auto word = [&](std::size_t max) {
    std::string s;
    const std::size_t n = rng() % (max + 1);
    for (std::size_t i = 0; i < n; ++i) s += alphabet[rng() % alphabet.size()];
    return s;
  };
  for (int iteration = 0; iteration < 20000; ++iteration) {
    const std::string tmpl = word(12);
    std::vector<Pair> pairs(1 + rng() % 4);
    for (Pair& p : pairs) {
      p.placeholder = word(3);
      p.value = word(6);
    }
    const std::string want = *fill_template(tmpl, as_placeholders(pairs));
    ASSERT_EQ(rope_fill(tmpl, pairs), want) << tmpl;
    const std::size_t d = rng() % pairs.size();
    ASSERT_EQ(rope_fill(tmpl, pairs, d), want) << tmpl << " deferred " << d;

    // The same fill prepared once, with the pairs around the deferred one fixed.
    std::vector<std::pair<std::string_view, std::string_view>> before;
    std::vector<std::pair<std::string_view, std::string_view>> after;
    for (std::size_t i = 0; i < pairs.size(); ++i)
      if (i != d) (i < d ? before : after).emplace_back(pairs[i].placeholder, pairs[i].value);
    const PreparedFill prepared(tmpl, before, pairs[d].placeholder, after);
    std::string out = "PRE";
    if (prepared.append_to(
            out, [&](std::string& o) { o += pairs[d].value; }, nullptr))
      ASSERT_EQ(out, "PRE" + want) << tmpl << " prepared, deferred " << d;
    else
      ASSERT_EQ(out, "PRE");
  }
}

}  // namespace
}  // namespace lorvane::render
