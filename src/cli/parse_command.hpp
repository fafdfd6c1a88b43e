#pragma once

#include <string>

#include "parser/document.hpp"
#include "parser/error.hpp"

namespace lorvane::cli {

/// Runs `parse`: reads the TEXT file `input`, parses it and writes the JSON form of its
/// BASE document to `output`, both paths used exactly as typed. Fails with "failed to
/// read input file: {input}" over the read failure, the parser's own error unchanged, or
/// "failed to write output file: {output}" over the write failure. Nothing is written
/// unless the parse succeeds.
Status run_parse(const std::string& input, const std::string& output);

/// Writes the JSON form of `document` as the whole file `path` (created or truncated),
/// streaming it rather than holding the whole text. The failure is the OS error alone.
Status write_document_json_file(const std::string& path, const parser::Document& document);

/// Takes a document that the run no longer needs and keeps it, reachable, until the
/// process ends (or the next call): each subcommand is the last thing a run does, and the
/// operating system takes the memory back at exit far faster than a walk over millions of
/// nodes frees it.
void keep_until_exit(parser::Document&& document);

}  // namespace lorvane::cli
