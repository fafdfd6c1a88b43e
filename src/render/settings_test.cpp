#include "render/settings.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

namespace lorvane::render {

// Readable failure output: every field on a line of its own.
void PrintTo(const RenderSettings& s, std::ostream* os) {
  auto opt = [](const auto& v) { return v ? std::to_string(+*v) : std::string("unset"); };
  *os << "\n  logo_path=" << ::testing::PrintToString(s.logo_path)
      << "\n  header_left=" << ::testing::PrintToString(s.header_left)
      << "\n  header_center=" << ::testing::PrintToString(s.header_center)
      << "\n  header_right=" << ::testing::PrintToString(s.header_right)
      << "\n  outline_title=" << ::testing::PrintToString(s.outline_title)
      << "\n  templates=" << s.template_base << " " << s.template_layout << " " << s.template_header
      << " " << s.template_section << " " << s.template_paragraph << " " << s.template_list << " "
      << s.template_figure << " " << s.template_code_block << " " << s.template_admonition << " "
      << s.template_table << "\n  css=" << ::testing::PrintToString(s.css_reset) << " "
      << s.css_variables << " " << s.css_layout << " " << s.css_blocks << " " << s.css_header << " "
      << ::testing::PrintToString(s.css_cover) << "\n  component_flags=";
  for (const auto& [name, on] : s.component_flags) *os << name << "=" << on << " ";
  *os << "\n  outline_max_depth=" << opt(s.outline_max_depth)
      << " header_enabled=" << opt(s.header_enabled) << " cover_enabled=" << opt(s.cover_enabled)
      << " outline_enabled=" << opt(s.outline_enabled) << "\n";
}

namespace {

constexpr std::string_view kSampleSidecar = R"lrv(metadata:
  project: "SIDECAR Capability Demonstration"
  sample_type: "lorvane-demo"
  source_format: "TEXTv1.2"

render:
  templates:
    base: "SIDECAR/templates/base.html"
    layout: "SIDECAR/templates/layout.html"
    section: "SIDECAR/templates/section.html"
    paragraph: "SIDECAR/templates/paragraph.html"
    list: "SIDECAR/templates/list.html"
    figure: "SIDECAR/templates/figure.html"
    code_block: "SIDECAR/templates/code_block.html"
    admonition: "SIDECAR/templates/admonition.html"
    table: "SIDECAR/templates/table.html"
    header: "SIDECAR/templates/header.html"
    cover: "SIDECAR/templates/cover.html"
  css:
    reset: "SIDECAR/css/reset.css"
    variables: "SIDECAR/css/variables.css"
    layout: "SIDECAR/css/layout.css"
    blocks: "SIDECAR/css/blocks.css"
    header: "SIDECAR/css/header.css"
  cover:
    enabled: false
  header:
    enabled: true
    logo: "SIDECAR/assets/imgs/header.svg"
    left: "{metadata.author}"
    center: "{metadata.title}"
    right: "{metadata.version}"

  outline:
    enabled: true
    title: "Contents"
    max_depth: 3
  components:
    paragraph:
      enabled: true
    bullet_list:
      enabled: true
    ordered_list:
      enabled: true
    figure:
      enabled: true
    code_block:
      enabled: true
    admonition:
      enabled: true
    table:
      enabled: true

reclassify:
  - id: "reclassify-range-as-note"
    type: "admonition"
    level: "note"
    title: "Reclassified Range"
    target:
      section: "2.3"
      start_block: 0
      end_block: 1

injections:
  - id: "supported-selector-note"
    type: "admonition"
    level: "info"
    title: "Selector Families"
    text: "Supported selector families include prepend, paragraph-relative placement, list-relative placement, note-relative placement, and block-range based targeting."
    target:
      section: "1.2"
      after_paragraph: 1

  - id: "example-figure"
    type: "figure"
    src: "SIDECAR/assets/imgs/sidecar-demo.svg"
    alt: "Simple SIDECAR placeholder figure"
    caption: "A local SVG asset injected after the first paragraph of section 2.2."
    width: "56%"
    alignment: "center"
    target:
      section: "2.2"
      after_paragraph: 0

  - id: "example-code"
    type: "code_block"
    language: "yaml"
    content: |
      injections:
        - id: example
          type: figure
          target:
            section: "2.2"
            after_paragraph: 0
    target:
      section: "2.2"
      after_paragraph: 1

