#include "inject/yaml_keys.hpp"

#include <gtest/gtest.h>

#include <limits>

namespace lorvane::inject {
namespace {

YamlValue u(std::uint64_t v) { return YamlValue(v); }
YamlValue i(std::int64_t v) { return YamlValue(v); }
YamlValue f(double v) { return YamlValue(v); }
YamlValue s(const char* v) { return YamlValue(std::string(v)); }

TEST(YamlKeysEqual, Rules) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(yaml_keys_equal(u(1), u(1)));
  EXPECT_TRUE(yaml_keys_equal(u(5), i(5)));  // one integer, whichever form holds it
  EXPECT_FALSE(yaml_keys_equal(u(1), f(1.0)));
  EXPECT_FALSE(yaml_keys_equal(u(1), s("1")));
  EXPECT_FALSE(yaml_keys_equal(i(-1), u(std::numeric_limits<std::uint64_t>::max())));
  EXPECT_TRUE(yaml_keys_equal(f(nan), f(-nan)));
  EXPECT_TRUE(yaml_keys_equal(f(0.0), f(-0.0)));
  EXPECT_FALSE(yaml_keys_equal(f(nan), f(1.0)));
  EXPECT_TRUE(yaml_keys_equal(YamlValue(), YamlValue()));
  EXPECT_FALSE(yaml_keys_equal(YamlValue(), YamlValue(false)));
  EXPECT_FALSE(yaml_keys_equal(s("a"), YamlValue(YamlTagged{"t", s("a")})));
  EXPECT_TRUE(yaml_keys_equal(YamlValue(YamlTagged{"t", s("a")}), YamlValue(YamlTagged{"t", s("a")})));
  EXPECT_FALSE(yaml_keys_equal(YamlValue(YamlTagged{"t", s("a")}), YamlValue(YamlTagged{"u", s("a")})));

  // Mappings: equal entries in any order, also when there are many.
  YamlMapping forward;
  YamlMapping backward;
  for (std::uint64_t k = 0; k < 40; ++k) forward.push_back({u(k), s("v")});
  for (std::uint64_t k = 40; k-- > 0;) backward.push_back({u(k), s("v")});
  EXPECT_TRUE(yaml_keys_equal(YamlValue(forward), YamlValue(backward)));
  backward[7].value = s("w");
  EXPECT_FALSE(yaml_keys_equal(YamlValue(forward), YamlValue(backward)));
  EXPECT_FALSE(yaml_keys_equal(YamlValue(YamlSequence{u(1), u(2)}), YamlValue(YamlSequence{u(2), u(1)})));
}

TEST(YamlKeyHash, AgreesWithEquality) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(hash_yaml_key(u(5)), hash_yaml_key(i(5)));
  EXPECT_EQ(hash_yaml_key(f(nan)), hash_yaml_key(f(-nan)));
  EXPECT_EQ(hash_yaml_key(f(0.0)), hash_yaml_key(f(-0.0)));
  YamlMapping ab{{s("a"), u(1)}, {s("b"), u(2)}};
  YamlMapping ba{{s("b"), u(2)}, {s("a"), u(1)}};
  EXPECT_EQ(hash_yaml_key(YamlValue(ab)), hash_yaml_key(YamlValue(ba)));
  EXPECT_NE(hash_yaml_key(u(1)), hash_yaml_key(f(1.0)));
  EXPECT_NE(hash_yaml_key(u(1)), hash_yaml_key(s("1")));
  EXPECT_NE(hash_yaml_key(YamlValue(YamlSequence{u(1), u(2)})),
            hash_yaml_key(YamlValue(YamlSequence{u(2), u(1)})));
}

TEST(YamlKeyIndex, FindsEqualKeysInScanAndTable) {
  // Every key with the same hash: the table must still tell them apart by value.
  for (const bool same_hash : {false, true}) {
    SCOPED_TRACE(same_hash);
    YamlMapping entries;
    YamlKeyIndex index;
    for (std::uint64_t k = 0; k < 300; ++k) {
      const YamlValue key = u(k * 7);
      const std::uint64_t hash = same_hash ? 42 : hash_yaml_key(key);
      ASSERT_FALSE(index.contains(entries, key, hash));
      entries.push_back({key, YamlValue()});
      index.add(hash);
      if (k == 10 || k == 299) {
        for (std::uint64_t j = 0; j <= k; ++j) {
          const std::uint64_t h = same_hash ? 42 : hash_yaml_key(u(j * 7));
          EXPECT_TRUE(index.contains(entries, u(j * 7), h)) << j;
          EXPECT_TRUE(index.contains(entries, i(static_cast<std::int64_t>(j * 7)), h)) << j;
        }
        EXPECT_FALSE(index.contains(entries, u(3), same_hash ? 42 : hash_yaml_key(u(3))));
      }
    }
    index.reset();
    EXPECT_FALSE(index.contains({}, u(0), same_hash ? 42 : hash_yaml_key(u(0))));
  }
}

}  // namespace
}  // namespace lorvane::inject
