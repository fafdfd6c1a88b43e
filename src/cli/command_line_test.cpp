#include "cli/command_line.hpp"

#include <gtest/gtest.h>

namespace lorvane::cli {
namespace {

std::variant<Cli, CliExit> read(std::vector<std::string> args, StreamColours colours = {}) {
  return read_command_line(args, colours);
}

CliExit exit_of(std::vector<std::string> args, StreamColours colours = {}) {
  auto reading = read(std::move(args), colours);
  if (!std::holds_alternative<CliExit>(reading)) {
    ADD_FAILURE() << "the command line was accepted";
    return {};
  }
  return std::get<CliExit>(reading);
}

CliCommand command_of(std::vector<std::string> args) {
  auto reading = read(std::move(args));
  if (!std::holds_alternative<Cli>(reading)) {
    ADD_FAILURE() << "rejected: " << std::get<CliExit>(reading).err;
    return {};
  }
  return std::get<Cli>(reading).command;
}

TEST(ReadCommandLine, ParseValues) {
  for (const char* flag : {"-o", "--o"}) {
    SCOPED_TRACE(flag);
    const CliCommand command = command_of({"parse", "in.lrv", flag, "out.json"});
    ASSERT_TRUE(std::holds_alternative<ParseArgs>(command));
    EXPECT_EQ(std::get<ParseArgs>(command).input, "in.lrv");
    EXPECT_EQ(std::get<ParseArgs>(command).o, "out.json");
  }
}

TEST(ReadCommandLine, ValuesAreKeptExactlyAsTyped) {
  // No trimming and no path handling; "--" lets a value begin with a dash.
  const CliCommand command = command_of({"parse", "-o", " ./a/../b ", "--", "-in.lrv"});
  ASSERT_TRUE(std::holds_alternative<ParseArgs>(command));
  EXPECT_EQ(std::get<ParseArgs>(command).input, "-in.lrv");
  EXPECT_EQ(std::get<ParseArgs>(command).o, " ./a/../b ");
  // A "--" after everything is filled ends nothing and is no argument.
  const CliCommand trailing = command_of({"parse", "in.lrv", "-o", "out.json", "--"});
  ASSERT_TRUE(std::holds_alternative<ParseArgs>(trailing));
  EXPECT_EQ(std::get<ParseArgs>(trailing).input, "in.lrv");
}

TEST(ReadCommandLine, BuildValues) {
  const CliCommand bare = command_of({"build", "project"});
  ASSERT_TRUE(std::holds_alternative<BuildArgs>(bare));
  const BuildArgs& none = std::get<BuildArgs>(bare);
  EXPECT_EQ(none.input, "project");
  EXPECT_EQ(none.sidecar, std::nullopt);
  EXPECT_EQ(none.o, std::nullopt);
  EXPECT_EQ(none.base_json, std::nullopt);
  EXPECT_EQ(none.final_json, std::nullopt);
  EXPECT_FALSE(none.no_strict);

  const CliCommand full =
      command_of({"build", "--no-strict", "in.lrv", "--sidecar", "s.yaml", "--o", "out.html",
                  "--base-json", "b.json", "--final-json", ""});
  ASSERT_TRUE(std::holds_alternative<BuildArgs>(full));
  const BuildArgs& all = std::get<BuildArgs>(full);
  EXPECT_EQ(all.input, "in.lrv");
  EXPECT_EQ(all.sidecar, "s.yaml");
  EXPECT_EQ(all.o, "out.html");
  EXPECT_EQ(all.base_json, "b.json");
  EXPECT_EQ(all.final_json, "");  // given, though empty
  EXPECT_TRUE(all.no_strict);
}

TEST(ReadCommandLine, InitValues) {
  const CliCommand plain = command_of({"init", "demo"});
  ASSERT_TRUE(std::holds_alternative<InitArgs>(plain));
  EXPECT_EQ(std::get<InitArgs>(plain).path, "demo");
  EXPECT_FALSE(std::get<InitArgs>(plain).force);
  const CliCommand forced = command_of({"init", "--force", "demo"});
  ASSERT_TRUE(std::holds_alternative<InitArgs>(forced));
  EXPECT_TRUE(std::get<InitArgs>(forced).force);
}

TEST(ReadCommandLine, SubcommandNamesAsValues) {
  // A file may be called like a subcommand.
  const CliCommand command = command_of({"parse", "build", "-o", "help"});
  ASSERT_TRUE(std::holds_alternative<ParseArgs>(command));
  EXPECT_EQ(std::get<ParseArgs>(command).input, "build");
  EXPECT_EQ(std::get<ParseArgs>(command).o, "help");
}

TEST(ReadCommandLine, StreamsAndStatuses) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int status;
    bool on_out;  // else on err
    std::string first_line;
  };
  const Case cases[] = {
      {"no arguments", {}, 2, false, "Lorvane command line interface"},
      {"--help", {"--help"}, 0, true, "Lorvane command line interface"},
      {"-h", {"-h"}, 0, true, "Lorvane command line interface"},
      {"help", {"help"}, 0, true, "Lorvane command line interface"},
      {"--version", {"--version"}, 0, true, "lorvane-cli 2026.4.19-1030"},
      {"-V", {"-V"}, 0, true, "lorvane-cli 2026.4.19-1030"},
      {"version after a subcommand",
       {"parse", "in", "-o", "x", "--version"},
       2,
       false,
       "error: The following argument was not expected: --version"},
      {"missing -o", {"parse", "in"}, 2, false, "error: --o is required"},
      {"-o without value", {"parse", "in", "-o"}, 2, false, "error: --o: 1 required O missing"},
      {"build without input", {"build"}, 2, false, "error: INPUT is required"},
      {"init without path", {"init"}, 2, false, "error: PATH is required"},
      {"missing subcommand",
       {"--no-strict"},
       2,
       false,
       "error: The following argument was not expected: --no-strict"},
      {"unknown subcommand", {"biuld", "x"}, 2, false, "error: Unknown subcommand: biuld"},
      {"help of an unknown subcommand",
       {"help", "pasre"},
       2,
       false,
       "error: Unknown subcommand: pasre"},
      {"extras in typed order",
       {"parse", "a", "b", "-o", "x", "c", "d"},
       2,
       false,
       "error: The following arguments were not expected: b c d"},
      {"unknown option beats missing one",
       {"parse", "a", "--oo", "x"},
       2,
       false,
       "error: The following arguments were not expected: --oo x"},
      {"invalid UTF-8",
       {"parse", "a\xff", "-o", "x"},
       2,
       false,
       "error: Invalid UTF-8 in argument: a\xEF\xBF\xBD"},
      // After "--" everything is a plain argument, also once the positionals are filled.
      {"version flag after --",
       {"parse", "in", "-o", "x", "--", "-V"},
       2,
       false,
       "error: The following argument was not expected: -V"},
      {"help flag after --",
       {"build", "in", "--", "--help", "x"},
       2,
       false,
       "error: The following arguments were not expected: --help x"},
      {"help topic then --",
       {"help", "build", "--", "-h"},
       2,
       false,
       "error: The following argument was not expected: -h"},
      {"second --",
       {"parse", "in", "-o", "x", "--", "--"},
       2,
       false,
       "error: The following argument was not expected: --"},
      // A flag takes no value; CLI11 alone would read these as false.
      {"flag given false",
       {"build", "in", "--no-strict=false"},
       2,
       false,
       "error: no-strict was given a disallowed flag override"},
      {"flag given 0",
       {"init", "demo", "--force=0"},
       2,
       false,
       "error: force was given a disallowed flag override"},
      {"help flag given a value",
       {"--help=1"},
       2,
       false,
       "error: help was given a disallowed flag override"},
      {"version flag given a value",
       {"--version=1"},
       2,
       false,
       "error: version was given a disallowed flag override"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CliExit done = exit_of(c.args);
    EXPECT_EQ(done.status, c.status);
    const std::string& text = c.on_out ? done.out : done.err;
    EXPECT_TRUE((c.on_out ? done.err : done.out).empty());
    EXPECT_EQ(text.substr(0, text.find('\n')), c.first_line) << text;
  }
}

TEST(ReadCommandLine, FlagsTakeNoValue) {
  // CLI11 alone would read an empty value, "{}" or "true" like the bare flag.
  struct Case {
    std::vector<std::string> args;
    std::string first_line;
  };
  const std::string no_strict = "error: no-strict was given a disallowed flag override";
  const std::string force = "error: force was given a disallowed flag override";
  const std::string help = "error: help was given a disallowed flag override";
  const std::string version = "error: version was given a disallowed flag override";
  const Case cases[] = {
      {{"build", "in", "--no-strict="}, no_strict},
      {{"build", "in", "--no-strict=true"}, no_strict},
      {{"build", "--no-strict=true", "in", "-o", "x"}, no_strict},
      {{"init", "--force=", "demo"}, force},
      {{"init", "demo", "--force=true"}, force},
      {{"init", "demo", "--force={}"}, force},
      {{"init", "demo", "--force=yes"}, force},
      {{"--help="}, help},
      {{"--help=true"}, help},
      {{"build", "in", "--help="}, help},
      {{"build", "in", "--help=0"}, help},
      {{"init", "--help=1", "demo"}, help},
      {{"help", "--help=true"}, help},
      {{"--version="}, version},
      {{"--version=true"}, version},
      // Where no such flag is defined the argument is unexpected, shown as typed.
      {{"parse", "in", "-o", "x", "--force="},
       "error: The following argument was not expected: --force="},
      {{"parse", "in", "-o", "x", "--version=true"},
       "error: The following argument was not expected: --version=true"},
      {{"--no-strict=", "build", "in"},
       "error: The following argument was not expected: --no-strict="},
      {{"parse", "in", "-o", "x", "--", "--force=true"},
       "error: The following argument was not expected: --force=true"},
      {{"help", "--", "--force="}, "error: Unknown subcommand: --force="},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    const CliExit done = exit_of(c.args);
    EXPECT_EQ(done.status, 2);
    EXPECT_TRUE(done.out.empty());
    EXPECT_EQ(done.err.substr(0, done.err.find('\n')), c.first_line) << done.err;
  }
}

TEST(ReadCommandLine, FlagLikeValuesAreKeptAsTyped) {
  // An option's value, or a positional after "--", may look like a flag with a value.
  const CliCommand sidecar = command_of({"build", "in", "--sidecar", "--force=true"});
  ASSERT_TRUE(std::holds_alternative<BuildArgs>(sidecar));
  EXPECT_EQ(std::get<BuildArgs>(sidecar).sidecar, "--force=true");
  EXPECT_FALSE(std::get<BuildArgs>(sidecar).no_strict);
  const CliCommand output = command_of({"parse", "in", "-o", "--no-strict="});
  ASSERT_TRUE(std::holds_alternative<ParseArgs>(output));
  EXPECT_EQ(std::get<ParseArgs>(output).o, "--no-strict=");
  const CliCommand path = command_of({"init", "--force", "--", "--force="});
  ASSERT_TRUE(std::holds_alternative<InitArgs>(path));
  EXPECT_EQ(std::get<InitArgs>(path).path, "--force=");
  EXPECT_TRUE(std::get<InitArgs>(path).force);
  const CliCommand input = command_of({"build", "-o", "x", "--", "--help=1"});
  ASSERT_TRUE(std::holds_alternative<BuildArgs>(input));
  EXPECT_EQ(std::get<BuildArgs>(input).input, "--help=1");
}

TEST(ReadCommandLine, Suggestions) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string want;  // the suggestion line, or "" for none
  };
  const Case cases[] = {
      {"subcommand", {"biuld", "x"}, "Did you mean 'build'?"},
      {"help topic", {"help", "pasre"}, "Did you mean 'parse'?"},
      {"long option", {"build", "x", "--sidcar", "s"}, "Did you mean '--sidecar'?"},
      {"long option with value", {"build", "x", "--base_json=b"}, "Did you mean '--base-json'?"},
      {"root option", {"--verison"}, "Did you mean '--version'?"},
      {"nothing close", {"publish"}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CliExit done = exit_of(c.args);
    EXPECT_EQ(done.status, 2);
    const std::size_t second = done.err.find('\n') + 1;
    const std::string line = done.err.substr(second, done.err.find('\n', second) - second);
    if (c.want.empty()) {
      EXPECT_EQ(line.rfind("Did you mean", 0), std::string::npos) << done.err;
    } else {
      EXPECT_EQ(line, c.want) << done.err;
    }
  }
}