  - id: "example-table"
    type: "table"
    columns: ["Capability", "Example"]
    data_source: |
      Admonition,after_paragraph
      Figure,after_paragraph
      Code block,after_paragraph
      Table,after_paragraph
      Reclassify,start_block + end_block
    caption: "Capability examples"
    target:
      section: "2.2"
      after_paragraph: 2
)lrv";

TEST(RenderSettingsTest, DefaultsWhenNothingIsSet) {
  const RenderSettings defaults;
  EXPECT_EQ(defaults.template_base, "SIDECAR/templates/base.html");
  EXPECT_EQ(defaults.template_code_block, "SIDECAR/templates/code_block.html");
  EXPECT_EQ(defaults.css_header, "SIDECAR/css/header.css");
  EXPECT_EQ(defaults.css_cover, "");
  for (const char* text : {"", "\n\n", "metadata:\n  title: x\n", "render", "  render:\n    css:\n",
                           "# render:\n  css:\n    reset: x\n", "css:\n  reset: x\n"}) {
    SCOPED_TRACE(::testing::PrintToString(std::string(text)));
    EXPECT_EQ(parse_render_settings(text), defaults);
  }
}

TEST(RenderSettingsTest, SampleSidecarFile) {
  RenderSettings want;
  want.cover_enabled = false;
  want.header_enabled = true;
  want.logo_path = "SIDECAR/assets/imgs/header.svg";
  want.header_left = "{metadata.author}";
  want.header_center = "{metadata.title}";
  want.header_right = "{metadata.version}";
  want.outline_enabled = true;
  want.outline_title = "Contents";
  want.outline_max_depth = 3;
  for (const char* name :
       {"paragraph", "bullet_list", "ordered_list", "figure", "code_block", "admonition", "table"})
    want.component_flags[name] = true;
  // Every template and CSS path of the sample is its default path.
  EXPECT_EQ(parse_render_settings(kSampleSidecar), want);
}

// One settings text and the changes it makes to the defaults.
struct Case {
  const char* name;
  std::string text;
  std::function<void(RenderSettings&)> expect;
};

void run_cases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RenderSettings want;
    if (c.expect) c.expect(want);
    EXPECT_EQ(parse_render_settings(c.text), want) << "text: " << ::testing::PrintToString(c.text);
  }
}

TEST(RenderSettingsTest, OpeningAndClosingTheBlock) {
  run_cases({
      {"capital R does not open", "Render:\n  css:\n    reset: a\n", nullptr},
      {"comment after render: does not open", "render: # styles\n  css:\n    reset: a\n", nullptr},
      {"byte-order mark before render:", "\xEF\xBB\xBFrender:\n  css:\n    reset: a\n", nullptr},
      {"other top-level key closes the block",
       "render:\n  css:\n    reset: a\nmetadata:\n  css:\n    reset: b\n",
       [](RenderSettings& s) { s.css_reset = "a"; }},
      {"Render: closes an open block",
       "render:\n  css:\n    reset: a\nRender:\n  css:\n    reset: b\n",
       [](RenderSettings& s) { s.css_reset = "a"; }},
      {"a tab line is indentation 0 and closes the block",
       "render:\n  css:\n\tcss:\n    reset: a\n", nullptr},
      {"a tab before render: still opens (content is render:)", "\trender:\n  css:\n    reset: a\n",
       [](RenderSettings& s) { s.css_reset = "a"; }},
      {"no-break space before render: opens too", "\u00A0render:\n  css:\n    reset: a\n",
       [](RenderSettings& s) { s.css_reset = "a"; }},
      {"trailing white space after render:", "render: \t\u3000\n  css:\n    reset: a\n",
       [](RenderSettings& s) { s.css_reset = "a"; }},
      {"comment lines at any indentation change nothing",
       "render:\n# note\n  css:\n      # deep note\n  # note: x\n    reset: a\n",
       [](RenderSettings& s) { s.css_reset = "a"; }},
      {"blank lines change nothing", "render:\n\n  css:\n   \t \n\u2003\n    reset: a\n",
       [](RenderSettings& s) { s.css_reset = "a"; }},
      {"CRLF line ends", "render:\r\n  css:\r\n    reset: a\r\n  header:\r\n    left: L\r",
       [](RenderSettings& s) {
         s.css_reset = "a";
         s.header_left = "L";
       }},
      {"several blocks keep earlier settings; a reopened block starts without a section",
       "render:\n  css:\n    reset: a\n    blocks: b\nmeta:\nrender:\n    reset: x\n  css:\n"
       "    blocks: c\n",
       [](RenderSettings& s) {
         s.css_reset = "a";
         s.css_blocks = "c";
       }},
      {"no line feed at the end", "render:\n  outline:\n    title: T",
       [](RenderSettings& s) { s.outline_title = "T"; }},
  });
}

