#include "render/file_io.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace lorvane::render {
namespace {

class FileIoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("lorvane-file-io-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string write(const std::string& name, const std::string& bytes) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  std::filesystem::path dir_;
};

TEST_F(FileIoTest, ReadsWholeFileExactly) {
  const std::string bytes = "\xEF\xBB\xBFline\r\nnext\n";
  auto text = read_text_file(write("a.txt", bytes));
  ASSERT_TRUE(text.ok());
  EXPECT_EQ(*text, bytes);
  auto empty = read_text_file(write("empty.txt", ""));
  ASSERT_TRUE(empty.ok());
  EXPECT_EQ(*empty, "");
}

TEST_F(FileIoTest, LargeFile) {
  std::string bytes(300000, 'x');
  auto text = read_binary_file(write("big", bytes));
  ASSERT_TRUE(text.ok());
  EXPECT_EQ(text->size(), bytes.size());
}

TEST_F(FileIoTest, Failures) {
  auto missing = read_text_file((dir_ / "missing").string());
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().message(), "No such file or directory (os error 2)");
  auto directory = read_text_file(dir_.string());
  ASSERT_FALSE(directory.ok());
  EXPECT_EQ(directory.error().message(), "Is a directory (os error 21)");
  EXPECT_FALSE(read_text_file("").ok());
  auto invalid = read_text_file(write("bad", "a\xFF"));
  ASSERT_FALSE(invalid.ok());
  EXPECT_EQ(invalid.error().message(), "stream did not contain valid UTF-8");
  auto binary = read_binary_file(write("bin", "a\xFF"));
  ASSERT_TRUE(binary.ok());
  EXPECT_EQ(*binary, "a\xFF");
  // A NUL byte inside a path would cut it short where the system reads it.
  const std::string real = write("real.css", "x");
  for (const std::string& cut :
       {real + std::string(1, '\0') + "more", real + std::string(1, '\0')}) {
    EXPECT_FALSE(read_binary_file(cut).ok());
    EXPECT_FALSE(read_text_file(cut).ok());
    EXPECT_FALSE(read_optional_text_file(cut).ok());
    EXPECT_FALSE(OptionalFile::open(cut).ok());
  }
}

TEST_F(FileIoTest, EndlessSourcesAreBounded) {
  // A device never ends; the read gives up instead of taking all memory.
  auto zero = read_binary_file("/dev/zero", 100'000);
  ASSERT_FALSE(zero.ok());
  EXPECT_EQ(zero.error().message(), "File too large (os error 27)");
  auto empty = read_binary_file("/dev/null", 0);
  ASSERT_TRUE(empty.ok());
  EXPECT_EQ(*empty, "");

  // A regular file is read whole however small the allowance beyond its size.
  const std::string bytes(300'000, 'y');
  auto file = read_binary_file(write("exact", bytes), 0);
  ASSERT_TRUE(file.ok());
  EXPECT_EQ(*file, bytes);

  // A pipe has no size: what it delivers counts against the allowance.
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const std::string piped(5'000, 'p');
  ASSERT_EQ(::write(fds[1], piped.data(), piped.size()), static_cast<ssize_t>(piped.size()));
  ::close(fds[1]);
  const std::string path = "/dev/fd/" + std::to_string(fds[0]);
  auto through = read_binary_file(path, 5'000);
  ::close(fds[0]);
  ASSERT_TRUE(through.ok());
  EXPECT_EQ(*through, piped);

  ASSERT_EQ(::pipe(fds), 0);
  ASSERT_EQ(::write(fds[1], piped.data(), piped.size()), static_cast<ssize_t>(piped.size()));
  ::close(fds[1]);
  auto over = read_binary_file("/dev/fd/" + std::to_string(fds[0]), 4'999);
  ::close(fds[0]);
  EXPECT_FALSE(over.ok());
}

TEST_F(FileIoTest, OptionalInputsOpenOnlyRegularFiles) {
  const std::string css = write("a.css", "body{}");
  Result<OptionalFile> file = OptionalFile::open(css);
  ASSERT_TRUE(file.ok());
  EXPECT_EQ(file->size(), 6u);
  EXPECT_EQ(*file->read(), "body{}");
  // Two paths of one file are told apart by device and inode, not by name.
  const std::string link = (dir_ / "link.css").string();
  ASSERT_EQ(::symlink(css.c_str(), link.c_str()), 0);
  Result<OptionalFile> linked = OptionalFile::open(link);
  ASSERT_TRUE(linked.ok());
  EXPECT_EQ(linked->device(), file->device());
  EXPECT_EQ(linked->inode(), file->inode());

  // A named pipe with no writer would block a plain open; it is refused at once (this
  // test would hang otherwise), as are directories and devices.
  const std::string fifo = (dir_ / "pipe.css").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {fifo, dir_.string(), std::string("/dev/zero")}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(OptionalFile::open(path).ok());
    EXPECT_FALSE(read_optional_text_file(path).ok());
  }
  EXPECT_EQ(OptionalFile::open(dir_.string()).error().message(), "Is a directory (os error 21)");
}

}  // namespace
}  // namespace lorvane::render
