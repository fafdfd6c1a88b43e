// Checks that FillRope fills exactly like fill_template, with and without a deferred
// value and with a nested rope as a value.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "render/fill.hpp"
#include "render/templates.hpp"

namespace {

using lorvane::render::fill_template;
using lorvane::render::FillRope;
using lorvane::render::Placeholder;

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
  // Values that hold the placeholders of later pairs multiply the text pair after pair;
  // the literal fill runs under a budget, and a run that reaches it (or grows beyond a
  // few megabytes) only measures that growth.
  std::string want;
  {
    lorvane::render::FillBudget budget(std::size_t{64} << 20);
    const std::string inner_text = fill_template(inner_tmpl, inner_pairs);
    std::vector<Placeholder> outer_pairs;
    for (std::size_t i = 0; i < outer.size(); ++i)
      outer_pairs.emplace_back(outer[i].placeholder, i == nested_at ? inner_text : outer[i].value);
    want = fill_template(outer_tmpl, outer_pairs);
    if (budget.refused()) return 0;
  }
  if (want.size() > (std::size_t{4} << 20)) return 0;

  FillRope inner_rope;
  FillRope outer_rope;
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
  std::string got = "<";
  std::string captured;
  if (!outer_rope.append_to(
          got, [&](std::string& out) { out += body; }, &captured)) {
    if (got != "<" || captured != body) __builtin_trap();
    fill(&captured);
    outer_rope.append_to(got);
  }
  if (got.substr(1) != want) __builtin_trap();
  return 0;
}
