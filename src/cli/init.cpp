#include "cli/init.hpp"

#include <string_view>
#include <vector>

#include "cli/error_report.hpp"
#include "cli/platform.hpp"

namespace lorvane::cli {
namespace {

/// The name under which an entry is written: the last component of its stored path.
std::string_view entry_name(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

Status create_directory_at(const std::string& path) {
  Status made = create_directories(path);
  if (!made)
    return Error::wrap(with_path("failed to create directory: ", path), std::move(made).error());
  return {};
}

}  // namespace

Status write_embedded_dir(const EmbeddedDir& dir, const std::string& target, bool force) {
  // Depth first, each directory created before its contents are written. The stack holds
  // one frame per open directory: the directory, where it is written and the next entry.
  struct Frame {
    const EmbeddedDir* dir;
    std::string target;
    std::size_t next;
  };
  if (Status made = create_directory_at(target); !made) return made;
  std::vector<Frame> stack;
  stack.push_back(Frame{&dir, target, 0});
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next == top.dir->entries.size()) {
      stack.pop_back();
      continue;
    }
    const EmbeddedEntry& entry = top.dir->entries[top.next++];
    if (const auto* file = std::get_if<const EmbeddedFile*>(&entry)) {
      const std::string child = join_path(top.target, entry_name((*file)->path));
      if (!force && path_exists(child)) return Error(with_path("file already exists: ", child));
      if (Status written = write_file(child, (*file)->contents); !written)
        return Error::wrap(with_path("failed to write file: ", child), std::move(written).error());
    } else {
      const EmbeddedDir* sub = std::get<const EmbeddedDir*>(entry);
      std::string child = join_path(top.target, entry_name(sub->path));
      if (Status made = create_directory_at(child); !made) return made;
      stack.push_back(Frame{sub, std::move(child), 0});  // `top` is not used after this
    }
  }
  return {};
}

Status run_init(const std::string& path, bool force) {
  if (!path_exists(path)) {
    if (Status made = create_directory_at(path); !made) return made;
  } else if (!is_directory(path)) {
    return Error(with_path("target exists but is not a directory: ", path));
  } else {
    // The directory is listed also under `force`, so an unreadable target fails either way.
    Result<bool> has_entry = directory_has_entry(path);
    if (!has_entry)
      return Error::wrap(with_path("failed to read target directory: ", path),
                         std::move(has_entry).error());
    if (*has_entry && !force) {
      std::string message = with_path("target directory already exists and is not empty: ", path);
      message.append(" (use --force to overwrite)");
      return Error(std::move(message));
    }
  }
  return write_embedded_dir(kSampleProject, path, force);
}

}  // namespace lorvane::cli
