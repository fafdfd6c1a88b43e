#include "cli/colour.hpp"

#include <cstdlib>

namespace lorvane::cli {
namespace {

std::optional<std::string> env_value(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

}  // namespace

ColourEnv read_colour_env() {
  ColourEnv env;
  env.no_color = env_value("NO_COLOR");
  env.clicolor_force = env_value("CLICOLOR_FORCE");
  env.clicolor = env_value("CLICOLOR");
  env.term = env_value("TERM");
  env.ci = env_value("CI");
  return env;
}

bool use_colour(const ColourEnv& env, bool is_terminal) {
  if (env.no_color && !env.no_color->empty()) return false;
  if (env.clicolor_force && *env.clicolor_force != "0") return true;
  if (env.clicolor && *env.clicolor == "0") return false;
  if (!is_terminal) return false;
  return (env.term && *env.term != "dumb") || env.clicolor.has_value() || env.ci.has_value();
}

}  // namespace lorvane::cli
