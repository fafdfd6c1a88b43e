#pragma once

#include <string>

#include "parser/error.hpp"

namespace lorvane::cli {

/// Runs `parse`: reads the TEXT file `input`, parses it and writes the JSON form of its
/// BASE document to `output`, both paths used exactly as typed. Fails with "failed to
/// read input file: {input}" over the read failure, the parser's own error unchanged, or
/// "failed to write output file: {output}" over the write failure. Nothing is written
/// unless the parse succeeds.
Status run_parse(const std::string& input, const std::string& output);

}  // namespace lorvane::cli
