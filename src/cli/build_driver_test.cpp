#include "cli/build_driver.hpp"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/platform.hpp"
#include "parser/text_parser.hpp"

namespace lorvane::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSource =
    "Title\n"
    "\n"
    " Author: a\n"
    " Version: v2026.04.19\n"
    "\n"
    "1. One\n"
    "\n"
    "Text.\n";

// One injection whose section does not exist: an error when strict, a warning otherwise.
constexpr const char* kMissingSection =
    "injections:\n"
    "  - type: paragraph\n"
    "    text: x\n"
    "    target: {section: \"9\"}\n";

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// Every test runs with a fresh scratch directory (canonical, as the plan's paths are) as
// the working directory, and the directory the test binary started in is made current
// again afterwards whatever the test did.
class BuildDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    start_ = fs::current_path();
    std::string pattern = (fs::temp_directory_path() / "lorvane-build-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = fs::canonical(pattern).string();
    fs::current_path(dir_);
  }
  void TearDown() override {
    fs::current_path(start_);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  std::string path(const std::string& rel) const { return dir_ + "/" + rel; }

  static void expect_error(const Status& status, const std::string& message,
                           const std::vector<std::string>& causes) {
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().message(), message);
    EXPECT_EQ(status.error().causes(), causes);
  }

  fs::path start_;
  std::string dir_;
};

// --- resolve_build_plan --------------------------------------------------------------

