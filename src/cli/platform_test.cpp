#include "cli/platform.hpp"

#include <gtest/gtest.h>

namespace lorvane::cli {
namespace {

TEST(PathParts, LastComponent) {
  EXPECT_EQ(last_component("/a/b/c"), "c");
  EXPECT_EQ(last_component("/a/b/c/"), "c");
  EXPECT_EQ(last_component("c"), "c");
  EXPECT_EQ(last_component("/"), std::nullopt);
  EXPECT_EQ(last_component(""), std::nullopt);
}

TEST(PathParts, Parent) {
  EXPECT_EQ(parent_path("/a/b/c"), "/a/b");
  EXPECT_EQ(parent_path("/a"), "/");
  EXPECT_EQ(parent_path("/"), std::nullopt);
  EXPECT_EQ(parent_path("a"), std::nullopt);
  EXPECT_EQ(parent_path("a/b"), "a");
}

TEST(PathParts, Join) {
  EXPECT_EQ(join_path("/a", "b"), "/a/b");
  EXPECT_EQ(join_path("/", "b"), "/b");
  EXPECT_EQ(join_path("x/", "b"), "x/b");
}

}  // namespace
}  // namespace lorvane::cli
