// Any bytes through the inline renderer and its helpers: no crash, no sanitizer report,
// and the punctuation split always gives back the whole token.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "render/html.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string html = lorvane::render::render_inline(text);
  if (html.size() < text.size()) std::abort();
  const auto [link, tail] = lorvane::render::split_trailing_punctuation(text);
  if (link.size() + tail.size() != text.size() || link.data() != text.data()) std::abort();
  (void)lorvane::render::escape_html(text);
  return 0;
}
