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
namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

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

Result<std::string> read_binary_file(const std::string& path) {
  return read_binary_file(path, kMaxGrowthBytes);
}

Result<std::string> read_binary_file(const std::string& path, std::size_t max_growth) {
  // The system reads a path up to its first NUL byte, so "a.css\0b" would open "a.css".
  // Such a path names no file; paths come from settings text, where U+0000 is valid.
  if (path.find('\0') != std::string::npos) return Error(os_error_text(EINVAL));
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return Error(os_error_text(errno));
  struct stat info {};
  std::size_t expected = 0;
  if (::fstat(fd.get(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0)
    expected = static_cast<std::size_t>(info.st_size);
  // Read to the end rather than trusting the size: files can change or report 0. A
  // device or a pipe may never end, so give up once more than `max_growth` bytes beyond
  // the size at opening have arrived. One byte more than expected is room to see the end.
  const auto saturating_add = [](std::size_t a, std::size_t b) {
    return a > SIZE_MAX - b ? SIZE_MAX : a + b;
  };
  const std::size_t limit = saturating_add(expected, max_growth);
  const std::size_t buffer_cap = saturating_add(limit, 1);
  std::string bytes;
  reserve_large_buffer(bytes, std::min(expected > 0 ? expected + 1 : std::size_t{1} << 16, buffer_cap));
  bytes.resize(bytes.capacity());
  std::size_t length = 0;
  for (;;) {
    if (length == bytes.size()) {
      if (length > limit) return Error(os_error_text(EFBIG));
      const std::size_t doubled = std::max(saturating_add(length, length), std::size_t{1} << 16);
      bytes.resize(std::min(doubled, buffer_cap));
    }
    const ssize_t got = ::read(fd.get(), bytes.data() + length, bytes.size() - length);
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

namespace {

Result<std::string> valid_utf8(Result<std::string> bytes) {
  if (bytes && !text::is_valid_utf8(*bytes)) return Error("stream did not contain valid UTF-8");
  return bytes;
}

}  // namespace

Result<std::string> read_text_file(const std::string& path) {
  return valid_utf8(read_binary_file(path));
}

Result<std::string> read_optional_binary_file(const std::string& path) {
  // Checked before opening: opening a named pipe blocks until a writer comes.
  if (path.find('\0') != std::string::npos) return Error(os_error_text(EINVAL));
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return Error(os_error_text(errno));
  if (!S_ISREG(info.st_mode)) return Error(os_error_text(S_ISDIR(info.st_mode) ? EISDIR : EINVAL));
  return read_binary_file(path);
}

Result<std::string> read_optional_text_file(const std::string& path) {
  return valid_utf8(read_optional_binary_file(path));
}

}  // namespace lorvane::render
