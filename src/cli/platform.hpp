#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "parser/error.hpp"

// The file-system and working-directory operations of the front end. Paths are byte
// strings as the operating system takes them. Every failure carries the OS error text
// ("{} (os error {})") as its message; callers wrap it in their own context.
namespace lorvane::cli {

/// Whether `path` exists, following symbolic links; a path that cannot be examined
/// counts as absent.
bool path_exists(const std::string& path);

/// Whether `path` is a directory, following symbolic links; failures count as "no".
bool is_directory(const std::string& path);

/// The absolute form of `path` without "." and "..", every symbolic link resolved.
/// Fails for a missing path.
Result<std::string> canonicalize(const std::string& path);

/// The process working directory.
Result<std::string> current_directory();

/// Makes `path` the process working directory.
Status change_directory(const std::string& path);

/// Writes `bytes` as the whole file, created or truncated (mode 0666 before the umask).
Status write_file(const std::string& path, std::string_view bytes);

/// Writes a whole file piece by piece, for outputs too large to hold as one text: `open`
/// creates or truncates it (mode 0666 before the umask), `write` appends, and `close`
/// reports the first failure of any write. Closed on destruction if still open.
class FileWriter {
 public:
  FileWriter() = default;
  FileWriter(const FileWriter&) = delete;
  FileWriter& operator=(const FileWriter&) = delete;
  ~FileWriter();

  Status open(const std::string& path);
  void write(std::string_view bytes);
  Status close();

 private:
  int fd_ = -1;
  int first_errno_ = 0;
};

/// Creates `path` and every missing parent (mode 0777 before the umask); an existing
/// directory is no error.
Status create_directories(const std::string& path);

/// Whether the directory holds at least one entry besides "." and "..", reading only
/// its first entries. An entry that cannot be read counts as an entry. Fails when the
/// directory cannot be opened.
Result<bool> directory_has_entry(const std::string& path);

/// The last component of `path` ("c" for "/a/b/c" and "/a/b/c/"), or nullopt when it has
/// none (the root "/", or an empty path).
std::optional<std::string> last_component(const std::string& path);

/// The parent of `path` ("/a/b" for "/a/b/c", "/" for "/a"), or nullopt when it has none
/// ("/" or a single relative component).
std::optional<std::string> parent_path(const std::string& path);

/// `dir` + "/" + `name` (no doubled "/" after a `dir` that ends with one).
std::string join_path(const std::string& dir, std::string_view name);

}  // namespace lorvane::cli
