#include "cli/command_line.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>

#include "cli/suggest.hpp"
#include "parser/text.hpp"

namespace lorvane::cli {
namespace {

constexpr char kRootAbout[] = "Lorvane command line interface";
constexpr char kParseAbout[] = "Parse TEXT input into BASE AST JSON";
constexpr char kBuildAbout[] = "Build HTML from TEXT input, optionally via SIDECAR injection";
constexpr char kBuildLongAbout[] =
    "Build HTML from TEXT input, optionally via SIDECAR injection\n"
    "\n"
    "Two usage styles: 1) File mode: lorvane-cli build input.lrv --sidecar "
    "SIDECAR/sidecar.yaml -o out.html\n"
    "\n"
    "2) Project directory mode: lorvane-cli build ./MyProject\n"
    "\n"
    "In project mode the CLI expects: input.lrv SIDECAR/sidecar.yaml (optional)\n"
    "\n"
    "And writes: <project_name>.base_ast.json <project_name>.final_ast.json "
    "<project_name>.html";
constexpr char kInitAbout[] = "Create a new sample Lorvane project from embedded assets";
constexpr char kHelpAbout[] = "Print this message or the help of the given subcommand";

constexpr char kHelpCommand[] = "help";
constexpr char kHelpTopic[] = "SUBCOMMAND";

constexpr std::string_view kHeadingStyle = "\x1b[1;4m";
constexpr std::string_view kErrorStyle = "\x1b[1;31m";
constexpr std::string_view kResetStyle = "\x1b[0m";

// CLI11 reads "--force=" as "--force" and lets "--force=true" through, since that value
// is what the flag gives anyway; but a flag takes no value. So each argument of the form
// "--NAME=..." of a flag gets this byte appended before parsing, a byte that no argument
// holds once all are known to be valid UTF-8. Wherever CLI11 reads such an argument as
// the flag, the value is then one it refuses as an override; wherever else the argument
// lands (the value of an option, a positional after "--", an unexpected argument), the
// byte is taken off again by `unmarked`.
constexpr char kFlagValueMark = '\xff';

// "--NAME=" for every long name of a flag of `root` and of its subcommands.
std::vector<std::string> flag_value_prefixes(const CLI::App& root) {
  std::vector<std::string> prefixes;
  std::vector<const CLI::App*> apps{&root};
  for (const CLI::App* sub : root.get_subcommands({})) apps.push_back(sub);
  for (const CLI::App* app : apps) {
    for (const CLI::Option* option : app->get_options()) {
      if (option->get_items_expected_max() != 0) continue;
      for (const std::string& name : option->get_lnames()) prefixes.push_back("--" + name + "=");
    }
  }
  return prefixes;
}

std::vector<std::string> mark_flag_values(std::vector<std::string> args,
                                          const std::vector<std::string>& prefixes) {
  for (std::string& arg : args) {
    for (const std::string& prefix : prefixes) {
      if (arg.compare(0, prefix.size(), prefix) == 0) {
        arg += kFlagValueMark;
        break;
      }
    }
  }
  return args;
}

// `text` without the marks of `mark_flag_values`.
std::string unmarked(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), kFlagValueMark), text.end());
  return text;
}

// The long about of a subcommand, shown by --help and `help <name>`; empty when the
// subcommand has none (then the long help is the short one).
std::string_view long_about(const CLI::App& app) {
  if (app.get_parent() != nullptr && app.get_name() == "build") return kBuildLongAbout;
  return {};
}

// CLI11's layout, with the long about in place of the about for the long help.
class HelpFormatter : public CLI::Formatter {
 public:
  explicit HelpFormatter(bool long_form) : long_form_(long_form) {}

  std::string make_description(const CLI::App* app) const override {
    if (long_form_) {
      const std::string_view text = long_about(*app);
      if (!text.empty()) return std::string(text) + "\n";
    }
    return CLI::Formatter::make_description(app);
  }

 private:
  bool long_form_;
};

