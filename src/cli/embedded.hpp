#pragma once

#include <span>
#include <string_view>
#include <variant>

// A directory tree stored in the program as fixed data: constants generated at build time
// by cmake/EmbedDir.cmake, read only and alive for the whole run. Nothing here owns memory.
namespace lorvane::cli {

/// One file of the tree: its path relative to the tree's root, components joined with
/// "/" ("SIDECAR/css/blocks.css"), and its bytes.
struct EmbeddedFile {
  std::string_view path;
  std::string_view contents;
};

struct EmbeddedDir;

/// One entry of a directory: a subdirectory or a file.
using EmbeddedEntry = std::variant<const EmbeddedDir*, const EmbeddedFile*>;

/// One directory of the tree: its path relative to the root (empty for the root itself)
/// and its entries, sorted by name in byte order, which is the order of writing.
struct EmbeddedDir {
  std::string_view path;
  std::span<const EmbeddedEntry> entries;
};

/// The sample project that `init` writes: "input.lrv" and the "SIDECAR" directory.
extern const EmbeddedDir kSampleProject;

}  // namespace lorvane::cli
