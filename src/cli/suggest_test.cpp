#include "cli/suggest.hpp"

#include <gtest/gtest.h>

namespace lorvane::cli {
namespace {

TEST(EditDistance, CountsEachKindOfEdit) {
  EXPECT_EQ(edit_distance("build", "build"), 0u);
  EXPECT_EQ(edit_distance("biuld", "build"), 1u);  // swap
  EXPECT_EQ(edit_distance("buld", "build"), 1u);   // insertion
  EXPECT_EQ(edit_distance("buiild", "build"), 1u);  // deletion
  EXPECT_EQ(edit_distance("bxild", "build"), 1u);  // substitution
  EXPECT_EQ(edit_distance("", "init"), 4u);
  EXPECT_EQ(edit_distance("parse", ""), 5u);
  EXPECT_EQ(edit_distance("kitten", "sitting"), 3u);
}

TEST(ClosestName, Suggestions) {
  const std::vector<std::string> subcommands = {"parse", "build", "init", "help"};
  const std::vector<std::string> twins = {"abcd", "abce"};
  const std::vector<std::string> options = {"--help", "--sidecar", "--o", "--base-json",
                                            "--final-json", "--no-strict"};
  struct Case {
    const char* name;
    std::string typed;
    const std::vector<std::string>* candidates;
    std::optional<std::string> want;
  };
  const Case cases[] = {
      {"swapped letters", "biuld", &subcommands, "build"},
      {"missing letter", "pase", &subcommands, "parse"},
      {"short name, one edit", "int", &subcommands, "init"},
      {"too far", "publish", &subcommands, std::nullopt},
      {"exact name is no suggestion", "build", &subcommands, std::nullopt},
      {"long option", "--sidcar", &options, "--sidecar"},
      {"underscore for dash", "--base_json", &options, "--base-json"},
      {"dropped prefix", "--strict", &options, "--no-strict"},
      {"nothing close", "--verbose", &options, std::nullopt},
      {"cut short", "--hel", &options, "--help"},
      {"tie goes to the first", "abcx", &twins, "abcd"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(closest_name(c.typed, *c.candidates), c.want);
  }
}

TEST(ClosestName, HugeArgumentIsCheap) {
  // A long typed argument is rejected on its length before any table is filled.
  const std::string typed(10'000'000, 'b');
  EXPECT_EQ(closest_name(typed, {"build"}), std::nullopt);
}

}  // namespace
}  // namespace lorvane::cli
