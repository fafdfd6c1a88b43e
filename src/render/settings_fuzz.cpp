// Any bytes as a SIDECAR text for the settings reader, and as a template with values
// that hold placeholders: no crash, no sanitizer report.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

#include "render/fill.hpp"
#include "render/settings.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  (void)lorvane::render::parse_render_settings(text);
  (void)lorvane::render::parse_bool_setting(text);
  constexpr std::pair<std::string_view, std::string_view> kPairs[] = {
      {"{A}", "{B}"}, {"{B}", "x"}, {"render:", "{A}"}, {"{", "}"}, {"{C}", ""}};
  lorvane::render::FillRope rope;
  rope.reset(text);
  for (const auto& [placeholder, value] : kPairs) rope.replace(placeholder, value);
  (void)rope.text();
  return 0;
}
