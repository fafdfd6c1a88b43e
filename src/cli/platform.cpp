#include "cli/platform.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>

namespace lorvane::cli {

bool path_exists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

bool is_directory(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

Result<std::string> canonicalize(const std::string& path) {
  std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                       &std::free);
  if (!resolved) return Error(os_error_text(errno));
  return std::string(resolved.get());
}

Result<std::string> current_directory() {
  std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
  if (!cwd) return Error(os_error_text(errno));
  return std::string(cwd.get());
}

Status change_directory(const std::string& path) {
  if (::chdir(path.c_str()) != 0) return Error(os_error_text(errno));
  return {};
}

FileWriter::~FileWriter() {
  if (fd_ >= 0) ::close(fd_);
}

Status FileWriter::open(const std::string& path) {
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) return Error(os_error_text(errno));
  first_errno_ = 0;
  return {};
}

void FileWriter::write(std::string_view bytes) {
  // One write call per megabyte: a single call of hundreds of megabytes is several times
  // slower on Linux than the same bytes in pieces.
  constexpr std::size_t kPieceBytes = std::size_t{1} << 20;
  std::size_t written = 0;
  while (first_errno_ == 0 && written < bytes.size()) {
    const std::size_t piece = std::min(kPieceBytes, bytes.size() - written);
    const ssize_t n = ::write(fd_, bytes.data() + written, piece);
    if (n < 0) {
      if (errno != EINTR) first_errno_ = errno;
      continue;
    }
    written += static_cast<std::size_t>(n);
  }
}

Status FileWriter::close() {
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && first_errno_ == 0) first_errno_ = errno;
  if (first_errno_ != 0) return Error(os_error_text(first_errno_));
  return {};
}

Status write_file(const std::string& path, std::string_view bytes) {
  FileWriter file;
  if (Status opened = file.open(path); !opened) return opened;
  file.write(bytes);
  return file.close();
}

Status create_directories(const std::string& path) {
  // Try the whole path first and create missing parents only on ENOENT, so a failure
  // reports the errno of the component that is really in the way.
  if (::mkdir(path.c_str(), 0777) == 0) return {};
  const int err = errno;
  if (err == EEXIST && is_directory(path)) return {};
  if (err != ENOENT) return Error(os_error_text(err));
  const std::optional<std::string> parent = parent_path(path);
  if (!parent) return Error(os_error_text(err));
  if (Status made = create_directories(*parent); !made) return made;
  if (::mkdir(path.c_str(), 0777) == 0) return {};
  const int again = errno;
  if (again == EEXIST && is_directory(path)) return {};
  return Error(os_error_text(again));
}

Result<bool> directory_has_entry(const std::string& path) {
  struct CloseDir {
    void operator()(DIR* dir) const { ::closedir(dir); }
  };
  std::unique_ptr<DIR, CloseDir> dir(::opendir(path.c_str()));
  if (!dir) return Error(os_error_text(errno));
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir.get());
    if (!entry) return errno != 0;  // a failed read counts as an entry
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") return true;
  }
}

std::optional<std::string> last_component(const std::string& path) {
  std::size_t end = path.size();
  while (end > 0 && path[end - 1] == '/') --end;
  if (end == 0) return std::nullopt;
  const std::size_t start = path.rfind('/', end - 1);
  const std::string name = path.substr(start == std::string::npos ? 0 : start + 1,
                                       end - (start == std::string::npos ? 0 : start + 1));
  if (name == "." || name == "..") return std::nullopt;
  return name;
}

std::optional<std::string> parent_path(const std::string& path) {
  std::size_t end = path.size();
  while (end > 1 && path[end - 1] == '/') --end;
  const std::size_t slash = path.rfind('/', end - 1);
  if (slash == std::string::npos || end <= 1) return std::nullopt;  // "name" or "/"
  if (slash == 0) return std::string("/");
  std::size_t parent_end = slash;
  while (parent_end > 1 && path[parent_end - 1] == '/') --parent_end;
  return path.substr(0, parent_end);
}

std::string join_path(const std::string& dir, std::string_view name) {
  std::string joined = dir;
  if (joined.empty() || joined.back() != '/') joined += '/';
  joined += name;
  return joined;
}

}  // namespace lorvane::cli
