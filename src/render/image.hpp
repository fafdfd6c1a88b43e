#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "render/fill.hpp"

// Image sources: a local image file becomes a Base64 data URI, everything else passes
// through as written.
namespace lorvane::render {

/// The text for an img element's source (not yet escaped): empty for an empty `src`;
/// `src` unchanged when it begins with "data:", "http://" or "https://" (case-sensitive)
/// or names no readable regular file; otherwise "data:{mime};base64,{bytes}" with the whole
/// file. The data URI is paid from `budget` (if any) before the file is read; when it
/// cannot be paid, `src` is kept as written. Relative paths resolve against the process
/// working directory. Never fails.
std::string resolve_image_src(std::string_view src, FillBudget* budget = nullptr);

/// `escape_html` of `resolve_image_src(src, budget)`, without copying an embedded file's
/// data URI once more (Base64 needs no escaping).
std::string resolve_image_src_html(std::string_view src, FillBudget* budget);

/// The file that `resolve_image_src` would embed for `src` as it is now: the length of its
/// data URI (0 when it would embed none) and which file it is.
struct EmbeddedImage {
  std::size_t uri_bytes = 0;
  dev_t device = 0;
  ino_t inode = 0;
};
EmbeddedImage embedded_image(std::string_view src);

/// The MIME type for the suffix of `path` (ASCII case ignored): ".png", ".jpg", ".jpeg",
/// ".gif", ".webp", ".svg", else "application/octet-stream".
std::string_view mime_type_for_path(std::string_view path);

/// Appends the Base64 form of `bytes`: standard alphabet, "=" padding, no line breaks.
void append_base64(std::string& out, std::string_view bytes);

}  // namespace lorvane::render