TEST(ReadCommandLine, LongAboutOnlyWithLongHelp) {
  const std::string paragraph = "2) Project directory mode: lorvane-cli build ./MyProject";
  EXPECT_EQ(exit_of({"build", "-h"}).out.find(paragraph), std::string::npos);
  EXPECT_NE(exit_of({"build", "--help"}).out.find(paragraph), std::string::npos);
  EXPECT_NE(exit_of({"help", "build"}).out.find(paragraph), std::string::npos);
  // The root's list of subcommands shows the short about.
  EXPECT_EQ(exit_of({"--help"}).out.find(paragraph), std::string::npos);
}

TEST(ReadCommandLine, ColourOnlyWhereAsked) {
  const StreamColours out_only{true, false};
  const StreamColours err_only{false, true};
  EXPECT_NE(exit_of({"--help"}, out_only).out.find("\x1b["), std::string::npos);
  EXPECT_EQ(exit_of({"--help"}, err_only).out.find("\x1b["), std::string::npos);
  EXPECT_NE(exit_of({"biuld"}, err_only).err.find("\x1b["), std::string::npos);
  EXPECT_EQ(exit_of({"biuld"}, out_only).err.find("\x1b["), std::string::npos);
  // A bare call prints its help on standard error, so that stream's choice applies.
  EXPECT_NE(exit_of({}, err_only).err.find("\x1b["), std::string::npos);
  EXPECT_EQ(exit_of({}, out_only).err.find("\x1b["), std::string::npos);
  // The version line stays plain.
  EXPECT_EQ(exit_of({"--version"}, out_only).out, "lorvane-cli 2026.4.19-1030\n");
}

}  // namespace
}  // namespace lorvane::cli
