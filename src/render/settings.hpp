#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

// What the `render:` block of the SIDECAR file tells the renderer. Read with a small line
// reader of its own (not a YAML parser): it understands the two-spaces-per-level layout of
// one key, a colon and a value per line, skips everything else, and never fails.
namespace lorvane::render {

struct RenderSettings {
  std::string logo_path;
  std::string header_left;
  std::string header_center;
  std::string header_right;
  std::string outline_title;
  std::string template_base = "SIDECAR/templates/base.html";
  std::string template_layout = "SIDECAR/templates/layout.html";
  std::string template_header = "SIDECAR/templates/header.html";
  std::string template_section = "SIDECAR/templates/section.html";
  std::string template_paragraph = "SIDECAR/templates/paragraph.html";
  std::string template_list = "SIDECAR/templates/list.html";
  std::string template_figure = "SIDECAR/templates/figure.html";
  std::string template_code_block = "SIDECAR/templates/code_block.html";
  std::string template_admonition = "SIDECAR/templates/admonition.html";
  std::string template_table = "SIDECAR/templates/table.html";
  std::string css_reset = "SIDECAR/css/reset.css";
  std::string css_variables = "SIDECAR/css/variables.css";
  std::string css_layout = "SIDECAR/css/layout.css";
  std::string css_blocks = "SIDECAR/css/blocks.css";
  std::string css_header = "SIDECAR/css/header.css";
  std::string css_cover;
  /// Component name to on/off; a name that is not held counts as on.
  std::map<std::string, bool, std::less<>> component_flags;
  std::optional<std::uint8_t> outline_max_depth;
  /// Unset counts as on.
  std::optional<bool> header_enabled;
  std::optional<bool> cover_enabled;
  std::optional<bool> outline_enabled;

  /// Whether the component `name` is on: no entry, or an entry that is true.
  bool component_on(std::string_view name) const {
    const auto it = component_flags.find(name);
    return it == component_flags.end() || it->second;
  }

  friend bool operator==(const RenderSettings&, const RenderSettings&) = default;
};

/// The settings of the `render:` block(s) of a whole SIDECAR text; the defaults above for
/// an empty text or one without a "render:" line. Never fails.
RenderSettings parse_render_settings(std::string_view sidecar_text);

/// "true"/"yes"/"on" and "false"/"no"/"off" (trimmed, ASCII case ignored); unset otherwise.
std::optional<bool> parse_bool_setting(std::string_view value);

}  // namespace lorvane::render
