#pragma once

#include <optional>
#include <string>

// Whether help and usage errors are written with terminal colours. The error report of a
// failed subcommand never is.
namespace lorvane::cli {

/// The environment variables that decide on colour; nullopt where a variable is unset.
struct ColourEnv {
  std::optional<std::string> no_color;        // NO_COLOR
  std::optional<std::string> clicolor_force;  // CLICOLOR_FORCE
  std::optional<std::string> clicolor;        // CLICOLOR
  std::optional<std::string> term;            // TERM
  std::optional<std::string> ci;              // CI
};

/// The colour variables of this process.
ColourEnv read_colour_env();

/// Whether to colour output for a stream that is (`is_terminal`) or is not a terminal.
/// The first rule that applies decides: NO_COLOR non-empty -> no; CLICOLOR_FORCE set and
/// not "0" -> yes, even off a terminal; CLICOLOR "0" -> no; a terminal with TERM set and
/// not "dumb", or CLICOLOR set (and so not "0"), or CI set -> yes; otherwise no.
bool use_colour(const ColourEnv& env, bool is_terminal);

}  // namespace lorvane::cli
