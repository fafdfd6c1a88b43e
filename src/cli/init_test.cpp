#include "cli/init.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <yaml.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "render/templates.hpp"

namespace lorvane::cli {
namespace {

namespace fs = std::filesystem;

// --- The stored tree ---------------------------------------------------------------------

struct FlatEntry {
  std::string path;
  bool is_dir;
  const EmbeddedFile* file;  // null for a directory
};

/// Every entry of `root` in writing order: depth first, each directory before its contents.
std::vector<FlatEntry> flatten(const EmbeddedDir& root) {
  struct Frame {
    const EmbeddedDir* dir;
    std::size_t next;
  };
  std::vector<FlatEntry> out;
  std::vector<Frame> stack{{&root, 0}};
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next == top.dir->entries.size()) {
      stack.pop_back();
      continue;
    }
    const EmbeddedEntry& entry = top.dir->entries[top.next++];
    if (const auto* file = std::get_if<const EmbeddedFile*>(&entry)) {
      out.push_back({std::string((*file)->path), false, *file});
    } else {
      const EmbeddedDir* dir = std::get<const EmbeddedDir*>(entry);
      out.push_back({std::string(dir->path), true, nullptr});
      stack.push_back({dir, 0});
    }
  }
  return out;
}

std::string_view sample_file(std::string_view path) {
  for (const FlatEntry& entry : flatten(kSampleProject)) {
    if (!entry.is_dir && entry.path == path) return entry.file->contents;
  }
  ADD_FAILURE() << "no stored file " << path;
  return {};
}

