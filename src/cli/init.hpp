#pragma once

#include <string>

#include "cli/embedded.hpp"
#include "parser/error.hpp"

namespace lorvane::cli {

/// Runs `init`: writes the embedded sample project below `path` (as typed). Without
/// `force`, an existing non-empty directory is refused.
Status run_init(const std::string& path, bool force);

/// Writes the entries of `dir` below `target`, creating `target` and its missing parents
/// first. Without `force` a file that already exists is an error; with it, the tree's own
/// files are rewritten whole. Files that are not part of the tree are never touched. The
/// first failure ends the walk and what was written before it stays.
Status write_embedded_dir(const EmbeddedDir& dir, const std::string& target, bool force);

}  // namespace lorvane::cli