TEST_F(BuildDriverTest, ProjectPlanUsesTheCanonicalDirectory) {
  write(path("real/input.lrv"), kSource);
  fs::create_directory_symlink("real", path("link"));

  struct Case {
    const char* name;
    BuildArgs args;
    bool with_sidecar;
    BuildPlan want;
  };
  const std::string real = path("real");
  const Case cases[] = {
      {"defaults through a link, no SIDECAR file",
       BuildArgs{"link/", {}, {}, {}, {}, false},
       false,
       BuildPlan{real + "/input.lrv", real + "/real.html", real, std::nullopt,
                 real + "/real.base_ast.json", real + "/real.final_ast.json", true}},
      {"outputs as typed, SIDECAR file found, lenient",
       BuildArgs{"./real/../real", {}, "page.html", "b.json", "../f.json", true},
       true,
       BuildPlan{real + "/input.lrv", "page.html", real, real + "/SIDECAR/sidecar.yaml", "b.json",
                 "../f.json", false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.with_sidecar) write(path("real/SIDECAR/sidecar.yaml"), "");
    Result<BuildPlan> plan = resolve_build_plan(c.args);
    ASSERT_TRUE(plan.ok()) << plan.error().message();
    EXPECT_EQ(plan->input, c.want.input);
    EXPECT_EQ(plan->out, c.want.out);
    EXPECT_EQ(plan->work_dir, c.want.work_dir);
    EXPECT_EQ(plan->sidecar, c.want.sidecar);
    EXPECT_EQ(plan->base_json, c.want.base_json);
    EXPECT_EQ(plan->final_json, c.want.final_json);
    EXPECT_EQ(plan->strict, c.want.strict);
  }
}

TEST_F(BuildDriverTest, FileModeWorkDirectory) {
  write(path("text/in.lrv"), kSource);
  write(path("proj/SIDECAR/sidecar.yaml"), "");
  write(path("a/d/side.yaml"), "");
  fs::create_symlink("text/in.lrv", path("in-link.lrv"));
  // A path directly below "/" that surely exists: the first component of this directory.
  const fs::path scratch(dir_);
  const std::string top = "/" + std::next(scratch.begin())->string();

  struct Case {
    const char* name;
    std::string input;
    std::optional<std::string> sidecar;
    std::string want_input;
    std::optional<std::string> want_sidecar;
    std::string want_work_dir;
  };
  const Case cases[] = {
      {"no SIDECAR file: the TEXT file's directory", "text/in.lrv", std::nullopt,
       path("text/in.lrv"), std::nullopt, path("text")},
      {"through a link: the directory of its target", "in-link.lrv", std::nullopt,
       path("text/in.lrv"), std::nullopt, path("text")},
      {"SIDECAR/sidecar.yaml: the directory that holds SIDECAR/", "text/in.lrv",
       "proj/SIDECAR/../SIDECAR/sidecar.yaml", path("text/in.lrv"),
       path("proj/SIDECAR/sidecar.yaml"), path("proj")},
      {"any other file: two levels up", "text/in.lrv", "a/d/side.yaml", path("text/in.lrv"),
       path("a/d/side.yaml"), path("a")},
      {"directly below the root: the TEXT file's directory", "text/in.lrv", top,
       path("text/in.lrv"), top, path("text")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BuildArgs args;
    args.input = c.input;
    args.sidecar = c.sidecar;
    args.o = "out.html";
    args.final_json = "f.json";
    Result<BuildPlan> plan = resolve_build_plan(args);
    ASSERT_TRUE(plan.ok()) << plan.error().message();
    EXPECT_EQ(plan->input, c.want_input);
    EXPECT_EQ(plan->sidecar, c.want_sidecar);
    EXPECT_EQ(plan->work_dir, c.want_work_dir);
    EXPECT_EQ(plan->out, "out.html");
    EXPECT_EQ(plan->base_json, std::nullopt);
    EXPECT_EQ(plan->final_json, "f.json");
    EXPECT_TRUE(plan->strict);
  }
}

TEST_F(BuildDriverTest, ResolvedPathsThatAreNotUtf8AreShownWithReplacementCharacters) {
  fs::create_directories(path("d\xFF/proj"));
  fs::create_directory(path("\xFE"));
  BuildArgs args;
  args.input = path("d\xFF/proj");
  Result<BuildPlan> plan = resolve_build_plan(args);
  ASSERT_FALSE(plan.ok());
  EXPECT_EQ(plan.error().message(),
            "project mode expects input.lrv in directory: " + path("d\xEF\xBF\xBD/proj"));
  EXPECT_TRUE(plan.error().causes().empty());

  args.input = path("\xFE");
  plan = resolve_build_plan(args);
  ASSERT_FALSE(plan.ok());
  EXPECT_EQ(plan.error().message(), "invalid project directory name");
}

// --- run_build_plan ------------------------------------------------------------------

// What a run leaves behind: its outcome, the outputs it wrote, and the working directory
// (which must be the caller's again, whatever happened).
TEST_F(BuildDriverTest, WhatStaysWrittenAfterEachKindOfFailure) {
  struct Case {
    const char* name;
    std::string source;                  // the TEXT file
    std::optional<std::string> sidecar;  // the SIDECAR file, if any
    bool sidecar_is_directory;
    bool strict;
    std::string work_dir;  // relative to the scratch directory
    std::string out, base_json, final_json;
    std::string want_message;
    std::vector<std::string> want_causes;
    bool want_base, want_final, want_page;
  };
  const Case cases[] = {
      {"success without SIDECAR", kSource, std::nullopt, false, true, "w", "page.html", "b.json",
       "f.json", "", {}, true, true, true},
      {"lenient merge", kSource, kMissingSection, false, false, "w", "page.html", "b.json",
       "f.json", "", {}, true, true, true},
      {"parse failure", "Title\n", std::nullopt, false, true, "w", "page.html", "b.json", "f.json",
       "Cover validation error: missing mandatory metadata field 'Author'.", {}, false, false, false},
      {"strict merge failure", kSource, kMissingSection, false, true, "w", "page.html", "b.json",
       "f.json", "failed to apply injection #0 (paragraph)", {"target section not found: 9"},
       true, false, false},
      {"SIDECAR file not valid UTF-8", kSource, "a: \xFF\n", false, true, "w", "page.html",
       "b.json", "f.json", "failed to read SIDECAR file: " + path("s.yaml"),
       {"stream did not contain valid UTF-8"}, true, false, false},
      {"SIDECAR path is a directory", kSource, "", true, true, "w", "page.html", "b.json",
       "f.json", "failed to read SIDECAR file: " + path("s.yaml"),
       {"Is a directory (os error 21)"}, true, false, false},
      {"work directory missing", kSource, std::nullopt, false, true, "gone", "page.html",
       "b.json", "f.json", "failed to change working directory to: " + path("gone"),
       {"No such file or directory (os error 2)"}, true, false, false},
      {"BASE JSON cannot be written", kSource, std::nullopt, false, true, "w", "page.html",
       "no/b.json", "f.json", "failed to write BASE AST JSON: no/b.json",
       {"No such file or directory (os error 2)"}, false, false, false},
      {"FINAL JSON cannot be written", kSource, std::nullopt, false, true, "w", "page.html",
       "b.json", "no/f.json", "failed to write FINAL AST JSON: no/f.json",
       {"No such file or directory (os error 2)"}, true, false, false},
      {"page cannot be written", kSource, std::nullopt, false, true, "w", "no/page.html",
       "b.json", "f.json", "failed to write output HTML file: no/page.html",
       {"No such file or directory (os error 2)"}, true, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const char* name : {"in.lrv", "s.yaml", "page.html", "b.json", "f.json", "w"})
      fs::remove_all(path(name));
    fs::create_directory(path("w"));
    write(path("in.lrv"), c.source);
    if (c.sidecar_is_directory) fs::create_directory(path("s.yaml"));
    if (c.sidecar) write(path("s.yaml"), *c.sidecar);

    BuildPlan plan;
    plan.input = path("in.lrv");
    plan.out = c.out;
    plan.work_dir = path(c.work_dir);
    if (c.sidecar) plan.sidecar = path("s.yaml");
    plan.base_json = c.base_json;
    plan.final_json = c.final_json;
    plan.strict = c.strict;

    const Status built = run_build_plan(plan);
    EXPECT_EQ(fs::current_path().string(), dir_);
    if (c.want_message.empty()) {
      EXPECT_TRUE(built.ok()) << built.error().message();
    } else {
      expect_error(built, c.want_message, c.want_causes);
    }
    EXPECT_EQ(fs::exists(path("b.json")), c.want_base);
    EXPECT_EQ(fs::exists(path("f.json")), c.want_final);
    EXPECT_EQ(fs::exists(path("page.html")), c.want_page);
  }
}

TEST_F(BuildDriverTest, WithoutSidecarFinalIsTheBase) {
  write(path("in.lrv"), kSource);
  BuildPlan plan;
  plan.input = path("in.lrv");
  plan.out = "page.html";
  plan.work_dir = dir_;
  plan.base_json = "b.json";
  plan.final_json = "f.json";
  ASSERT_TRUE(run_build_plan(plan).ok());
  EXPECT_FALSE(read_file(path("b.json")).empty());
  EXPECT_EQ(read_file(path("b.json")), read_file(path("f.json")));
}

TEST_F(BuildDriverTest, LostWorkingDirectory) {
  write(path("in.lrv"), kSource);
  fs::create_directory(path("w"));
  fs::create_directory(path("gone"));
  fs::current_path(path("gone"));
  fs::remove(path("gone"));

  // "." is still a directory, but has no canonical form any more.
  BuildArgs args;
  args.input = ".";
  Result<BuildPlan> resolved = resolve_build_plan(args);
  ASSERT_FALSE(resolved.ok());
  EXPECT_EQ(resolved.error().message(), "failed to canonicalize project directory: .");
  EXPECT_EQ(resolved.error().causes(),
            std::vector<std::string>{"No such file or directory (os error 2)"});

  // A plan of absolute paths runs until the caller's directory is to be remembered: the
  // BASE JSON is written, nothing is switched.
  BuildPlan plan;
  plan.input = path("in.lrv");
  plan.out = path("page.html");
  plan.work_dir = path("w");
  plan.base_json = path("b.json");
  plan.final_json = path("f.json");
  expect_error(run_build_plan(plan), "failed to get current working directory",
               {"No such file or directory (os error 2)"});
  EXPECT_TRUE(fs::exists(path("b.json")));
  EXPECT_FALSE(fs::exists(path("f.json")));
  EXPECT_FALSE(fs::exists(path("page.html")));
}

// --- render_in_work_dir, parent_or_current_dir ----------------------------------------

TEST_F(BuildDriverTest, RendersInsideTheWorkDirectoryAndComesBack) {
  write(path("w/SIDECAR/templates/paragraph.html"), "<p class=\"mine\">{TEXT}</p>");
  Result<parser::Document> document = parser::parse_text_document(kSource);
  ASSERT_TRUE(document.ok());

  Result<std::string> page = render_in_work_dir(path("w"), *document);
  ASSERT_TRUE(page.ok());
  EXPECT_NE(page->find("<p class=\"mine\">Text.</p>"), std::string::npos);
  EXPECT_EQ(fs::current_path().string(), dir_);

  page = render_in_work_dir(path("gone"), *document);
  ASSERT_FALSE(page.ok());
  EXPECT_EQ(page.error().message(), "failed to change working directory to: " + path("gone"));
  EXPECT_EQ(fs::current_path().string(), dir_);
}

TEST(ParentOrCurrentDir, Table) {
  struct Case {
    const char* path;
    const char* want;
  };
  const Case cases[] = {
      {"/a/b/in.lrv", "/a/b"}, {"/in.lrv", "/"}, {"/", "."}, {"in.lrv", "."}, {"a/in.lrv", "a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(parent_or_current_dir(c.path), c.want);
  }
}

}  // namespace
}  // namespace lorvane::cli
