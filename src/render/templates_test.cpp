#include "render/templates.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "render/fill.hpp"
#include "render/test_util.hpp"
#include "render/testing/reference.hpp"

namespace lorvane::render {
namespace {

using reference::Placeholder;

/// The renderer's fill, checked against the literal reference on the way.
std::string fill(std::string_view text, const std::vector<Placeholder>& pairs) {
  FillRope rope;
  rope.reset(text);
  for (const auto& [placeholder, value] : pairs) rope.replace(placeholder, value);
  std::string filled = rope.text();
  EXPECT_EQ(filled, *reference::fill_template(text, pairs));
  return filled;
}

using testing::count_of;

TEST(BuiltinTemplatesTest, SizesLinesAndPlaceholders) {
  struct Builtin {
    const char* name;
    std::string_view text;
    std::size_t bytes;
    std::size_t lines;
    std::vector<std::pair<std::string_view, std::size_t>> placeholders;
  };
  const Builtin builtins[] = {
      {"base",
       kBuiltinBase,
       305,
       18,
       {{"{TITLE}", 1},
        {"{CSS_RESET}", 1},
        {"{CSS_VARIABLES}", 1},
        {"{CSS_LAYOUT}", 1},
        {"{CSS_BLOCKS}", 1},
        {"{CSS_HEADER}", 1},
        {"{CSS_COVER}", 1},
        {"{HEADER}", 1},
        {"{BODY}", 1},
        {"{COVER}", 0},
        {"{SCRIPTS}", 0}}},
      {"layout",
       kBuiltinLayout,
       297,
       14,
       {{"{OUTLINE_TITLE}", 1}, {"{OUTLINE}", 1}, {"{CONTENT}", 1}, {"{BODY}", 0}}},
      {"header",
       kBuiltinHeader,
       372,
       10,
       {{"{HEADER_SVG_SRC}", 1},
        {"{HEADER_LEFT}", 1},
        {"{HEADER_CENTER}", 1},
        {"{HEADER_RIGHT}", 1}}},
      {"section",
       kBuiltinSection,
       265,
       9,
       {{"{LEVEL}", 1},
        {"{ANCHOR}", 1},
        {"{HLEVEL}", 2},
        {"{SECNUM}", 1},
        {"{TITLE}", 1},
        {"{CONTENT}", 1}}},
      {"paragraph", kBuiltinParagraph, 35, 1, {{"{TEXT}", 1}}},
      {"list", kBuiltinList, 54, 3, {{"{TAG}", 2}, {"{LIST_CLASS}", 1}, {"{ITEMS}", 1}}},
      {"figure",
       kBuiltinFigure,
       117,
       4,
       {{"{SRC}", 1}, {"{ALT}", 1}, {"{WIDTH_ATTR}", 1}, {"{CAPTION}", 1}}},
      {"code_block",
       kBuiltinCodeBlock,
       135,
       4,
       {{"{CAPTION}", 1}, {"{LANGUAGE}", 1}, {"{CONTENT}", 1}, {"{CODE}", 0}}},
      {"admonition",
       kBuiltinAdmonition,
       163,
       4,
       {{"{LEVEL}", 1}, {"{TITLE}", 1}, {"{CONTENT}", 1}}},
      {"table", kBuiltinTable, 96, 6, {{"{CAPTION}", 1}, {"{TABLE}", 1}, {"{DATA_SOURCE}", 0}}},
  };
  for (const Builtin& b : builtins) {
    SCOPED_TRACE(b.name);
    EXPECT_EQ(b.text.size(), b.bytes);
    // Only base ends with a line feed; the others end right after their last character.
    const bool ends_with_lf = b.text.ends_with('\n');
    EXPECT_EQ(ends_with_lf, std::string_view(b.name) == "base");
    EXPECT_EQ(count_of(b.text, "\n") + (ends_with_lf ? 0 : 1), b.lines);
    EXPECT_EQ(b.text.find_first_of("\r\t"), std::string_view::npos);
    EXPECT_EQ(count_of(b.text, " \n"), 0u);
    for (const auto& [placeholder, count] : b.placeholders)
      EXPECT_EQ(count_of(b.text, placeholder), count) << placeholder;
  }
  // The one empty line of the layout sits between the aside and the main element.
  EXPECT_NE(kBuiltinLayout.find("</aside>\n\n    <main"), std::string_view::npos);
  EXPECT_EQ(kBuiltinParagraph, "<p class=\"lrv-paragraph\">{TEXT}</p>");
}

TEST(BuiltinTemplatesTest, SetOrder) {
  const TemplateSet set = builtin_template_set();
  EXPECT_EQ(set.base, kBuiltinBase);
  EXPECT_EQ(set.layout, kBuiltinLayout);
  EXPECT_EQ(set.header, kBuiltinHeader);
  EXPECT_EQ(set.section, kBuiltinSection);
  EXPECT_EQ(set.paragraph, kBuiltinParagraph);
  EXPECT_EQ(set.list, kBuiltinList);
  EXPECT_EQ(set.figure, kBuiltinFigure);
  EXPECT_EQ(set.code_block, kBuiltinCodeBlock);
  EXPECT_EQ(set.admonition, kBuiltinAdmonition);
  EXPECT_EQ(set.table, kBuiltinTable);
}

// Runs each test in a fresh temporary work directory, made current for the test and left
// again (the previous directory restored) afterwards, as the build does around a render.
class TemplateLookupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    dir_ = std::filesystem::temp_directory_path() /
           ("lorvane-templates-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_ / "SIDECAR" / "templates");
    std::filesystem::create_directories(dir_ / "SIDECAR" / "css");
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(dir_);
  }
  static void write(const std::string& path, const std::string& bytes) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent);
    std::ofstream(path, std::ios::binary) << bytes;
  }
  std::filesystem::path previous_;
  std::filesystem::path dir_;
};

