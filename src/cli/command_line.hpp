#pragma once

#include <string>
#include <variant>
#include <vector>

#include "cli/build_driver.hpp"

namespace CLI {
class App;
}  // namespace CLI

// The command-line definition and its reading. CLI11 does the matching, the help layout
// and the usage errors; this layer adds what the program needs on top of it (the `help`
// subcommand, short and long help, suggestions, colours, exit statuses, typed order of
// unexpected arguments). Only command_line.cpp includes CLI11 and catches its exceptions.
namespace lorvane::cli {

inline constexpr char kProgramName[] = "lorvane-cli";
inline constexpr char kVersion[] = "2026.4.19-1030";

/// The values of the `parse` subcommand, exactly as typed.
struct ParseArgs {
  std::string input;
  std::string o;
};

/// The values of the `init` subcommand, exactly as typed.
struct InitArgs {
  std::string path;
  bool force = false;
};

/// The one subcommand of a run with its values.
using CliCommand = std::variant<ParseArgs, BuildArgs, InitArgs>;

/// The command line as read.
struct Cli {
  CliCommand command;
};

/// Adds the whole definition (root settings, `parse`, `build`, `init`, `help`, the help
/// and version flags) to `root`, a command named "lorvane-cli".
void build_cli_command(CLI::App& root);

/// The end of a run decided by the command line itself: help or version output (status
/// 0) or a usage error (status 2), with the text for each stream.
struct CliExit {
  int status = 0;
  std::string out;  ///< for standard output
  std::string err;  ///< for standard error
};

/// Whether the text for each stream is coloured.
struct StreamColours {
  bool out = false;
  bool err = false;
};

/// Reads `args` (the process arguments after the program name) against the definition:
/// a `Cli` to run, or the `CliExit` that ends the run. Pure: prints nothing.
std::variant<Cli, CliExit> read_command_line(const std::vector<std::string>& args,
                                             StreamColours colours);

}  // namespace lorvane::cli
