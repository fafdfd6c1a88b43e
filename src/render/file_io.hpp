#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <string>
#include <utility>

#include "parser/error.hpp"

// Whole-file readers. The renderer reads its optional inputs (settings, templates, CSS,
// images) through them and falls back silently on failure; the command-line front end
// reads the TEXT and SIDECAR files through them and reports the failure as a cause.
namespace lorvane::render {

/// The whole file as bytes. Fails, with the OS error text ("{} (os error {})") as the
/// message, when the path is empty or missing, cannot be opened or read, or is a
/// directory.
Result<std::string> read_binary_file(const std::string& path);

/// How much a file may deliver beyond its size at opening before a read gives up with
/// "File too large (os error 27)": bounds the memory that a device such as /dev/zero or
/// an endless pipe can take.
inline constexpr std::size_t kMaxGrowthBytes = std::size_t{1} << 30;

/// `read_binary_file` with another bound than `kMaxGrowthBytes`.
Result<std::string> read_binary_file(const std::string& path, std::size_t max_growth);

/// The whole file as UTF-8 text, exactly as stored (a byte-order mark stays). Fails like
/// `read_binary_file`, and with "stream did not contain valid UTF-8" for invalid UTF-8.
Result<std::string> read_text_file(const std::string& path);

/// Reserves at least `capacity` bytes in `buffer` and, for a large buffer, asks the kernel
/// to back it with huge pages where it is set up to do so on request: filling 100 MB then
/// takes a few dozen page faults instead of tens of thousands, which would cost more than
/// the work that fills it. Elsewhere the advice does nothing.
void reserve_large_buffer(std::string& buffer, std::size_t capacity);

/// Owns an open file descriptor; -1 holds none.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  FileDescriptor& operator=(FileDescriptor&&) = delete;
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

/// One of the renderer's optional inputs (settings, templates, CSS, images), open for
/// reading. Only a regular file opens, so a named pipe or a device never blocks or floods a
/// render; the renderer falls back when `open` fails.
class OptionalFile {
 public:
  /// Fails with the OS error text when `path` cannot be opened, and with that of EISDIR
  /// for a directory or EINVAL for anything else that is not a regular file.
  static Result<OptionalFile> open(const std::string& path);

  /// The size when it was opened.
  std::size_t size() const { return size_; }
  /// The device and inode: the same for two paths of one file.
  dev_t device() const { return device_; }
  ino_t inode() const { return inode_; }
  /// The whole file, read like `read_binary_file`.
  Result<std::string> read() const;

 private:
  OptionalFile(FileDescriptor fd, const struct stat& info);
  FileDescriptor fd_;
  std::size_t size_;
  dev_t device_;
  ino_t inode_;
};

/// `read_text_file` for the renderer's optional inputs: through `OptionalFile`.
Result<std::string> read_optional_text_file(const std::string& path);

}  // namespace lorvane::render