// "lorvane-cli" for the root, "lorvane-cli build" for a subcommand.
std::string command_path(const CLI::App& app) {
  std::vector<const CLI::App*> chain;
  for (const CLI::App* at = &app; at != nullptr; at = at->get_parent()) chain.push_back(at);
  std::string path;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!path.empty()) path += ' ';
    path += (*it)->get_name();
  }
  return path;
}

// The subcommand the arguments reached: the root or its selected subcommand.
const CLI::App& selected_app(const CLI::App& root) {
  const CLI::App* app = &root;
  for (;;) {
    const std::vector<CLI::App*> selected = app->get_subcommands();
    if (selected.empty()) return *app;
    app = selected.front();
  }
}

// Underlines the headings of a help text ("Usage:", "Options:", ...) with bold type.
std::string style_help(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 128);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    const bool has_newline = end != std::string_view::npos;
    if (!has_newline) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    constexpr std::string_view kUsage = "Usage:";
    if (line.substr(0, kUsage.size()) == kUsage) {
      out.append(kHeadingStyle).append(kUsage).append(kResetStyle);
      out.append(line.substr(kUsage.size()));
    } else if (!line.empty() && line.front() != ' ' && line.back() == ':' &&
               line.find(' ') == std::string_view::npos) {
      out.append(kHeadingStyle).append(line).append(kResetStyle);
    } else {
      out.append(line);
    }
    if (has_newline) out += '\n';
    start = end + 1;
  }
  return out;
}

std::string help_text(const CLI::App& app, bool long_form, bool colour) {
  const HelpFormatter formatter(long_form);
  std::string text = formatter.make_help(&app, command_path(app), CLI::AppFormatMode::Normal);
  return colour ? style_help(text) : text;
}

CliExit usage_error(const CLI::App& app, std::string_view message,
                    const std::optional<std::string>& suggestion, bool colour) {
  std::string err;
  if (colour) {
    err.append(kErrorStyle).append("error:").append(kResetStyle);
  } else {
    err += "error:";
  }
  err += ' ';
  err.append(unmarked(std::string(message)));
  err += '\n';
  if (suggestion) {
    err += "Did you mean '";
    err += *suggestion;
    err += "'?\n";
  }
  const HelpFormatter formatter(false);
  const std::string usage = formatter.make_usage(&app, command_path(app));
  err += colour ? style_help(usage) : usage;
  err += "Run with --help for more information.\n";
  return CliExit{2, std::string(), std::move(err)};
}

std::vector<std::string> subcommand_names(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::App* sub : app.get_subcommands({})) names.push_back(sub->get_name());
  return names;
}

std::vector<std::string> long_option_names(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::Option* option : app.get_options()) {
    for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
  }
  return names;
}

// Explains arguments that matched nothing, when there are any: an unknown subcommand
// when no subcommand was reached, else the unexpected arguments in the order typed
// (CLI11's own message lists them backwards). Looks at the root first, then at the
// selected subcommand, as CLI11 does.
std::optional<CliExit> explain_leftovers(const CLI::App& root, bool colour) {
  const CLI::App* app = &root;
  while (app != nullptr) {
    if (app->remaining_size(false) > 0) {
      std::vector<std::string> left = app->remaining(false);
      // The "--" that ends the options is kept among the leftovers but was typed on
      // purpose; only a "--" after it is an unexpected argument.
      std::size_t markers = left.size() - app->remaining_size(false);
      for (auto it = left.begin(); markers > 0 && it != left.end();) {
        if (*it == "--") {
          it = left.erase(it);
          --markers;
        } else {
          ++it;
        }
      }
      if (app == &root && root.get_subcommands().empty() && !left.front().empty() &&
          left.front().front() != '-') {
        return usage_error(root, "Unknown subcommand: " + left.front(),
                           closest_name(left.front(), subcommand_names(root)), colour);
      }
      std::string message = left.size() > 1 ? "The following arguments were not expected:"
                                            : "The following argument was not expected:";
      std::optional<std::string> suggestion;
      const std::vector<std::string> known = long_option_names(*app);
      for (const std::string& arg : left) {
        message += ' ';
        message += arg;
        if (!suggestion && arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
          // "--name=value" is misspelt in its name only.
          suggestion = closest_name(std::string_view(arg).substr(0, arg.find('=')), known);
        }
      }
      return usage_error(*app, message, suggestion, colour);
    }
    const std::vector<CLI::App*> selected = app->get_subcommands();
    app = selected.empty() ? nullptr : selected.front();
  }
  return std::nullopt;
}

