#include "cli/cli.hpp"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "cli/build_driver.hpp"
#include "cli/colour.hpp"
#include "cli/init.hpp"
#include "cli/parse_command.hpp"

namespace lorvane::cli {
namespace {

// Writes all of `text` to `stream`; a failure (a closed stream, a full disk) is ignored,
// as nothing better can be done about it.
void write_stream(std::FILE* stream, const std::string& text) {
  if (text.empty()) return;
  if (std::fwrite(text.data(), 1, text.size(), stream) != text.size()) return;
  std::fflush(stream);
}

struct Visitor {
  Status operator()(const ParseArgs& args) const { return run_parse(args.input, args.o); }
  Status operator()(const BuildArgs& args) const { return run_build(args); }
  Status operator()(const InitArgs& args) const { return run_init(args.path, args.force); }
};

}  // namespace

Status run_command(const CliCommand& command) { return std::visit(Visitor{}, command); }

Status run_cli(int argc, const char* const* argv) {
  std::optional<Cli> cli;
  int exit_status = 0;
  {
    std::vector<std::string> args;
    if (argc > 1) args.reserve(static_cast<std::size_t>(argc - 1));
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);

    const ColourEnv env = read_colour_env();
    StreamColours colours;
    colours.out = use_colour(env, ::isatty(STDOUT_FILENO) == 1);
    colours.err = use_colour(env, ::isatty(STDERR_FILENO) == 1);

    std::variant<Cli, CliExit> reading = read_command_line(args, colours);
    if (Cli* ready = std::get_if<Cli>(&reading)) {
      cli = std::move(*ready);
    } else {
      const CliExit& done = std::get<CliExit>(reading);
      write_stream(stdout, done.out);
      write_stream(stderr, done.err);
      exit_status = done.status;
    }
  }
  // Help, version and usage errors end the run here, once everything above is freed.
  if (!cli) std::exit(exit_status);
  return run_command(cli->command);
}

}  // namespace lorvane::cli
