// Reads arbitrary argument lists: the bytes split at NUL into arguments, the first byte
// choosing the colours. Every list must end in a `Cli` or a `CliExit`, never a crash or
// an exception.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/command_line.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  lorvane::cli::StreamColours colours;
  colours.out = (data[0] & 1) != 0;
  colours.err = (data[0] & 2) != 0;
  std::vector<std::string> args;
  std::string current;
  for (std::size_t i = 1; i < size; ++i) {
    if (data[i] == 0) {
      args.push_back(current);
      current.clear();
    } else {
      current += static_cast<char>(data[i]);
    }
  }
  if (size > 1) args.push_back(current);
  const auto reading = lorvane::cli::read_command_line(args, colours);
  (void)reading;
  return 0;
}
