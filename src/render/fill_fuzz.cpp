// Checks that FillRope fills exactly like the literal fill, with and without a deferred
// value and with a nested rope as a value, and that under a budget it stays within it.
#include <fuzzer/FuzzedDataProvider.h>

#include <optional>
#include <string>
#include <vector>

#include "render/fill.hpp"
#include "render/testing/reference.hpp"

namespace {

using lorvane::render::FillBudget;
using lorvane::render::FillRope;
using lorvane::render::reference::fill_template;
using lorvane::render::reference::Placeholder;

constexpr std::size_t kMaxLiteral = std::size_t{4} << 20;

std::string text(FuzzedDataProvider& in, bool small_alphabet, std::size_t max) {
  std::string s = in.ConsumeRandomLengthString(max);
  if (small_alphabet)
    for (char& c : s) c = "{}AB"[static_cast<unsigned char>(c) % 4];
  return s;
}

struct Pair {
  std::string placeholder;
  std::string value;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const bool small = in.ConsumeBool();
  const std::string inner_tmpl = text(in, small, 32);
  // Repeated, so that some fills have enough matches to be written flat.
  std::string outer_tmpl = text(in, small, 32);
  const std::size_t repeat = in.ConsumeIntegralInRange<std::size_t>(1, 300);
  std::string repeated;
  for (std::size_t i = 0; i < repeat; ++i) repeated += outer_tmpl;
  outer_tmpl = repeated;
  std::vector<Pair> inner(in.ConsumeIntegralInRange<std::size_t>(0, 4));
  std::vector<Pair> outer(in.ConsumeIntegralInRange<std::size_t>(1, 4));
  for (Pair& p : inner) p = {text(in, small, 4), text(in, small, 8)};
  for (Pair& p : outer) p = {text(in, small, 4), text(in, small, 8)};
  const std::size_t deferred = in.ConsumeIntegralInRange<std::size_t>(0, inner.size());
  const std::size_t nested_at = in.ConsumeIntegralInRange<std::size_t>(0, outer.size() - 1);
  const std::string body = text(in, small, 16);

  // The literal result: the inner fill (its deferred pair taking `body`) is the value of
  // the outer pair at `nested_at`.
  std::vector<Placeholder> inner_pairs;
  for (std::size_t i = 0; i < inner.size(); ++i)
    inner_pairs.emplace_back(inner[i].placeholder, i == deferred ? body : inner[i].value);
  // Values that hold the placeholders of later pairs multiply the text pair after pair: a
  // literal result beyond a few megabytes is not compared, only the budget is checked.
  std::optional<std::string> want;
  if (std::optional<std::string> inner_text = fill_template(inner_tmpl, inner_pairs, kMaxLiteral)) {
    std::vector<Placeholder> outer_pairs;
    for (std::size_t i = 0; i < outer.size(); ++i)
      outer_pairs.emplace_back(outer[i].placeholder, i == nested_at ? *inner_text : outer[i].value);
    want = fill_template(outer_tmpl, outer_pairs, kMaxLiteral);
  }
  const std::size_t budget_bytes = in.ConsumeIntegralInRange<std::size_t>(0, 1 << 16);
  FillBudget budget(budget_bytes);
  const bool bounded = !want || in.ConsumeBool();

  FillRope inner_rope(bounded ? &budget : nullptr);
  FillRope outer_rope(bounded ? &budget : nullptr);
  auto fill = [&](const std::string* body_text) {
    inner_rope.reset(inner_tmpl);
    for (std::size_t i = 0; i < inner.size(); ++i) {
      if (i != deferred)
        inner_rope.replace(inner[i].placeholder, inner[i].value);
      else if (body_text != nullptr)
        inner_rope.replace(inner[i].placeholder, *body_text);
      else
        inner_rope.replace_deferred(inner[i].placeholder);
    }
    outer_rope.reset(outer_tmpl);
    for (std::size_t i = 0; i < outer.size(); ++i) {
      if (i == nested_at)
        outer_rope.replace_with(outer[i].placeholder, inner_rope);
      else
        outer_rope.replace(outer[i].placeholder, outer[i].value);
    }
  };
  fill(nullptr);
  const FillBudget before = budget;
  std::string got = "<";
  std::string captured;
  if (!outer_rope.append_to(
          got, [&](std::string& out) { out += body; }, &captured)) {
    if (got != "<" || captured != body) __builtin_trap();
    budget = before;
    fill(&captured);
    outer_rope.append_to(got);
  }
  // Every copy beyond a pair's first is paid, so what a budget lets through is bounded by
  // the texts the fills start from, copied once per pair, plus the budget.
  std::size_t first_copies = outer_tmpl.size() + inner_tmpl.size() + body.size();
  for (const Pair& p : inner) first_copies += p.value.size();
  for (const Pair& p : outer) first_copies += p.value.size();
  if (bounded && got.size() - 1 > budget_bytes + 16 * first_copies) __builtin_trap();
  if (want && !(bounded && budget.refused()) && got.substr(1) != *want) __builtin_trap();
  return 0;
}
