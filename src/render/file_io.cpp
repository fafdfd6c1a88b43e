#include "render/file_io.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "parser/text.hpp"

namespace lorvane::render {
namespace {}  // namespace

void reserve_large_buffer(std::string& buffer, std::size_t capacity) {
  buffer.reserve(capacity);
  constexpr std::size_t kWorthIt = std::size_t{8} << 20;
  if (buffer.capacity() < kWorthIt) return;
  constexpr std::uintptr_t kHugePage = std::uintptr_t{1} << 21;
  const auto begin = reinterpret_cast<std::uintptr_t>(buffer.data());
  const std::uintptr_t from = (begin + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t to = (begin + buffer.capacity()) & ~(kHugePage - 1);
  if (to > from) (void)::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

namespace {

/// Opens `path` for reading with `flags` added. The system reads a path up to its first
/// NUL byte, so "a.css\0b" would open "a.css": such a path names no file (paths come from
/// settings text, where U+0000 is valid).
Result<FileDescriptor> open_path(const std::string& path, int flags) {
  if (path.find('\0') != std::string::npos) return Error(os_error_text(EINVAL));
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | flags));
  if (fd.get() < 0) return Error(os_error_text(errno));
  return fd;
}

/// Reads `fd` to its end. Files can change or report size 0, so the size at opening
/// (`expected`) only sizes the buffer. A device or a pipe may never end, so the read gives
/// up once more than `max_growth` bytes beyond `expected` have arrived.
Result<std::string> read_all(int fd, std::size_t expected, std::size_t max_growth) {
  const auto saturating_add = [](std::size_t a, std::size_t b) {
    return a > SIZE_MAX - b ? SIZE_MAX : a + b;
  };
  const std::size_t limit = saturating_add(expected, max_growth);
  // One byte more than expected is room to see the end.
  const std::size_t buffer_cap = saturating_add(limit, 1);
  std::string bytes;
  reserve_large_buffer(bytes,
                       std::min(expected > 0 ? expected + 1 : std::size_t{1} << 16, buffer_cap));
  bytes.resize(bytes.capacity());
  std::size_t length = 0;
  for (;;) {
    if (length == bytes.size()) {
      if (length > limit) return Error(os_error_text(EFBIG));
      const std::size_t doubled = std::max(saturating_add(length, length), std::size_t{1} << 16);
      bytes.resize(std::min(doubled, buffer_cap));
    }
    const ssize_t got = ::read(fd, bytes.data() + length, bytes.size() - length);
    if (got < 0) {
      if (errno == EINTR) continue;
      return Error(os_error_text(errno));
    }
    if (got == 0) break;
    length += static_cast<std::size_t>(got);
  }
  if (length > limit) return Error(os_error_text(EFBIG));
  bytes.resize(length);
  return bytes;
}

}  // namespace

Result<std::string> read_binary_file(const std::string& path) {
  return read_binary_file(path, kMaxGrowthBytes);
}

Result<std::string> read_binary_file(const std::string& path, std::size_t max_growth) {
  Result<FileDescriptor> fd = open_path(path, 0);
  if (!fd) return fd.error();
  struct stat info {};
  std::size_t expected = 0;
  if (::fstat(fd->get(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0)
    expected = static_cast<std::size_t>(info.st_size);
  return read_all(fd->get(), expected, max_growth);
}

Result<OptionalFile> OptionalFile::open(const std::string& path) {
  // Without O_NONBLOCK, opening a named pipe would wait for a writer; the descriptor is
  // checked after opening, so a file swapped for a pipe after a check cannot block either.
  Result<FileDescriptor> fd = open_path(path, O_NONBLOCK);
  if (!fd) return fd.error();
  struct stat info {};
  if (::fstat(fd->get(), &info) != 0) return Error(os_error_text(errno));
  if (!S_ISREG(info.st_mode)) return Error(os_error_text(S_ISDIR(info.st_mode) ? EISDIR : EINVAL));
  return OptionalFile(std::move(*fd), info);
}

OptionalFile::OptionalFile(FileDescriptor fd, const struct stat& info)
    : fd_(std::move(fd)),
      size_(info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0),
      device_(info.st_dev),
      inode_(info.st_ino) {}

Result<std::string> OptionalFile::read() const {
  return read_all(fd_.get(), size_, kMaxGrowthBytes);
}

namespace {

Result<std::string> valid_utf8(Result<std::string> bytes) {
  if (bytes && !text::is_valid_utf8(*bytes)) return Error("stream did not contain valid UTF-8");
  return bytes;
}

}  // namespace

Result<std::string> read_text_file(const std::string& path) {
  return valid_utf8(read_binary_file(path));
}

Result<std::string> read_optional_text_file(const std::string& path) {
  Result<OptionalFile> file = OptionalFile::open(path);
  if (!file) return file.error();
  return valid_utf8(file->read());
}

}  // namespace lorvane::render
