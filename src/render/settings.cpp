#include "render/settings.hpp"

#include <array>

#include "parser/text.hpp"

namespace lorvane::render {
namespace {

// Which field a line of the `templates`, `css` or `header` section replaces.
struct TextKey {
  std::string_view key;
  std::string RenderSettings::*field;
};

constexpr std::array<TextKey, 10> kTemplateKeys{{
    {"base", &RenderSettings::template_base},
    {"layout", &RenderSettings::template_layout},
    {"header", &RenderSettings::template_header},
    {"section", &RenderSettings::template_section},
    {"paragraph", &RenderSettings::template_paragraph},
    {"list", &RenderSettings::template_list},
    {"figure", &RenderSettings::template_figure},
    {"code_block", &RenderSettings::template_code_block},
    {"admonition", &RenderSettings::template_admonition},
    {"table", &RenderSettings::template_table},
}};

constexpr std::array<TextKey, 6> kCssKeys{{
    {"reset", &RenderSettings::css_reset},
    {"variables", &RenderSettings::css_variables},
    {"layout", &RenderSettings::css_layout},
    {"blocks", &RenderSettings::css_blocks},
    {"header", &RenderSettings::css_header},
    {"cover", &RenderSettings::css_cover},
}};

constexpr std::array<TextKey, 4> kHeaderKeys{{
    {"logo", &RenderSettings::logo_path},
    {"left", &RenderSettings::header_left},
    {"center", &RenderSettings::header_center},
    {"right", &RenderSettings::header_right},
}};

template <std::size_t N>
bool set_text_field(RenderSettings& settings, const std::array<TextKey, N>& keys,
                    std::string_view key, std::string_view value) {
  for (const TextKey& entry : keys) {
    if (entry.key == key) {
      (settings.*entry.field).assign(value);
      return true;
    }
  }
  return false;
}

bool is_ascii_digit(char c) { return c >= '0' && c <= '9'; }

// "+"? digits, at most 255 (leading zeros allowed); unset for anything else.
std::optional<std::uint8_t> parse_max_depth(std::string_view value) {
  std::string_view digits = text::trim(value);
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  if (digits.empty()) return std::nullopt;
  unsigned number = 0;
  for (char c : digits) {
    if (!is_ascii_digit(c)) return std::nullopt;
    number = number * 10 + static_cast<unsigned>(c - '0');
    // Stop growing once out of range; the rest must still be digits.
    if (number > 255) number = 256;
  }
  if (number > 255) return std::nullopt;
  return static_cast<std::uint8_t>(number);
}

// A value of two or more characters enclosed in a matching pair of apostrophes or
// quotation marks loses that pair; nothing else is unquoted or unescaped.
std::string_view strip_quotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '\'' || value.front() == '"') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

// Spaces (U+0020 only) at the start of the line; a tab or any other character ends the
// count.
std::size_t indentation_of(std::string_view line) {
  std::size_t count = 0;
  while (count < line.size() && line[count] == ' ') ++count;
  return count;
}

class SettingsReader {
 public:
  void read_line(std::string_view raw_line) {
    const std::string_view line = text::trim_end(raw_line);
    if (line.empty()) return;
    const std::string_view content = text::trim_start(line);
    if (content.front() == '#') return;
    const std::size_t indent = indentation_of(line);

    if (indent == 0) {
      in_render_ = content == "render:";
      current_section_.clear();
      current_subsection_.clear();
      return;
    }
    if (!in_render_) return;

    if ((indent == 2 || indent == 4) && content.back() == ':') {
      std::string_view name = content;
      while (!name.empty() && name.back() == ':') name.remove_suffix(1);
      if (indent == 2) {
        current_section_.assign(name);
        current_subsection_.clear();
      } else {
        current_subsection_.assign(name);
      }
      return;
    }

    const std::size_t colon = content.find(':');
    if (colon == std::string_view::npos) return;
    const std::string_view key = text::trim(content.substr(0, colon));
    const std::string_view value = strip_quotes(text::trim(content.substr(colon + 1)));
    apply(indent, key, value);
  }

  RenderSettings take() { return std::move(settings_); }

 private:
  void apply(std::size_t indent, std::string_view key, std::string_view value) {
    const std::string_view section = current_section_;
    if (section == "templates") {
      set_text_field(settings_, kTemplateKeys, key, value);
    } else if (section == "css") {
      set_text_field(settings_, kCssKeys, key, value);
    } else if (section == "header") {
      if (key == "enabled") {
        settings_.header_enabled = parse_bool_setting(value);
      } else {
        set_text_field(settings_, kHeaderKeys, key, value);
      }
    } else if (section == "assets") {
      // The first non-empty logo wins against later `assets` lines; only a `header`
      // `logo` line replaces it.
      if ((key == "header_logo" || key == "logo") && settings_.logo_path.empty())
        settings_.logo_path.assign(value);
    } else if (section == "outline") {
      if (key == "title") {
        settings_.outline_title.assign(value);
      } else if (key == "max_depth") {
        settings_.outline_max_depth = parse_max_depth(value);
      } else if (key == "enabled") {
        settings_.outline_enabled = parse_bool_setting(value);
      }
    } else if (section == "cover") {
      if (key == "enabled") settings_.cover_enabled = parse_bool_setting(value);
    } else if (section == "components") {
      if (key != "enabled" || current_subsection_.empty() || indent < 6) return;
      const std::optional<bool> on = parse_bool_setting(value);
      if (!on) return;
      auto it = settings_.component_flags.find(std::string_view(current_subsection_));
      if (it == settings_.component_flags.end()) {
        settings_.component_flags.emplace(current_subsection_, *on);
      } else {
        it->second = *on;
      }
    }
  }

  RenderSettings settings_;
  bool in_render_ = false;
  std::string current_section_;
  std::string current_subsection_;
};

}  // namespace

RenderSettings parse_render_settings(std::string_view sidecar_text) {
  // The caller reads the file as UTF-8; should anything else ever arrive, read it with
  // replacement characters rather than decode past the end of a broken sequence.
  std::string repaired;
  if (!text::is_valid_utf8(sidecar_text)) {
    repaired = text::lossy_utf8(sidecar_text);
    sidecar_text = repaired;
  }
  SettingsReader reader;
  std::size_t start = 0;
  while (start < sidecar_text.size()) {
    std::size_t end = sidecar_text.find('\n', start);
    if (end == std::string_view::npos) end = sidecar_text.size();
    // A carriage return before the line feed is white space and goes with the trailing
    // white space of the line.
    reader.read_line(sidecar_text.substr(start, end - start));
    start = end + 1;
  }
  return reader.take();
}

std::optional<bool> parse_bool_setting(std::string_view value) {
  // A broken byte is no white space and survives the trim, so such a value is no word.
  if (!text::is_valid_utf8(value)) return std::nullopt;
  const std::string_view word = text::trim(value);
  if (word.size() > 5) return std::nullopt;
  char lower[5];
  for (std::size_t i = 0; i < word.size(); ++i) {
    const char c = word[i];
    lower[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  const std::string_view folded(lower, word.size());
  if (folded == "true" || folded == "yes" || folded == "on") return true;
  if (folded == "false" || folded == "no" || folded == "off") return false;
  return std::nullopt;
}

}  // namespace lorvane::render
