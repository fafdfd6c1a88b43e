#include "render/image.hpp"

#include <array>

#include "render/file_io.hpp"
#include "render/html.hpp"

namespace lorvane::render {
namespace {

/// Whether `src` names no local file to embed: empty, or a data URI or web address
/// (case-sensitive prefixes), which pass through as written.
bool passes_through(std::string_view src) {
  constexpr std::string_view kPrefixesKept[] = {"data:", "http://", "https://"};
  if (src.empty()) return true;
  for (std::string_view prefix : kPrefixesKept)
    if (src.substr(0, prefix.size()) == prefix) return true;
  return false;
}

bool ends_with_ascii_lower(std::string_view path, std::string_view suffix) {
  if (path.size() < suffix.size()) return false;
  const std::string_view tail = path.substr(path.size() - suffix.size());
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    char c = tail[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

/// The length of "data:{mime};base64,{bytes}" for `bytes` bytes.
std::size_t data_uri_size(std::string_view mime, std::size_t bytes) {
  return 5 + mime.size() + 8 + (bytes + 2) / 3 * 4;
}

}  // namespace

std::string_view mime_type_for_path(std::string_view path) {
  struct Suffix {
    std::string_view suffix;
    std::string_view mime;
  };
  static constexpr std::array<Suffix, 6> kSuffixes = {{{".png", "image/png"},
                                                       {".jpg", "image/jpeg"},
                                                       {".jpeg", "image/jpeg"},
                                                       {".gif", "image/gif"},
                                                       {".webp", "image/webp"},
                                                       {".svg", "image/svg+xml"}}};
  for (const Suffix& s : kSuffixes)
    if (ends_with_ascii_lower(path, s.suffix)) return s.mime;
  return "application/octet-stream";
}

void append_base64(std::string& out, std::string_view bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const std::size_t start = out.size();
  out.resize(start + (bytes.size() + 2) / 3 * 4);
  char* dst = out.data() + start;
  const auto* src = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const std::uint32_t v = (std::uint32_t{src[i]} << 16) | (std::uint32_t{src[i + 1]} << 8) |
                            std::uint32_t{src[i + 2]};
    *dst++ = kAlphabet[(v >> 18) & 63];
    *dst++ = kAlphabet[(v >> 12) & 63];
    *dst++ = kAlphabet[(v >> 6) & 63];
    *dst++ = kAlphabet[v & 63];
  }
  const std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    std::uint32_t v = std::uint32_t{src[i]} << 16;
    if (rest == 2) v |= std::uint32_t{src[i + 1]} << 8;
    *dst++ = kAlphabet[(v >> 18) & 63];
    *dst++ = kAlphabet[(v >> 12) & 63];
    *dst++ = rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
    *dst++ = '=';
  }
}

std::string resolve_image_src(std::string_view src, FillBudget* budget) {
  if (passes_through(src)) return std::string(src);
  const std::string path(src);
  Result<OptionalFile> file = OptionalFile::open(path);
  if (!file) return path;
  const std::string_view mime = mime_type_for_path(src);
  const std::size_t uri_size = data_uri_size(mime, file->size());
  if (!pay_from(budget, uri_size)) return path;
  Result<std::string> bytes = file->read();
  if (!bytes) return path;
  std::string uri;
  uri.reserve(data_uri_size(mime, bytes->size()));
  uri += "data:";
  uri += mime;
  uri += ";base64,";
  append_base64(uri, *bytes);
  return uri;
}

std::string resolve_image_src_html(std::string_view src, FillBudget* budget) {
  std::string resolved = resolve_image_src(src, budget);
  if (resolved.find_first_of("&<>\"'") == std::string::npos) return resolved;
  return escape_html(resolved);
}

EmbeddedImage embedded_image(std::string_view src) {
  if (passes_through(src)) return {};
  Result<OptionalFile> file = OptionalFile::open(std::string(src));
  if (!file) return {};
  return {data_uri_size(mime_type_for_path(src), file->size()), file->device(), file->inode()};
}

}  // namespace lorvane::render