TEST(RenderSettingsTest, SectionsAndKeyLines) {
  run_cases({
      {"sections indented by four are subsections of no section",
       "render:\n    css:\n      reset: a\n    header:\n      left: L\n", nullptr},
      {"section line with a comment is a key line of the previous section",
       "render:\n  header:\n    left: L\n  css: # styles\n    reset: a\n    right: R\n",
       [](RenderSettings& s) {
         s.header_left = "L";
         s.header_right = "R";
       }},
      {"a key line at indentation 3 belongs to the section", "render:\n  css:\n   reset: a\n",
       [](RenderSettings& s) { s.css_reset = "a"; }},
      {"key lines at indentation 1 and 9", "render:\n  css:\n reset: a\n         blocks: b\n",
       [](RenderSettings& s) {
         s.css_reset = "a";
         s.css_blocks = "b";
       }},
      {"tab after two spaces: indentation 2", "render:\n  \tcss:\n    reset: a\n",
       [](RenderSettings& s) { s.css_reset = "a"; }},
      {"a space before the colon names no section", "render:\n  css :\n    reset: a\n", nullptr},
      {"every colon at the end is removed from the name", "render:\n  css:::\n    reset: a\n",
       [](RenderSettings& s) { s.css_reset = "a"; }},
      {"a line of colons names the empty section", "render:\n  css:\n  ::\n    reset: a\n",
       nullptr},
      {"key at indentation 4 ending in a colon is a subsection, not an empty value",
       "render:\n  css:\n    reset:\n", nullptr},
      {"empty value deeper down empties the path",
       "render:\n  css:\n      reset:\n    layout: ''\n",
       [](RenderSettings& s) {
         s.css_reset = "";
         s.css_layout = "";
       }},
      {"key line without a colon is skipped", "render:\n  css:\n    reset a\n    blocks: b\n",
       [](RenderSettings& s) { s.css_blocks = "b"; }},
      {"key and value are trimmed", "render:\n  header:\n    left \u00A0 :  \t x y \u2003\n",
       [](RenderSettings& s) { s.header_left = "x y"; }},
      {"quoted key matches nothing", "render:\n  header:\n    'left': a\n    \"right\": b\n",
       nullptr},
      {"keys are case-sensitive", "render:\n  Header:\n    left: a\n  header:\n    Left: b\n",
       nullptr},
      {"value split at the first colon only",
       "render:\n  header:\n    logo: data:image/svg+xml;base64,PHN2Zz4=\n",
       [](RenderSettings& s) { s.logo_path = "data:image/svg+xml;base64,PHN2Zz4="; }},
      {"a value keeps a trailing comment", "render:\n  header:\n    left: Author # shown\n",
       [](RenderSettings& s) { s.header_left = "Author # shown"; }},
      {"templates cover is ignored, unknown sections and keys too",
       "render:\n  templates:\n    cover: c.html\n    base: b.html\n  fonts:\n    base: x\n"
       "  css:\n    base: y\n",
       [](RenderSettings& s) { s.template_base = "b.html"; }},
      {"last line wins", "render:\n  header:\n    left: a\n    left: b\n",
       [](RenderSettings& s) { s.header_left = "b"; }},
  });
}

TEST(RenderSettingsTest, EveryFieldOfTheTable) {
  const std::string text =
      "render:\n"
      "  templates:\n"
      "    base: t1\n    layout: t2\n    header: t3\n    section: t4\n    paragraph: t5\n"
      "    list: t6\n    figure: t7\n    code_block: t8\n    admonition: t9\n    table: t10\n"
      "  css:\n"
      "    reset: c1\n    variables: c2\n    layout: c3\n    blocks: c4\n    header: c5\n"
      "    cover: c6\n"
      "  header:\n"
      "    enabled: off\n    logo: l\n    left: L\n    center: C\n    right: R\n"
      "  outline:\n"
      "    title: O\n    max_depth: 7\n    enabled: no\n"
      "  cover:\n"
      "    enabled: yes\n";
  RenderSettings want;
  want.template_base = "t1";
  want.template_layout = "t2";
  want.template_header = "t3";
  want.template_section = "t4";
  want.template_paragraph = "t5";
  want.template_list = "t6";
  want.template_figure = "t7";
  want.template_code_block = "t8";
  want.template_admonition = "t9";
  want.template_table = "t10";
  want.css_reset = "c1";
  want.css_variables = "c2";
  want.css_layout = "c3";
  want.css_blocks = "c4";
  want.css_header = "c5";
  want.css_cover = "c6";
  want.header_enabled = false;
  want.logo_path = "l";
  want.header_left = "L";
  want.header_center = "C";
  want.header_right = "R";
  want.outline_title = "O";
  want.outline_max_depth = 7;
  want.outline_enabled = false;
  want.cover_enabled = true;
  EXPECT_EQ(parse_render_settings(text), want);
}