// CLI11 hands what follows a subcommand's "--" back to the root once that subcommand's
// positionals are filled, and the root then acts on a "-V" or "-h" typed there although
// "--" made it a plain argument. While parsing, each subcommand holds one more positional
// that is never full and refuses every value: the "--" then stays in the subcommand, and
// whatever follows it is left over there, unexpected and in the order typed. Removed
// again on leaving the scope, before any help or usage line is laid out.
class TailKeepers {
 public:
  explicit TailKeepers(CLI::App& root) {
    for (CLI::App* sub : root.get_subcommands({})) {
      sub->validate_positionals();
      CLI::Option* keeper =
          sub->add_option("TAIL")
              ->expected(std::numeric_limits<int>::max())
              ->check(CLI::Validator([](const std::string&) { return std::string("refused"); },
                                     std::string()));
      keepers_.emplace_back(sub, keeper);
    }
  }
  ~TailKeepers() {
    for (const auto& [sub, keeper] : keepers_) sub->remove_option(keeper);
  }
  TailKeepers(const TailKeepers&) = delete;
  TailKeepers& operator=(const TailKeepers&) = delete;

 private:
  std::vector<std::pair<CLI::App*, CLI::Option*>> keepers_;
};

std::optional<std::string> value_of(const CLI::App& app, const std::string& name) {
  const CLI::Option* option = app.get_option(name);
  if (option->count() == 0 || option->results().empty()) return std::nullopt;
  return unmarked(option->results().back());
}

bool flag_of(const CLI::App& app, const std::string& name) {
  const CLI::Option* option = app.get_option(name);
  return option->count() > 0 && option->as<bool>();
}

// The run that a successfully read command line asks for.
std::variant<Cli, CliExit> command_of(const CLI::App& root, StreamColours colours) {
  const CLI::App& sub = selected_app(root);
  const std::string& name = sub.get_name();
  if (name == "parse") {
    return Cli{ParseArgs{value_of(sub, "INPUT").value_or(""), value_of(sub, "--o").value_or("")}};
  }
  if (name == "build") {
    BuildArgs args;
    args.input = value_of(sub, "INPUT").value_or("");
    args.sidecar = value_of(sub, "--sidecar");
    args.o = value_of(sub, "--o");
    args.base_json = value_of(sub, "--base-json");
    args.final_json = value_of(sub, "--final-json");
    args.no_strict = flag_of(sub, "--no-strict");
    return Cli{std::move(args)};
  }
  if (name == "init") {
    return Cli{InitArgs{value_of(sub, "PATH").value_or(""), flag_of(sub, "--force")}};
  }
  // `help [SUBCOMMAND]`: the long help of the root or of the named subcommand.
  const std::optional<std::string> topic = value_of(sub, kHelpTopic);
  if (!topic) return CliExit{0, help_text(root, true, colours.out), std::string()};
  for (const CLI::App* candidate : root.get_subcommands({})) {
    if (candidate->get_name() == *topic)
      return CliExit{0, help_text(*candidate, true, colours.out), std::string()};
  }
  return usage_error(sub, "Unknown subcommand: " + *topic,
                     closest_name(*topic, subcommand_names(root)), colours.err);
}

}  // namespace