std::size_t count_lines(std::string_view text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(SampleTree, PathsOrderSizesAndLines) {
  // bytes and lines 0 for directories; lines 0 where the count is not fixed (the SVGs).
  struct Row {
    const char* path;
    bool is_dir;
    std::size_t bytes;
    std::size_t lines;
  };
  const Row want[] = {
      {"SIDECAR", true, 0, 0},
      {"SIDECAR/assets", true, 0, 0},
      {"SIDECAR/assets/example-table.csv", false, 153, 6},
      {"SIDECAR/assets/imgs", true, 0, 0},
      {"SIDECAR/assets/imgs/header.svg", false, 0, 0},  // about 1,100: checked below
      {"SIDECAR/assets/imgs/sidecar-demo.svg", false, 1248, 0},
      {"SIDECAR/css", true, 0, 0},
      {"SIDECAR/css/blocks.css", false, 2858, 151},
      {"SIDECAR/css/header.css", false, 673, 34},
      {"SIDECAR/css/layout.css", false, 1618, 88},
      {"SIDECAR/css/reset.css", false, 167, 4},
      {"SIDECAR/css/variables.css", false, 409, 19},
      {"SIDECAR/sidecar.yaml", false, 2848, 111},
      {"SIDECAR/templates", true, 0, 0},
      {"SIDECAR/templates/admonition.html", false, 164, 4},
      {"SIDECAR/templates/base.html", false, 372, 22},
      {"SIDECAR/templates/code_block.html", false, 136, 4},
      {"SIDECAR/templates/figure.html", false, 118, 4},
      {"SIDECAR/templates/header.html", false, 373, 10},
      {"SIDECAR/templates/layout.html", false, 314, 14},
      {"SIDECAR/templates/list.html", false, 55, 3},
      {"SIDECAR/templates/paragraph.html", false, 36, 1},
      {"SIDECAR/templates/section.html", false, 266, 9},
      {"SIDECAR/templates/table.html", false, 97, 6},
      {"input.lrv", false, 2081, 58},
  };
  EXPECT_EQ(kSampleProject.path, "");
  const std::vector<FlatEntry> got = flatten(kSampleProject);
  ASSERT_EQ(got.size(), std::size(want));
  for (std::size_t i = 0; i < got.size(); ++i) {
    SCOPED_TRACE(want[i].path);
    EXPECT_EQ(got[i].path, want[i].path);
    ASSERT_EQ(got[i].is_dir, want[i].is_dir);
    if (want[i].is_dir) continue;
    if (want[i].bytes != 0) {
      EXPECT_EQ(got[i].file->contents.size(), want[i].bytes);
    }
    if (want[i].lines != 0) {
      EXPECT_EQ(count_lines(got[i].file->contents), want[i].lines);
    }
  }
  const std::size_t logo = sample_file("SIDECAR/assets/imgs/header.svg").size();
  EXPECT_GE(logo, 1000u);
  EXPECT_LE(logo, 1200u);
}

TEST(SampleTree, EveryFileIsPlainAsciiWithLineFeeds) {
  for (const FlatEntry& entry : flatten(kSampleProject)) {
    if (entry.is_dir) continue;
    SCOPED_TRACE(entry.path);
    const std::string_view text = entry.file->contents;
    ASSERT_FALSE(text.empty());
    for (std::size_t i = 0; i < text.size(); ++i) {
      const auto c = static_cast<unsigned char>(text[i]);
      ASSERT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << "byte " << int{c} << " at " << i;
      if (c == '\n' && i > 0) {
        ASSERT_NE(text[i - 1], ' ') << "trailing space before " << i;
      }
    }
    // Only the header logo ends without a line feed, right after its closing tag.
    if (entry.path == "SIDECAR/assets/imgs/header.svg") {
      EXPECT_TRUE(text.ends_with("</svg>"));
    } else {
      EXPECT_TRUE(text.ends_with("\n"));
      EXPECT_FALSE(text.ends_with(" \n"));
    }
  }
}

TEST(SampleTree, TemplatesAreTheBuiltinTextsPlusALineFeed) {
  struct Case {
    const char* path;
    std::string_view builtin;
  };
  const Case cases[] = {
      {"SIDECAR/templates/admonition.html", render::kBuiltinAdmonition},
      {"SIDECAR/templates/code_block.html", render::kBuiltinCodeBlock},
      {"SIDECAR/templates/figure.html", render::kBuiltinFigure},
      {"SIDECAR/templates/header.html", render::kBuiltinHeader},
      {"SIDECAR/templates/list.html", render::kBuiltinList},
      {"SIDECAR/templates/paragraph.html", render::kBuiltinParagraph},
      {"SIDECAR/templates/section.html", render::kBuiltinSection},
      {"SIDECAR/templates/table.html", render::kBuiltinTable},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(sample_file(c.path), std::string(c.builtin) + "\n");
  }

  // The layout differs only in the class of its outer element.
  std::string layout(render::kBuiltinLayout);
  const std::string_view shell = "class=\"lrv-shell\"";
  ASSERT_TRUE(layout.starts_with("<div " + std::string(shell)));
  layout.replace(5, shell.size(), "class=\"lrv-shell lrv-after-cover\"");
  EXPECT_EQ(sample_file("SIDECAR/templates/layout.html"), layout + "\n");

  EXPECT_EQ(sample_file("SIDECAR/templates/base.html"),
            "<!doctype html>\n"
            "<html lang=\"en\">\n"
            "<head>\n"
            "  <meta charset=\"utf-8\"/>\n"
            "  <meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/>\n"
            "  <title>{TITLE}</title>\n"
            "\n"
            "  {CSS_RESET}\n"
            "  {CSS_VARIABLES}\n"
            "  {CSS_LAYOUT}\n"
            "  {CSS_BLOCKS}\n"
            "  {CSS_HEADER}\n"
            "  {CSS_COVER}\n"
            "</head>\n"
            "<body>\n"
            "  {COVER}\n"
            "  <div class=\"lrv-after-cover\">\n"
            "    {HEADER}\n"
            "    {BODY}\n"
            "  </div>\n"
            "  {SCRIPTS}\n"
            "</body></html>\n");
}

TEST(SampleTree, ShortFilesInFull) {
  EXPECT_EQ(sample_file("SIDECAR/assets/example-table.csv"),
            "Capability,Example\n"
            "Admonition,after_paragraph\n"
            "Figure,after_paragraph\n"
            "Code block,after_paragraph\n"
            "Table,after_paragraph\n"
            "Reclassify,start_block + end_block\n");
  EXPECT_EQ(sample_file("SIDECAR/css/reset.css"),
            "/* Minimal reset (safe for HTML + print) */\n"
            "* { box-sizing: border-box; }\n"
            "html, body { margin: 0; padding: 0; }\n"
            "img { max-width: 100%; height: auto; display: block; }\n");
}

TEST(SampleTree, SpotChecksOfTheLongerFiles) {
  struct Case {
    const char* path;
    std::vector<std::string_view> fragments;  // each must occur, in this order
  };
  const Case cases[] = {
      {"input.lrv",
       {"SIDECAR Capability Demonstration\n"
        "A Lorvane sample focused on injection and rendering composition.\n",
        "\n Author: Jorun Aldane\n Version: v2026.04.19\n Language: en\n Status: draft\n"
        " Comments: Demo project for SIDECAR capability.\n\n1. Purpose\n\n",
        "\n1.2 Supported Selector Families\n", "\n2.3 Reclassification Example\n", "\n3. Notes\n\n",
        "richer structure can be added around it.\n"}},
      {"SIDECAR/sidecar.yaml",
       {"metadata:\n  project: \"SIDECAR Capability Demonstration\"\n",
        "\nrender:\n  templates:\n    base: \"SIDECAR/templates/base.html\"\n",
        "    cover: \"SIDECAR/templates/cover.html\"\n",
        "    logo: \"SIDECAR/assets/imgs/header.svg\"\n",
        "    right: \"{metadata.version}\"\n\n  outline:\n",
        "\nreclassify:\n  - id: \"reclassify-range-as-note\"\n",
        "    src: \"SIDECAR/assets/imgs/sidecar-demo.svg\"\n",
        "    content: |\n      injections:\n        - id: example\n",
        "      section: \"2.2\"\n      after_paragraph: 2\n"}},
      {"SIDECAR/css/variables.css",
       {":root{\n", "  --outline-width: 310px;\n", "  --gap: 18px;\n}\n"}},
      {"SIDECAR/css/layout.css",
       {"html {\n  scroll-behavior: smooth;\n}\n", "\n.lrv-outline-nav a.active{\n",
        "  padding: 22px 22px 30px 22px;\n}\n"}},
      {"SIDECAR/css/blocks.css",
       {"/* Blocks: section/paragraph/list/figure/code/table/admonition */\n\n",
        "\n.lrv-section.lvl-5 .lrv-section-title,\n.lrv-section.lvl-6 .lrv-section-title {\n",
        ".lrv-admonition-info{ border-left-color: #2d6cdf; }\n"}},
      {"SIDECAR/css/header.css",
       {"/* Header: simple sticky ribbon (optional) */\n", "  backdrop-filter: blur(6px);\n",
        ".lrv-header-right{ text-align: right; }\n"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const std::string_view text = sample_file(c.path);
    EXPECT_TRUE(text.starts_with(c.fragments.front()));
    EXPECT_TRUE(text.ends_with(c.fragments.back()));
    std::size_t from = 0;
    for (std::string_view fragment : c.fragments) {
      const std::size_t at = text.find(fragment, from);
      ASSERT_NE(at, std::string_view::npos) << fragment;
      from = at + fragment.size();
    }
  }
}

TEST(SampleTree, CsvDataLinesEqualTheTableInjection) {
  const std::string_view yaml = sample_file("SIDECAR/sidecar.yaml");
  const std::string_view marker = "    data_source: |\n";
  std::size_t at = yaml.find(marker);
  ASSERT_NE(at, std::string_view::npos);
  at += marker.size();
  std::string data;
  const std::string_view indent = "      ";
  while (yaml.substr(at).starts_with(indent)) {
    const std::size_t end = yaml.find('\n', at);
    data.append(yaml.substr(at + indent.size(), end + 1 - at - indent.size()));
    at = end + 1;
  }
  EXPECT_EQ(sample_file("SIDECAR/assets/example-table.csv"), "Capability,Example\n" + data);
}

TEST(SampleTree, Images) {
  const std::string_view logo = sample_file("SIDECAR/assets/imgs/header.svg");
  EXPECT_TRUE(
      logo.starts_with("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1400\" "
                       "height=\"320\" viewBox=\"0 0 1400 320\""));
  EXPECT_NE(logo.find("stroke=\"#151515\" stroke-width=\"12\""), std::string_view::npos);
  EXPECT_NE(logo.find("font-size=\"112\" font-weight=\"700\""), std::string_view::npos);
  EXPECT_NE(logo.find(">LORVANE</text>"), std::string_view::npos);

  const std::string_view demo = sample_file("SIDECAR/assets/imgs/sidecar-demo.svg");
  EXPECT_TRUE(
      demo.starts_with("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"960\" "
                       "height=\"540\" viewBox=\"0 0 960 540\""));
  for (std::string_view label :
       {">SIDECAR demo asset</text>", ">Figure</text>", ">Code</text>", ">Table</text>"}) {
    EXPECT_NE(demo.find(label), std::string_view::npos) << label;
  }
  EXPECT_TRUE(demo.ends_with("</svg>\n"));
}

TEST(SampleTree, SidecarFileIsOneWellFormedYamlDocument) {
  const std::string_view text = sample_file("SIDECAR/sidecar.yaml");
  yaml_parser_t parser;
  ASSERT_EQ(yaml_parser_initialize(&parser), 1);
  yaml_parser_set_input_string(&parser, reinterpret_cast<const unsigned char*>(text.data()),
                               text.size());
  int documents = 0;
  bool done = false;
  while (!done) {
    yaml_event_t event;
    if (yaml_parser_parse(&parser, &event) != 1) {
      ADD_FAILURE() << "YAML error: " << (parser.problem ? parser.problem : "?") << " at line "
                    << parser.problem_mark.line + 1;
      break;
    }
    if (event.type == YAML_DOCUMENT_START_EVENT) ++documents;
    done = event.type == YAML_STREAM_END_EVENT;
    yaml_event_delete(&event);
  }
  yaml_parser_delete(&parser);
  EXPECT_EQ(documents, 1);
}

// --- Writing the tree --------------------------------------------------------------------

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void write(const fs::path& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

/// Every regular file below `root`, by relative path, with its bytes.
std::map<std::string, std::string> files_below(const fs::path& root) {
  std::map<std::string, std::string> out;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    if (it->is_regular_file()) out[fs::relative(it->path(), root).string()] = read_file(*it);
  }
  return out;
}

std::map<std::string, std::string> sample_files() {
  std::map<std::string, std::string> out;
  for (const FlatEntry& entry : flatten(kSampleProject)) {
    if (!entry.is_dir) out[entry.path] = std::string(entry.file->contents);
  }
  return out;
}

class InitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "lorvane-init-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    // Undo any mode a test took away, so the tree can be removed.
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto it = fs::recursive_directory_iterator(dir_, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
      if (it->is_directory() && !it->is_symlink())
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(dir_, ec);
  }
  std::string path(const std::string& rel) const { return (dir_ / rel).string(); }

  static void expect_error(const Status& status, const std::string& message,
                           const std::vector<std::string>& causes) {
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().message(), message);
    EXPECT_EQ(status.error().causes(), causes);
  }

  fs::path dir_;
};

TEST_F(InitTest, CreatesANewNestedTargetWithTheWholeTree) {
  const std::string target = path("a/b/c");
  ASSERT_TRUE(run_init(target, false).ok());
  EXPECT_EQ(files_below(target), sample_files());
}

TEST_F(InitTest, FillsAnEmptyDirectory) {
  for (bool force : {false, true}) {
    SCOPED_TRACE(force);
    const std::string target = path(force ? "forced" : "plain");
    fs::create_directory(target);
    ASSERT_TRUE(run_init(target, force).ok());
    EXPECT_EQ(files_below(target), sample_files());
  }
}

TEST_F(InitTest, RefusesANonEmptyDirectoryWithoutForce) {
  struct Case {
    const char* name;
    void (*prepare)(const fs::path& target);
  };
  const Case cases[] = {
      {"hidden file", [](const fs::path& t) { write(t / ".keep", "x"); }},
      {"sample file", [](const fs::path& t) { write(t / "input.lrv", "mine"); }},
      {"empty subdirectory", [](const fs::path& t) { fs::create_directory(t / "sub"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path target = dir_ / c.name;
    fs::create_directory(target);
    c.prepare(target);
    const std::map<std::string, std::string> before = files_below(target);
    expect_error(run_init(target.string(), false),
                 "target directory already exists and is not empty: " + target.string() +
                     " (use --force to overwrite)",
                 {});
    EXPECT_EQ(files_below(target), before);
    EXPECT_FALSE(fs::exists(target / "SIDECAR"));
  }
}

TEST_F(InitTest, ForceRewritesTheSampleFilesAndKeepsTheOthers) {
  const std::string target = path("proj");
  ASSERT_TRUE(run_init(target, false).ok());
  write(path("proj/input.lrv"), "an older text\n");
  write(path("proj/SIDECAR/css/blocks.css"), "");
  write(path("proj/SIDECAR/templates/base.html"),
        std::string(10000, 'x'));  // longer than the stored file: must be truncated
  write(path("proj/notes.txt"), "mine\n");
  write(path("proj/SIDECAR/css/extra.css"), "body{}\n");

  ASSERT_TRUE(run_init(target, true).ok());
  std::map<std::string, std::string> want = sample_files();
  want["notes.txt"] = "mine\n";
  want["SIDECAR/css/extra.css"] = "body{}\n";
  EXPECT_EQ(files_below(target), want);
}

TEST_F(InitTest, ForceStopsAtADirectoryWhereASampleFileBelongs) {
  // Typed with a "." component, which the messages keep as typed.
  const std::string target = path("proj") + "/./";
  fs::create_directories(path("proj/SIDECAR/css/blocks.css"));
  expect_error(run_init(target, true), "failed to write file: " + target + "SIDECAR/css/blocks.css",
               {"Is a directory (os error 21)"});
  // The entries before it in writing order are there, those after it are not.
  const std::map<std::string, std::string> got = files_below(path("proj"));
  const std::map<std::string, std::string> all = sample_files();
  std::map<std::string, std::string> want;
  for (const char* name : {"SIDECAR/assets/example-table.csv", "SIDECAR/assets/imgs/header.svg",
                           "SIDECAR/assets/imgs/sidecar-demo.svg"}) {
    want[name] = all.at(name);
  }
  EXPECT_EQ(got, want);
}

TEST_F(InitTest, ForceStopsAtAFileWhereASampleDirectoryBelongs) {
  fs::create_directory(path("proj"));
  write(path("proj/SIDECAR"), "not a directory");
  expect_error(run_init(path("proj"), true), "failed to create directory: " + path("proj/SIDECAR"),
               {"File exists (os error 17)"});
  EXPECT_EQ(read_file(path("proj/SIDECAR")), "not a directory");
}

TEST_F(InitTest, RefusesATargetThatIsNotADirectory) {
  write(path("notes.txt"), "mine\n");
  for (bool force : {false, true}) {
    SCOPED_TRACE(force);
    expect_error(run_init(path("notes.txt"), force),
                 "target exists but is not a directory: " + path("notes.txt"), {});
  }
  EXPECT_EQ(read_file(path("notes.txt")), "mine\n");
}

TEST_F(InitTest, CannotCreateTheTarget) {
  write(path("file"), "x");
  expect_error(run_init(path("file/proj"), false),
               "failed to create directory: " + path("file/proj"),
               {"Not a directory (os error 20)"});
  // A dangling symbolic link does not pass the existence test, and is not written through.
  fs::create_symlink(path("nowhere"), path("link"));
  expect_error(run_init(path("link"), false), "failed to create directory: " + path("link"),
               {"File exists (os error 17)"});
  EXPECT_FALSE(fs::exists(path("nowhere")));
}

TEST_F(InitTest, ShowsAPathThatIsNotUtf8WithReplacementCharacters) {
  write(path("bad\xFF"), "");
  expect_error(run_init(path("bad\xFF"), false),
               "target exists but is not a directory: " + path("bad\xEF\xBF\xBD"), {});
}

TEST_F(InitTest, UnlistableTargetFailsAlsoWithForce) {
  if (::geteuid() == 0) GTEST_SKIP() << "root lists every directory";
  fs::create_directory(path("locked"));
  ASSERT_EQ(::chmod(path("locked").c_str(), 0300), 0);
  for (bool force : {false, true}) {
    SCOPED_TRACE(force);
    expect_error(run_init(path("locked"), force),
                 "failed to read target directory: " + path("locked"),
                 {"Permission denied (os error 13)"});
  }
}

TEST_F(InitTest, WriterRefusesAnExistingFileWithoutForce) {
  // What run_init's emptiness check rules out can still appear in between: the writer
  // checks each file itself. "input.lrv" comes last, so the rest is written first.
  fs::create_directory(path("proj"));
  write(path("proj/input.lrv"), "mine\n");
  expect_error(write_embedded_dir(kSampleProject, path("proj"), false),
               "file already exists: " + path("proj/input.lrv"), {});
  std::map<std::string, std::string> want = sample_files();
  want["input.lrv"] = "mine\n";
  EXPECT_EQ(files_below(path("proj")), want);
}

TEST_F(InitTest, WriterHandlesAnyTree) {
  // Empty files and directories, and a directory nested below an empty one.
  const EmbeddedFile empty{"x/empty", ""};
  const EmbeddedFile zeros{"x/y/zeros", std::string_view("\0\0", 2)};
  const EmbeddedDir nothing{"x/none", {}};
  const EmbeddedEntry y_entries[] = {&zeros};
  const EmbeddedDir y{"x/y", y_entries};
  const EmbeddedEntry x_entries[] = {&empty, &nothing, &y};
  const EmbeddedDir x{"x", x_entries};
  const EmbeddedEntry root_entries[] = {&x};
  const EmbeddedDir root{"", root_entries};

  ASSERT_TRUE(write_embedded_dir(root, path("out"), false).ok());
  EXPECT_TRUE(fs::is_directory(path("out/x/none")));
  const std::map<std::string, std::string> want{{"x/empty", ""},
                                                {"x/y/zeros", std::string("\0\0", 2)}};
  EXPECT_EQ(files_below(path("out")), want);
}

}  // namespace
}  // namespace lorvane::cli
