#include "render/templates.hpp"

#include "render/file_io.hpp"

namespace lorvane::render {

TemplateSet builtin_template_set() {
  return TemplateSet{std::string(kBuiltinBase),      std::string(kBuiltinLayout),
                     std::string(kBuiltinHeader),    std::string(kBuiltinSection),
                     std::string(kBuiltinParagraph), std::string(kBuiltinList),
                     std::string(kBuiltinFigure),    std::string(kBuiltinCodeBlock),
                     std::string(kBuiltinAdmonition), std::string(kBuiltinTable)};
}

std::string load_template(const std::string& configured_path, const std::string& default_path,
                          std::string_view builtin) {
  if (auto text = read_optional_text_file(configured_path)) return std::move(text).value();
  if (auto text = read_optional_text_file(default_path)) return std::move(text).value();
  return std::string(builtin);
}

std::string load_code_block_template(const std::string& configured_path) {
  for (const std::string& path : {configured_path, std::string("SIDECAR/templates/code_block.html"),
                                  std::string("SIDECAR/templates/code-block.html")}) {
    if (auto text = read_optional_text_file(path)) return std::move(text).value();
  }
  return std::string(kBuiltinCodeBlock);
}

TemplateSet load_template_set(const RenderSettings& s) {
  TemplateSet set;
  set.base = load_template(s.template_base, "SIDECAR/templates/base.html", kBuiltinBase);
  set.layout = load_template(s.template_layout, "SIDECAR/templates/layout.html", kBuiltinLayout);
  set.header = load_template(s.template_header, "SIDECAR/templates/header.html", kBuiltinHeader);
  set.section =
      load_template(s.template_section, "SIDECAR/templates/section.html", kBuiltinSection);
  set.paragraph =
      load_template(s.template_paragraph, "SIDECAR/templates/paragraph.html", kBuiltinParagraph);
  set.list = load_template(s.template_list, "SIDECAR/templates/list.html", kBuiltinList);
  set.figure = load_template(s.template_figure, "SIDECAR/templates/figure.html", kBuiltinFigure);
  set.code_block = load_code_block_template(s.template_code_block);
  set.admonition = load_template(s.template_admonition, "SIDECAR/templates/admonition.html",
                                 kBuiltinAdmonition);
  set.table = load_template(s.template_table, "SIDECAR/templates/table.html", kBuiltinTable);
  return set;
}

std::string load_css(const std::string& path) {
  auto text = read_optional_text_file(path);
  if (!text) return {};
  std::string block;
  block.reserve(text->size() + 17);
  block += "<style>\n";
  block += *text;
  block += "\n</style>";
  return block;
}

}  // namespace lorvane::render