constexpr const char* kDefaultSection = "SIDECAR/templates/section.html";

TEST_F(TemplateLookupTest, ConfiguredThenDefaultThenBuiltin) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files;  // path, bytes
    std::string configured;
    std::string want;
  };
  const std::string builtin(kBuiltinSection);
  const std::vector<Case> cases = {
      {"neither file", {}, "custom/section.html", builtin},
      {"configured path missing, default present",
       {{kDefaultSection, "default"}},
       "custom/section.html",
       "default"},
      {"configured file wins",
       {{kDefaultSection, "default"}, {"custom/section.html", "mine"}},
       "custom/section.html",
       "mine"},
      {"configured is the default path",
       {{kDefaultSection, "default"}},
       kDefaultSection,
       "default"},
      {"empty configured path", {{kDefaultSection, "default"}}, "", "default"},
      {"empty file gives an empty template",
       {{kDefaultSection, "default"}, {"empty.html", ""}},
       "empty.html",
       ""},
      {"empty default file", {{kDefaultSection, ""}}, "missing.html", ""},
      {"invalid UTF-8 falls back to the default",
       {{kDefaultSection, "default"}, {"bad.html", "<p>\xC3\x28</p>"}},
       "bad.html",
       "default"},
      {"invalid UTF-8 default falls back to the built-in text",
       {{kDefaultSection, "\xFF"}},
       "missing.html",
       builtin},
      {"a directory falls back", {{kDefaultSection, "default"}}, "SIDECAR/templates", "default"},
      {"a file without placeholders is used as it is",
       {{"plain.html", "\xEF\xBB\xBFplain\r\n"}},
       "plain.html",
       "\xEF\xBB\xBFplain\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all("SIDECAR");
    std::filesystem::remove_all("custom");
    for (const char* name : {"empty.html", "bad.html", "plain.html"}) std::filesystem::remove(name);
    std::filesystem::create_directories("SIDECAR/templates");
    for (const auto& [path, bytes] : c.files) write(path, bytes);
    EXPECT_EQ(load_template(c.configured, kDefaultSection, kBuiltinSection), c.want);
  }
}

