#include "cli/outputs.hpp"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "parser/json.hpp"
#include "parser/text_parser.hpp"

namespace lorvane::cli {
namespace {

namespace fs = std::filesystem;

// A source whose JSON text is several of the writer's pieces long: many sections, each
// with a paragraph.
std::string many_sections_source(int sections) {
  std::string source = "Title\n\n Author: a\n Version: v2026.04.19\n";
  for (int i = 1; i <= sections; ++i) {
    source += "\n" + std::to_string(i) + ". Section " + std::to_string(i) + "\n\n";
    source += "Text of section " + std::to_string(i) + ".\n";
  }
  return source;
}

parser::Document parse(const std::string& source) {
  Result<parser::Document> parsed = parser::parse_text_document(source);
  EXPECT_TRUE(parsed.ok());
  return parsed ? std::move(parsed).value() : parser::Document{};
}

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class OutputsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "lorvane-outputs-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  fs::path dir_;
};

TEST_F(OutputsTest, JsonFileHoldsTheWholeJsonTextAndReplacesALongerFile) {
  struct Case {
    const char* name;
    int sections;
  };
  const Case cases[] = {{"one piece", 1}, {"many pieces", 20'000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const parser::Document document = parse(many_sections_source(c.sections));
    const std::string want = parser::document_to_json(document);
    const fs::path path = dir_ / "out.json";
    std::ofstream(path, std::ios::binary) << std::string(want.size() + 100, 'x');
    ASSERT_TRUE(write_document_json_file(path.string(), document).ok());
    EXPECT_EQ(read_file(path), want);
  }
}

TEST_F(OutputsTest, JsonFileFailureIsTheSystemErrorAlone) {
  const parser::Document document = parse(many_sections_source(1));
  struct Case {
    std::string path;
    std::string message;
  };
  const Case cases[] = {
      {(dir_ / "missing" / "out.json").string(), "No such file or directory (os error 2)"},
      {dir_.string(), "Is a directory (os error 21)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    Status written = write_document_json_file(c.path, document);
    ASSERT_FALSE(written.ok());
    EXPECT_EQ(written.error().message(), c.message);
    EXPECT_TRUE(written.error().causes().empty());
  }
}

}  // namespace
}  // namespace lorvane::cli
