#pragma once

#include "cli/command_line.hpp"
#include "parser/error.hpp"

namespace lorvane::cli {

/// Runs the one subcommand of `command`: the parse road, the build driver or the sample
/// project writer. Returns what that subcommand returns.
Status run_command(const CliCommand& command);

/// The program: reads the process arguments and runs the subcommand they name. Help,
/// version output and usage errors are printed here and end the process (status 0 or 2)
/// without returning; otherwise returns the subcommand's outcome for the process entry
/// to report.
Status run_cli(int argc, const char* const* argv);

}  // namespace lorvane::cli