TEST(RenderSettingsTest, Quotes) {
  const auto left = [](std::string value) {
    return parse_render_settings("render:\n  header:\n    left: " + value + "\n").header_left;
  };
  struct QuoteCase {
    std::string value;
    std::string want;
  };
  const QuoteCase cases[] = {
      {"''", ""},
      {"\"\"", ""},
      {"' A '", " A "},
      {"'", "'"},
      {"\"", "\""},
      {"'a\"", "'a\""},
      {"\"a'", "\"a'"},
      {"\"it's\"", "it's"},
      {"'say \"hi\"'", "say \"hi\""},
      {"'a\\n'", "a\\n"},
      {"''x''", "'x'"},
      {"x'", "x'"},
      {"{metadata.author}", "{metadata.author}"},
  };
  for (const QuoteCase& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(left(c.value), c.want);
  }
}

TEST(RenderSettingsTest, EnabledSwitches) {
  run_cases({
      {"capitals and mixed case",
       "render:\n  header:\n    enabled: TRUE\n  cover:\n    enabled: Yes\n  outline:\n"
       "    enabled: ON\n",
       [](RenderSettings& s) {
         s.header_enabled = true;
         s.cover_enabled = true;
         s.outline_enabled = true;
       }},
      {"quoted word", "render:\n  cover:\n    enabled: \"false\"\n",
       [](RenderSettings& s) { s.cover_enabled = false; }},
      {"1 is no boolean word", "render:\n  header:\n    enabled: 1\n", nullptr},
      {"a later word that is no boolean unsets it",
       "render:\n  outline:\n    enabled: true\n    enabled: maybe\n", nullptr},
      {"a trailing comment makes it no word", "render:\n  outline:\n    enabled: true # yes\n",
       nullptr},
  });
}

TEST(RenderSettingsTest, Components) {
  run_cases({
      {"indentation 6 under a component",
       "render:\n  components:\n    figure:\n      enabled: false\n    table:\n      enabled: on\n",
       [](RenderSettings& s) {
         s.component_flags["figure"] = false;
         s.component_flags["table"] = true;
       }},
      {"a later value that is no word keeps the earlier entry",
       "render:\n  components:\n    figure:\n      enabled: false\n      enabled: perhaps\n",
       [](RenderSettings& s) { s.component_flags["figure"] = false; }},
      {"a later word replaces the entry",
       "render:\n  components:\n    figure:\n      enabled: false\n    figure:\n         enabled: "
       "yes\n",
       [](RenderSettings& s) { s.component_flags["figure"] = true; }},
      {"indentation 4 right below the section is skipped",
       "render:\n  components:\n    enabled: false\n", nullptr},
      {"indentation 4 or 5 below a component is skipped",
       "render:\n  components:\n    figure:\n    enabled: false\n     enabled: false\n", nullptr},
      {"page parts are stored like node kinds",
       "render:\n  components:\n    header:\n      enabled: false\n    document_intro:\n"
       "        enabled: no\n",
       [](RenderSettings& s) {
         s.component_flags["header"] = false;
         s.component_flags["document_intro"] = false;
       }},
      {"a new section forgets the component",
       "render:\n  components:\n    figure:\n  css:\n  components:\n      enabled: false\n",
       nullptr},
      {"enabled outside components is not a component",
       "render:\n  outline:\n    figure:\n      enabled: false\n",
       [](RenderSettings& s) { s.outline_enabled = false; }},
  });
}

