#pragma once

#include <string>

#include "parser/error.hpp"

namespace lorvane::cli {

/// Runs `init`: writes the embedded sample project below `path` (as typed). Without
/// `force`, an existing non-empty directory is refused.
Status run_init(const std::string& path, bool force);

}  // namespace lorvane::cli
