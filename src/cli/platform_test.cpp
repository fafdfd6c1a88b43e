#include "cli/platform.hpp"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace lorvane::cli {
namespace {

TEST(PathParts, LastComponent) {
  EXPECT_EQ(last_component("/a/b/c"), "c");
  EXPECT_EQ(last_component("/a/b/c/"), "c");
  EXPECT_EQ(last_component("c"), "c");
  EXPECT_EQ(last_component("/"), std::nullopt);
  EXPECT_EQ(last_component(""), std::nullopt);
}

TEST(PathParts, Parent) {
  EXPECT_EQ(parent_path("/a/b/c"), "/a/b");
  EXPECT_EQ(parent_path("/a"), "/");
  EXPECT_EQ(parent_path("/"), std::nullopt);
  EXPECT_EQ(parent_path("a"), std::nullopt);
  EXPECT_EQ(parent_path("a/b"), "a");
}

TEST(PathParts, Join) {
  EXPECT_EQ(join_path("/a", "b"), "/a/b");
  EXPECT_EQ(join_path("/", "b"), "/b");
  EXPECT_EQ(join_path("x/", "b"), "x/b");
}

namespace fs = std::filesystem;

class FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "lorvane-platform-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = fs::canonical(pattern).string();
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string path(const std::string& rel) const { return dir_ + "/" + rel; }

  std::string dir_;
};

TEST_F(FileSystemTest, ExistenceAndDirectoryTestsFollowLinksAndTreatFailuresAsNo) {
  std::ofstream(path("file")) << "x";
  fs::create_directory(path("dir"));
  fs::create_symlink("dir", path("dir-link"));
  fs::create_symlink("file", path("file-link"));
  fs::create_symlink("nowhere", path("dangling"));
  fs::create_symlink("loop", path("loop"));
  struct Case {
    const char* path;
    bool exists;
    bool is_dir;
  };
  const Case cases[] = {
      {"file", true, false},
      {"dir", true, true},
      {"dir-link", true, true},
      {"file-link", true, false},
      {"dangling", false, false},    // the link's target is what is tested
      {"loop", false, false},        // cannot be examined: counts as absent
      {"missing", false, false},
      {"file/below", false, false},  // not a directory on the way: absent as well
      {"dir/../file", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(path_exists(path(c.path)), c.exists);
    EXPECT_EQ(is_directory(path(c.path)), c.is_dir);
  }
}

TEST_F(FileSystemTest, CanonicalFormResolvesEveryLinkAndFailsForAMissingPath) {
  fs::create_directories(path("a/b"));
  fs::create_symlink("a/b", path("to-b"));
  fs::create_symlink("to-b", path("to-to-b"));
  EXPECT_EQ(canonicalize(path("to-to-b/./../b/")).value(), path("a/b"));
  EXPECT_EQ(canonicalize(path("a//b/..")).value(), path("a"));

  fs::create_symlink("nowhere", path("dangling"));
  for (const char* missing : {"missing", "dangling", "a/missing/.."}) {
    SCOPED_TRACE(missing);
    Result<std::string> resolved = canonicalize(path(missing));
    ASSERT_FALSE(resolved.ok());
    EXPECT_EQ(resolved.error().message(), "No such file or directory (os error 2)");
  }
}

TEST_F(FileSystemTest, FirstEntryOfADirectory) {
  fs::create_directories(path("empty"));
  fs::create_directories(path("hidden"));
  std::ofstream(path("hidden/.keep")) << "";
  EXPECT_EQ(directory_has_entry(path("empty")).value(), false);
  EXPECT_EQ(directory_has_entry(path("hidden")).value(), true);
  Result<bool> missing = directory_has_entry(path("missing"));
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().message(), "No such file or directory (os error 2)");
}

TEST_F(FileSystemTest, CreatedFilesAndDirectoriesTakeTheirBitsFromTheProcessMask) {
  struct Case {
    mode_t mask;
    mode_t file_mode;
    mode_t dir_mode;
  };
  const Case cases[] = {{0, 0666, 0777}, {027, 0640, 0750}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mask);
    const std::string sub = path("mask" + std::to_string(c.mask));
    const mode_t previous = ::umask(c.mask);
    const Status file = write_file(sub + ".txt", "x");
    const Status dirs = create_directories(sub + "/x/y");
    ::umask(previous);
    ASSERT_TRUE(file.ok());
    ASSERT_TRUE(dirs.ok());
    struct stat info {};
    ASSERT_EQ(::stat((sub + ".txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, c.file_mode);
    for (const std::string& d : {sub, sub + "/x", sub + "/x/y"}) {
      ASSERT_EQ(::stat(d.c_str(), &info), 0);
      EXPECT_EQ(info.st_mode & 07777, c.dir_mode) << d;
    }
  }
}

TEST_F(FileSystemTest, WriteTruncatesAndCreateAcceptsAnExistingDirectory) {
  ASSERT_TRUE(write_file(path("f"), "a longer first text").ok());
  ASSERT_TRUE(write_file(path("f"), "short").ok());
  std::ifstream in(path("f"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "short");

  ASSERT_TRUE(create_directories(path("d/e")).ok());
  EXPECT_TRUE(create_directories(path("d/e")).ok());
  EXPECT_TRUE(create_directories(path("d/e/")).ok());
  Status over_file = create_directories(path("f/g"));
  ASSERT_FALSE(over_file.ok());
  EXPECT_EQ(over_file.error().message(), "Not a directory (os error 20)");
}

}  // namespace
}  // namespace lorvane::cli