TEST(RenderSettingsTest, MaxDepth) {
  struct DepthCase {
    std::string value;
    std::optional<std::uint8_t> want;
  };
  const DepthCase cases[] = {
      {"0", 0},
      {"+5", 5},
      {"255", 255},
      {"256", std::nullopt},
      {"-1", std::nullopt},
      {"-0", std::nullopt},
      {"3.0", std::nullopt},
      {"\"2\"", 2},
      {"' 9 '", 9},
      {"007", 7},
      {"+", std::nullopt},
      {"''", std::nullopt},
      {"1 2", std::nullopt},
      {"3 # open", std::nullopt},
      {"++1", std::nullopt},
      {"\u0663", std::nullopt},  // ARABIC-INDIC DIGIT THREE
      {std::string(5000, '0') + "12", 12},
      {"99999999999999999999999", std::nullopt},
  };
  for (const DepthCase& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(parse_render_settings("render:\n  outline:\n    max_depth: " + c.value + "\n")
                  .outline_max_depth,
              c.want);
  }
  // A value that is no number loses an earlier one.
  EXPECT_EQ(parse_render_settings("render:\n  outline:\n    max_depth: 4\n    max_depth: x\n")
                .outline_max_depth,
            std::nullopt);
}

TEST(RenderSettingsTest, LogoFromHeaderAndAssets) {
  struct LogoCase {
    const char* name;
    std::string lines;
    std::string want;
  };
  const LogoCase cases[] = {
      {"assets logo, then header logo", "  assets:\n    logo: a\n  header:\n    logo: h\n", "h"},
      {"empty header logo, then assets header_logo",
       "  header:\n    logo: ''\n  assets:\n    header_logo: a\n", "a"},
      {"header logo then assets", "  header:\n    logo: h\n  assets:\n    logo: a\n", "h"},
      {"first assets line wins", "  assets:\n    header_logo: a\n    logo: b\n", "a"},
      {"empty assets value leaves it empty for the next",
       "  assets:\n    logo: ''\n    header_logo: b\n", "b"},
      {"header logo may empty it again", "  assets:\n    logo: a\n  header:\n    logo: \"\"\n", ""},
      {"after an empty header logo assets may set it",
       "  header:\n    logo: h\n    logo: ''\n"
       "  assets:\n    logo: a\n",
       "a"},
  };
  for (const LogoCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(parse_render_settings("render:\n" + c.lines).logo_path, c.want);
  }
}

TEST(RenderSettingsTest, HostileText) {
  // Large values, many lines, broken bytes: always a result, and in one pass.
  const std::string big(10'000'000, 'x');
  EXPECT_EQ(parse_render_settings("render:\n  header:\n    left: " + big + "\n").header_left, big);
  EXPECT_EQ(parse_render_settings("render:\n  header:\n    left: a" + std::string(1'000'000, ' ') +
                                  "\u3000\n")
                .header_left,
            "a");
  EXPECT_EQ(parse_render_settings(std::string(2'000'000, '\n')), RenderSettings{});
  std::string many = "render:\n  header:\n";
  for (int i = 0; i < 200'000; ++i) many += "    left: " + std::to_string(i) + "\n";
  EXPECT_EQ(parse_render_settings(many).header_left, "199999");
  EXPECT_EQ(parse_render_settings("render:\n  " + std::string(1'000'000, ':') + "\n    left: a\n"),
            RenderSettings{});

  // Bytes that are not UTF-8 are read as replacement characters; nothing is decoded past
  // the end of a broken sequence.
  EXPECT_EQ(parse_render_settings("render:\n  header:\n    left: a\xFF b\xE2\x80\n").header_left,
            "a\uFFFD b\uFFFD");
  std::string binary;
  for (int i = 0; i < 100'000; ++i) binary.push_back(static_cast<char>((i * 7919) % 256));
  (void)parse_render_settings(binary);
  (void)parse_render_settings("render:\n  css:\n    reset: \xF0");
}

TEST(ParseBoolSettingTest, Words) {
  struct BoolCase {
    std::string value;
    std::optional<bool> want;
  };
  const BoolCase cases[] = {
      {"true", true},
      {"yes", true},
      {"on", true},
      {"TRUE", true},
      {"Yes", true},
      {"oN", true},
      {" \ton\u00A0", true},
      {"false", false},
      {"no", false},
      {"off", false},
      {"OFF", false},
      {"False", false},
      {"", std::nullopt},
      {"  ", std::nullopt},
      {"1", std::nullopt},
      {"0", std::nullopt},
      {"y", std::nullopt},
      {"truee", std::nullopt},
      {"tru", std::nullopt},
      {"o n", std::nullopt},
      {"'on'", std::nullopt},
      {"\xC4\xB0s", std::nullopt},
      {"\xEF\xBD\x8F\xEF\xBD\x8E", std::nullopt},  // FULLWIDTH "on"
      {"on\xFF", std::nullopt},
      {"\xE2", std::nullopt},
  };
  for (const BoolCase& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.value));
    EXPECT_EQ(parse_bool_setting(c.value), c.want);
  }
}

}  // namespace
}  // namespace lorvane::render
