#pragma once

#include <optional>
#include <string>

#include "parser/document.hpp"
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

/// The resolved paths of one build. In project mode every path is absolute and all three
/// outputs are present; in file mode `input` and `sidecar` are canonical, the outputs as
/// typed.
struct BuildPlan {
  std::string input;
  std::string out;
  std::string work_dir;
  std::optional<std::string> sidecar;
  std::optional<std::string> base_json;
  std::optional<std::string> final_json;
  bool strict = true;
};

/// Decides the mode (project mode when `input` names a directory) and resolves every
/// path. Reads the file system; writes nothing.
Result<BuildPlan> resolve_build_plan(const BuildArgs& args);

/// Runs the pipeline: TEXT read and parsed, BASE JSON written, SIDECAR merged inside the
/// work directory, FINAL JSON written, page rendered inside the work directory and
/// written. Files written before a failure stay; the working directory is restored.
Status run_build_plan(const BuildPlan& plan);

/// Renders `document` with `work_dir` as the working directory, restoring the previous
/// one afterwards (a failed restore is the result, the page is dropped).
Result<std::string> render_in_work_dir(const std::string& work_dir,
                                       const parser::Document& document);

/// The parent directory of `path`, or "." when it has none.
std::string parent_or_current_dir(const std::string& path);

/// Runs `build`: resolves the plan, then runs it.
Status run_build(const BuildArgs& args);

}  // namespace lorvane::cli
