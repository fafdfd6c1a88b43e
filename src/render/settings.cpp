#include "render/settings.hpp"

namespace lorvane::render {

RenderSettings parse_render_settings(std::string_view) { return RenderSettings{}; }

std::optional<bool> parse_bool_setting(std::string_view) { return std::nullopt; }

}  // namespace lorvane::render
