#pragma once

// Helpers for the renderer's unit tests (header only, not part of the program).

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace lorvane::render::testing {

/// The occurrences of `what` in `text`, counted left to right without overlap.
inline std::size_t count_of(std::string_view text, std::string_view what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string_view::npos;
       at = text.find(what, at + what.size()))
    ++count;
  return count;
}

/// A fresh temporary directory that is the process working directory while the object
/// lives; the previous working directory is restored and the directory removed after.
class ScopedWorkDir {
 public:
  ScopedWorkDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           (std::string("lorvane-render-") + info->test_suite_name() + "-" + info->name() + "-" +
            std::to_string(::getpid()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
  }
  ~ScopedWorkDir() {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(dir_);
  }
  ScopedWorkDir(const ScopedWorkDir&) = delete;
  ScopedWorkDir& operator=(const ScopedWorkDir&) = delete;

  /// Writes `bytes` to `relative` below the directory, creating parent directories.
  void write(const std::string& relative, const std::string& bytes) const {
    const std::filesystem::path path = dir_ / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }
  void make_dir(const std::string& relative) const {
    std::filesystem::create_directories(dir_ / relative);
  }
  /// Copies the tree below `from` into the directory.
  void copy_tree(const std::filesystem::path& from) const {
    std::filesystem::copy(from, dir_, std::filesystem::copy_options::recursive);
  }
  const std::filesystem::path& path() const { return dir_; }

 private:
  std::filesystem::path dir_;
  std::filesystem::path previous_;
};

/// The whole content of a file, or the empty text.
inline std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace lorvane::render::testing
