#pragma once

#include <string>

#include "parser/document.hpp"
#include "parser/error.hpp"

// What `parse` and `build` do with the trees they have made: write their JSON form, and
// keep them until the process ends.
namespace lorvane::cli {

/// Writes the JSON form of `document` as the whole file `path` (created or truncated),
/// streaming it rather than holding the whole text. The failure is the OS error alone.
Status write_document_json_file(const std::string& path, const parser::Document& document);

/// Takes a document that the run no longer needs and keeps it, reachable, until the
/// process ends (or the next call): each subcommand is the last thing a run does, and the
/// operating system takes the memory back at exit far faster than a walk over millions of
/// nodes frees it.
void keep_until_exit(parser::Document&& document);

}  // namespace lorvane::cli