// A named pipe or a device must not block or flood the render: only regular files count.
TEST_F(TemplateLookupTest, PipesAndDevicesFallBack) {
  write(kDefaultSection, "default");
  ASSERT_EQ(::mkfifo("pipe.html", 0600), 0);
  EXPECT_EQ(load_template("pipe.html", kDefaultSection, kBuiltinSection), "default");
  EXPECT_EQ(load_template("/dev/zero", kDefaultSection, kBuiltinSection), "default");
  EXPECT_EQ(load_css("pipe.html"), "");
}

TEST_F(TemplateLookupTest, DefaultPathIsTheFixedOne) {
  write(kDefaultSection, "default");
  write("SIDECAR/templates/other.html", "other");
  // The default of the table is tried, not anything derived from the configured path.
  EXPECT_EQ(load_template("SIDECAR/templates/sec.html", kDefaultSection, kBuiltinSection),
            "default");
}

TEST_F(TemplateLookupTest, CodeBlockFallbacks) {
  const std::string underscore = "SIDECAR/templates/code_block.html";
  const std::string hyphen = "SIDECAR/templates/code-block.html";
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files;
    std::string configured;
    std::string want;
  };
  const std::vector<Case> cases = {
      {"no file", {}, underscore, std::string(kBuiltinCodeBlock)},
      {"hyphenated file only", {{hyphen, "hyphen"}}, underscore, "hyphen"},
      {"hyphenated file only, other configured path", {{hyphen, "hyphen"}}, "cb.html", "hyphen"},
      {"both: the underscore file wins",
       {{hyphen, "hyphen"}, {underscore, "underscore"}},
       "cb.html",
       "underscore"},
      {"configured file wins over both",
       {{hyphen, "hyphen"}, {underscore, "underscore"}, {"cb.html", "mine"}},
       "cb.html",
       "mine"},
      {"invalid underscore file: the hyphenated one",
       {{underscore, "\xFE"}, {hyphen, "hyphen"}},
       underscore,
       "hyphen"},
      {"empty hyphenated file", {{hyphen, ""}}, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all("SIDECAR");
    std::filesystem::remove("cb.html");
    std::filesystem::create_directories("SIDECAR/templates");
    for (const auto& [path, bytes] : c.files) write(path, bytes);
    EXPECT_EQ(load_code_block_template(c.configured), c.want);
  }
}

TEST_F(TemplateLookupTest, WholeSet) {
  std::filesystem::remove_all("SIDECAR");
  EXPECT_EQ(load_template_set(RenderSettings{}).section, kBuiltinSection);
  const TemplateSet builtin = builtin_template_set();
  const TemplateSet loaded = load_template_set(RenderSettings{});
  EXPECT_EQ(loaded.base, builtin.base);
  EXPECT_EQ(loaded.table, builtin.table);
  EXPECT_EQ(loaded.code_block, builtin.code_block);

  // Each template from its own configured path, and the default files where the
  // configured ones are missing.
  RenderSettings settings;
  std::string RenderSettings::*paths[] = {
      &RenderSettings::template_base,       &RenderSettings::template_layout,
      &RenderSettings::template_header,     &RenderSettings::template_section,
      &RenderSettings::template_paragraph,  &RenderSettings::template_list,
      &RenderSettings::template_figure,     &RenderSettings::template_code_block,
      &RenderSettings::template_admonition, &RenderSettings::template_table};
  const char* names[] = {"base", "layout", "header",     "section",    "paragraph",
                         "list", "figure", "code_block", "admonition", "table"};
  for (int i = 0; i < 10; ++i) {
    settings.*paths[i] = std::string("mine/") + names[i];
    write(std::string("mine/") + names[i], std::string("configured ") + names[i]);
    write(std::string("SIDECAR/templates/") + names[i] + ".html",
          std::string("default ") + names[i]);
  }
  TemplateSet set = load_template_set(settings);
  const std::string* got[] = {&set.base,       &set.layout, &set.header, &set.section,
                              &set.paragraph,  &set.list,   &set.figure, &set.code_block,
                              &set.admonition, &set.table};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(*got[i], std::string("configured ") + names[i]);

  std::filesystem::remove_all("mine");
  set = load_template_set(settings);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(*got[i], std::string("default ") + names[i]);
}

