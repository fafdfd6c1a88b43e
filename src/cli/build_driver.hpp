#pragma once

#include <optional>
#include <string>

#include "parser/error.hpp"

namespace lorvane::cli {

/// The values of the `build` subcommand, exactly as typed.
struct BuildArgs {
  std::string input;
  std::optional<std::string> sidecar;
  std::optional<std::string> o;
  std::optional<std::string> base_json;
  std::optional<std::string> final_json;
  bool no_strict = false;
};

/// Runs `build`: resolves the plan (file mode or project mode) and runs the pipeline.
Status run_build(const BuildArgs& args);

}  // namespace lorvane::cli