void build_cli_command(CLI::App& root) {
  const std::string short_help = "Print a short help message and exit";
  const std::string long_help = "Print the full help message and exit";
  const std::string no_strict_help = "Disable strict SIDECAR merge checks";
  const std::string force_help = "Overwrite existing files if needed";

  root.description(kRootAbout);
  root.require_subcommand(1);
  // A flag takes no value, but CLI11 would read "--force=0" as false. With this it refuses
  // every value but "true" and the empty one (see `kFlagValueMark` for those). Copied
  // into every option made below, the help and version flags and those of the
  // subcommands included.
  root.option_defaults()->disable_flag_override();
  // Set before the subcommands are added: each subcommand inherits the two help flags.
  root.set_help_flag("-h", short_help);
  root.set_help_all_flag("--help", long_help);
  root.set_version_flag("-V,--version", std::string(kProgramName) + " " + kVersion,
                        "Print version information and exit");

  CLI::App* parse = root.add_subcommand("parse", kParseAbout);
  parse->add_option("INPUT", "Input TEXT file")->required();
  parse->add_option("-o,--o", "Output JSON file")->required()->type_name("O");

  CLI::App* build = root.add_subcommand("build", kBuildAbout);
  build->add_option("INPUT", "Input TEXT file or project directory")->required();
  build->add_option("--sidecar", "Optional SIDECAR YAML file")->type_name("SIDECAR");
  build->add_option("-o,--o", "Output HTML file")->type_name("O");
  build->add_option("--base-json", "Optional BASE AST JSON output path")->type_name("BASE_JSON");
  build->add_option("--final-json", "Optional FINAL AST JSON output path")->type_name("FINAL_JSON");
  build->add_flag("--no-strict", no_strict_help);

  CLI::App* init = root.add_subcommand("init", kInitAbout);
  init->add_option("PATH", "Target directory to create")->required();
  init->add_flag("--force", force_help);

  CLI::App* help = root.add_subcommand(kHelpCommand, kHelpAbout);
  help->add_option(kHelpTopic, "The subcommand whose help to print");

  // A subcommand makes its copies of the help flags before it takes the option defaults,
  // so those copies would let any value through.
  for (CLI::App* sub : root.get_subcommands({})) {
    for (CLI::Option* option : sub->get_options()) option->disable_flag_override();
  }
}

std::variant<Cli, CliExit> read_command_line(const std::vector<std::string>& args,
                                             StreamColours colours) {
  CLI::App root(kRootAbout, kProgramName);
  try {
    build_cli_command(root);
    // A bare call shows what the program can do, but is still no valid call.
    if (args.empty()) return CliExit{2, std::string(), help_text(root, true, colours.err)};
    for (const std::string& arg : args) {
      if (!text::is_valid_utf8(arg)) {
        return usage_error(root, "Invalid UTF-8 in argument: " + text::lossy_utf8(arg),
                           std::nullopt, colours.err);
      }
    }
    std::vector<std::string> marked = mark_flag_values(args, flag_value_prefixes(root));
    std::vector<std::string> reversed(marked.rbegin(), marked.rend());  // CLI11 pops from the back
    {
      const TailKeepers keepers(root);
      root.parse(reversed);
    }
    return command_of(root, colours);
  } catch (const CLI::CallForHelp&) {
    return CliExit{0, help_text(selected_app(root), false, colours.out), std::string()};
  } catch (const CLI::CallForAllHelp&) {
    return CliExit{0, help_text(selected_app(root), true, colours.out), std::string()};
  } catch (const CLI::CallForVersion& version) {
    return CliExit{0, std::string(version.what()) + "\n", std::string()};
  } catch (const CLI::ExtrasError& error) {
    if (std::optional<CliExit> leftovers = explain_leftovers(root, colours.err)) return *leftovers;
    return usage_error(selected_app(root), error.what(), std::nullopt, colours.err);
  } catch (const CLI::RequiredError& error) {
    // CLI11 checks requirements before leftovers; an unknown argument usually explains a
    // missing one ("--oo x" for "--o x"), so it is reported first.
    if (std::optional<CliExit> leftovers = explain_leftovers(root, colours.err)) return *leftovers;
    return usage_error(selected_app(root), error.what(), std::nullopt, colours.err);
  } catch (const CLI::Error& error) {
    return usage_error(selected_app(root), error.what(), std::nullopt, colours.err);
  }
}

}  // namespace lorvane::cli
