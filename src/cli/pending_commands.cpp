// Stand-ins until the build driver and the sample project writer are merged.
#include "cli/build_driver.hpp"
#include "cli/init.hpp"

namespace lorvane::cli {

Status run_build(const BuildArgs&) { return Error("build is not available in this build"); }

Status run_init(const std::string&, bool) {
  return Error("init is not available in this build");
}

}  // namespace lorvane::cli