TEST_F(TemplateLookupTest, CssStyleBlocks) {
  write("SIDECAR/css/reset.css", "* { margin: 0; }\r\n");
  write("SIDECAR/css/empty.css", "");
  write("SIDECAR/css/bad.css", "a { content: \"\xC0\xAF\"; }");
  EXPECT_EQ(load_css("SIDECAR/css/reset.css"), "<style>\n* { margin: 0; }\r\n\n</style>");
  EXPECT_EQ(load_css("SIDECAR/css/empty.css"), "<style>\n\n</style>");
  EXPECT_EQ(load_css("SIDECAR/css/missing.css"), "");
  EXPECT_EQ(load_css("SIDECAR/css/bad.css"), "");
  EXPECT_EQ(load_css("SIDECAR/css"), "");
  EXPECT_EQ(load_css(""), "");
}

TEST(FillTemplateTest, Order) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<Placeholder> pairs;
    std::string want;
  };
  const std::vector<Case> cases = {
      {"every occurrence", "<h{HLEVEL}>x</h{HLEVEL}>", {{"{HLEVEL}", "2"}}, "<h2>x</h2>"},
      {"an earlier value holding a later placeholder gets its value",
       "[{X}]",
       {{"{X}", "a{Y}b"}, {"{Y}", "y"}},
       "[ayb]"},
      {"a later value holding an earlier placeholder keeps it",
       "[{X}|{Y}]",
       {{"{X}", "x"}, {"{Y}", "{X}"}},
       "[x|{X}]"},
      {"a value holding its own placeholder keeps it",
       "{X}-{X}",
       {{"{X}", "<{X}>"}},
       "<{X}>-<{X}>"},
      {"the reset block reaches a body, a title in it stays",
       "<title>{TITLE}</title>{CSS_RESET}{BODY}",
       {{"{TITLE}", "T"}, {"{BODY}", "{TITLE}{CSS_RESET}"}, {"{CSS_RESET}", "<style/>"}},
       "<title>T</title><style/>{TITLE}<style/>"},
      {"missing placeholder is a no-op; unnamed ones stay", "a {B} c", {{"{Z}", "z"}}, "a {B} c"},
      {"values are not escaped", "{V}", {{"{V}", "<b>&amp;\"'</b>"}}, "<b>&amp;\"'</b>"},
      {"case-sensitive", "{title}{Title}{TITLE}", {{"{TITLE}", "t"}}, "{title}{Title}t"},
      {"braces around a placeholder", "{{A}}", {{"{A}", "v"}}, "{v}"},
      {"left to right, not overlapping", "aaaa a", {{"aa", "b"}}, "bb a"},
      {"overlap: the first occurrence wins", "aaa", {{"aa", "X"}}, "Xa"},
      {"an empty value removes", "x{SCRIPTS}y", {{"{SCRIPTS}", ""}}, "xy"},
      {"replacements form a new placeholder for a later pair",
       "{A}B}",
       {{"{A}", "{A"}, {"{AB}", "!"}},
       "!"},
      {"only placeholders", "{A}{B}{A}", {{"{A}", "1"}, {"{B}", "2"}}, "121"},
      {"empty template", "", {{"{A}", "1"}}, ""},
      {"no pairs", "{A}", {}, "{A}"},
      {"an empty placeholder is ignored", "abc", {{"", "x"}}, "abc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(fill(c.text, c.pairs), c.want);
  }
}

TEST(FillTemplateTest, LargeInputs) {
  // A template of placeholders only, and a large value carried through many pairs.
  std::string text;
  for (int i = 0; i < 200'000; ++i) text += "{A}";
  std::string want;
  for (int i = 0; i < 200'000; ++i) want += "xy";
  EXPECT_EQ(fill(text, {{"{A}", "xy"}, {"{B}", "z"}}), want);
  const std::string big(10'000'000, 'v');
  const std::string page = fill(
      kBuiltinBase, {{"{TITLE}", "t"}, {"{BODY}", big}, {"{CSS_RESET}", ""}, {"{SCRIPTS}", ""}});
  EXPECT_EQ(page.size(), kBuiltinBase.size() - 7 + 1 - 6 + big.size() - 11);
}

}  // namespace
}  // namespace lorvane::render
