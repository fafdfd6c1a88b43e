#include "cli/colour.hpp"

#include <gtest/gtest.h>

namespace lorvane::cli {
namespace {

TEST(UseColour, DecisionTable) {
  using V = std::optional<std::string>;
  const V unset;
  struct Case {
    const char* name;
    ColourEnv env;
    bool terminal;
    bool want;
  };
  const Case cases[] = {
      {"nothing set, terminal", {}, true, false},
      {"nothing set, no terminal", {}, false, false},
      {"TERM on a terminal", {unset, unset, unset, V("xterm"), unset}, true, true},
      {"TERM off a terminal", {unset, unset, unset, V("xterm"), unset}, false, false},
      {"dumb TERM", {unset, unset, unset, V("dumb"), unset}, true, false},
      {"dumb TERM with CLICOLOR", {unset, unset, V("1"), V("dumb"), unset}, true, true},
      {"dumb TERM with CI", {unset, unset, unset, V("dumb"), V("")}, true, true},
      {"CI alone on a terminal", {unset, unset, unset, unset, V("true")}, true, true},
      {"CLICOLOR=0 beats TERM", {unset, unset, V("0"), V("xterm"), unset}, true, false},
      {"CLICOLOR_FORCE off a terminal", {unset, V("1"), unset, unset, unset}, false, true},
      {"CLICOLOR_FORCE beats CLICOLOR=0", {unset, V("1"), V("0"), unset, unset}, false, true},
      {"CLICOLOR_FORCE=0 is not forcing", {unset, V("0"), unset, unset, unset}, false, false},
      {"CLICOLOR_FORCE=0 leaves TERM", {unset, V("0"), unset, V("xterm"), unset}, true, true},
      {"NO_COLOR beats CLICOLOR_FORCE", {V("1"), V("1"), unset, V("xterm"), unset}, true, false},
      {"empty NO_COLOR is ignored", {V(""), unset, unset, V("xterm"), unset}, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(use_colour(c.env, c.terminal), c.want);
  }
}

}  // namespace
}  // namespace lorvane::cli
