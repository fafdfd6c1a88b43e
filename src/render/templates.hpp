#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "render/settings.hpp"

// The ten page templates: how each is found (configured path, default path, built-in
// text), the built-in texts, how a template is filled, and the CSS style blocks.
namespace lorvane::render {

// The built-in texts, used when neither the configured nor the default file can be read.
constexpr std::string_view kBuiltinBase = R"lrv(<!doctype html>
<html lang="en">
<head>
  <meta charset="utf-8"/>
  <meta name="viewport" content="width=device-width, initial-scale=1"/>
  <title>{TITLE}</title>
  {CSS_RESET}
  {CSS_VARIABLES}
  {CSS_LAYOUT}
  {CSS_BLOCKS}
  {CSS_HEADER}
  {CSS_COVER}
</head>
<body>
  {HEADER}
  {BODY}
</body>
</html>
)lrv";
constexpr std::string_view kBuiltinLayout = R"lrv(<div class="lrv-shell">
  <div class="lrv-layout">
    <aside class="lrv-outline">
      <div class="lrv-outline-title">{OUTLINE_TITLE}</div>
      <nav class="lrv-outline-nav">
        {OUTLINE}
      </nav>
    </aside>

    <main class="lrv-content">
      {CONTENT}
    </main>
  </div>
</div>)lrv";
constexpr std::string_view kBuiltinHeader = R"lrv(<header class="lrv-header" id="header">
  <div class="lrv-header-inner">
    <img class="lrv-header-logo" src="{HEADER_SVG_SRC}" alt=""/>
    <div class="lrv-header-text">
      <div class="lrv-header-left">{HEADER_LEFT}</div>
      <div class="lrv-header-center">{HEADER_CENTER}</div>
      <div class="lrv-header-right">{HEADER_RIGHT}</div>
    </div>
  </div>
</header>)lrv";
constexpr std::string_view kBuiltinSection = R"lrv(<section class="lrv-section lvl-{LEVEL}" id="{ANCHOR}">
  <h{HLEVEL} class="lrv-section-title">
    <span class="lrv-secnum">{SECNUM}</span>
    <span class="lrv-title">{TITLE}</span>
  </h{HLEVEL}>
  <div class="lrv-section-body">
    {CONTENT}
  </div>
</section>)lrv";
constexpr std::string_view kBuiltinParagraph = R"lrv(<p class="lrv-paragraph">{TEXT}</p>)lrv";
constexpr std::string_view kBuiltinList = R"lrv(<{TAG} class="lrv-list {LIST_CLASS}">
{ITEMS}
</{TAG}>)lrv";
constexpr std::string_view kBuiltinFigure = R"lrv(<figure class="lrv-figure">
  <img class="lrv-figure-img" src="{SRC}" alt="{ALT}"{WIDTH_ATTR}/>
  {CAPTION}
</figure>)lrv";
constexpr std::string_view kBuiltinCodeBlock = R"lrv(<div class="lrv-codeblock">
  {CAPTION}
  <pre class="lrv-pre"><code class="lrv-code language-{LANGUAGE}">{CONTENT}</code></pre>
</div>)lrv";
constexpr std::string_view kBuiltinAdmonition = R"lrv(<aside class="lrv-admonition lrv-admonition-{LEVEL}">
  <div class="lrv-admonition-title">{TITLE}</div>
  <div class="lrv-admonition-body">{CONTENT}</div>
</aside>)lrv";
constexpr std::string_view kBuiltinTable = R"lrv(<div class="lrv-table">
  {CAPTION}
  <div class="lrv-table-scroll">
    {TABLE}
  </div>
</div>)lrv";

/// The ten template texts of one render, loaded once at its start.
struct TemplateSet {
  std::string base;
  std::string layout;
  std::string header;
  std::string section;
  std::string paragraph;
  std::string list;
  std::string figure;
  std::string code_block;
  std::string admonition;
  std::string table;
};

/// The set of built-in texts.
TemplateSet builtin_template_set();

/// The first that can be read of `configured_path` and `default_path` (as UTF-8 text),
/// else a copy of `builtin`. Never fails; a readable empty file gives an empty template.
std::string load_template(const std::string& configured_path, const std::string& default_path,
                          std::string_view builtin);

/// The code_block template: the configured path, then "SIDECAR/templates/code_block.html",
/// then "SIDECAR/templates/code-block.html", then the built-in text.
std::string load_code_block_template(const std::string& configured_path);

/// All ten templates for `settings`, in their order.
TemplateSet load_template_set(const RenderSettings& settings);

/// "<style>\n", the file's text and "\n</style>"; empty text when the file cannot be read.
std::string load_css(const std::string& path);

}  // namespace lorvane::render
