#pragma once

#include <string>
#include <string_view>

// Image sources: a local image file becomes a Base64 data URI, everything else passes
// through as written.
namespace lorvane::render {

/// The text for an img element's source (not yet escaped): empty for an empty `src`;
/// `src` unchanged when it begins with "data:", "http://" or "https://" (case-sensitive)
/// or names no readable regular file; otherwise "data:{mime};base64,{bytes}" with the whole file.
/// Relative paths resolve against the process working directory. Never fails.
std::string resolve_image_src(std::string_view src);

/// `escape_html` of `resolve_image_src(src)`, without copying an embedded file's data URI
/// once more (Base64 needs no escaping).
std::string resolve_image_src_html(std::string_view src);

/// The MIME type for the suffix of `path` (ASCII case ignored): ".png", ".jpg", ".jpeg",
/// ".gif", ".webp", ".svg", else "application/octet-stream".
std::string_view mime_type_for_path(std::string_view path);

/// Appends the Base64 form of `bytes`: standard alphabet, "=" padding, no line breaks.
void append_base64(std::string& out, std::string_view bytes);
std::string base64_encode(std::string_view bytes);

}  // namespace lorvane::render
