// Any bytes as a SIDECAR text for the settings reader, and as a template with values
// that hold placeholders: no crash, no sanitizer report.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "render/settings.hpp"
#include "render/templates.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  (void)lorvane::render::parse_render_settings(text);
  (void)lorvane::render::parse_bool_setting(text);
  (void)lorvane::render::fill_template(
      text, {{"{A}", "{B}"}, {"{B}", "x"}, {"render:", "{A}"}, {"{", "}"}, {"{C}", ""}});
  return 0;
}
