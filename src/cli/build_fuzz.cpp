// Builds a project from arbitrary bytes: the input up to the first NUL byte is the TEXT
// source, the rest the SIDECAR file. Each input is built in strict and in lenient mode in
// a scratch directory, and every run must keep the invariants of `build`: success or one
// error whose report starts with "Error: ", the page written exactly on success, and the
// working directory unchanged.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "cli/build_driver.hpp"
#include "cli/error_report.hpp"
#include "cli/platform.hpp"

namespace {

using namespace lorvane;

void check(bool condition) {
  if (!condition) std::abort();
}

std::string scratch_root() { return "/tmp/lorvane-build-fuzz-" + std::to_string(::getpid()); }

const std::string& project_dir() {
  static const std::string dir = [] {
    const std::string root = scratch_root();
    check(cli::create_directories(root + "/proj/SIDECAR").ok());
    std::atexit([] { std::filesystem::remove_all(scratch_root()); });
    return root + "/proj";
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t split = bytes.find('\0');
  const std::string_view text = bytes.substr(0, split);
  const std::string dir = project_dir();
  check(cli::write_file(dir + "/input.lrv", text).ok());
  const std::string sidecar = dir + "/SIDECAR/sidecar.yaml";
  if (split == std::string_view::npos) {
    ::unlink(sidecar.c_str());
  } else {
    check(cli::write_file(sidecar, bytes.substr(split + 1)).ok());
  }
  const std::string page = dir + "/proj.html";
  const std::string before = cli::current_directory().value();
  for (bool no_strict : {false, true}) {
    ::unlink(page.c_str());
    cli::BuildArgs args;
    args.input = dir;
    args.no_strict = no_strict;
    const Status built = cli::run_build(args);
    check(cli::current_directory().value() == before);
    check(built.ok() == cli::path_exists(page));
    if (!built.ok()) {
      const std::string report = cli::format_error_report(built.error());
      check(report.rfind("Error: ", 0) == 0 && report.back() == '\n');
    }
  }
  return 0;
}
