#include "render/file_io.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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

Result<std::string> read_binary_file(const std::string& path) {
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return Error(os_error_text(errno));
  struct stat info {};
  std::size_t capacity = 1 << 16;
  if (::fstat(fd.get(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0)
    capacity = static_cast<std::size_t>(info.st_size) + 1;
  // Read to the end rather than trusting the size: files can change or report 0.
  std::string bytes(capacity, '\0');
  std::size_t length = 0;
  for (;;) {
    if (length == bytes.size()) bytes.resize(bytes.size() * 2);
    const ssize_t got = ::read(fd.get(), bytes.data() + length, bytes.size() - length);
    if (got < 0) {
      if (errno == EINTR) continue;
      return Error(os_error_text(errno));
    }
    if (got == 0) break;
    length += static_cast<std::size_t>(got);
  }
  bytes.resize(length);
  return bytes;
}

Result<std::string> read_text_file(const std::string& path) {
  Result<std::string> bytes = read_binary_file(path);
  if (!bytes) return bytes;
  if (!text::is_valid_utf8(*bytes)) return Error("stream did not contain valid UTF-8");
  return bytes;
}

}  // namespace lorvane::render
