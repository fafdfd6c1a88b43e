#include "render/image.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>

#include "render/test_util.hpp"

namespace lorvane::render {
namespace {

std::string base64_encode(std::string_view bytes) {
  std::string out;
  append_base64(out, bytes);
  return out;
}

using testing::ScopedWorkDir;

// A 1x1 transparent PNG.
const std::string kTinyPng(
    "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x01\x00\x00"
    "\x00\x01\x08\x06\x00\x00\x00\x1f\x15\xc4\x89\x00\x00\x00\x0b\x49\x44\x41\x54\x78\x9c\x63"
    "\x60\x00\x02\x00\x00\x05\x00\x01\x7a\x5e\xab\x3f\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42"
    "\x60\x82",
    68);
const std::string kTinySvg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1\" height=\"1\"/>";

/// Decodes standard Base64 with padding; for checking the encoder on arbitrary bytes.
std::string decode_base64(std::string_view text) {
  auto value = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
  };
  std::string out;
  std::uint32_t bits = 0;
  int count = 0;
  for (const char c : text) {
    if (c == '=') break;
    bits = (bits << 6) | static_cast<std::uint32_t>(value(c));
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return out;
}

TEST(Base64, Rfc4648Vectors) {
  const std::pair<const char*, const char*> vectors[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
  };
  for (const auto& [input, want] : vectors) {
    SCOPED_TRACE(input);
    EXPECT_EQ(base64_encode(input), want);
  }
  // The two last letters of the standard alphabet, and no line breaks in long output.
  EXPECT_EQ(base64_encode("\xFB\xFF"), "+/8=");
  EXPECT_EQ(base64_encode(std::string(1000, '\0')).find('\n'), std::string::npos);
}

TEST(Base64, EveryLengthModuloThreeRoundTrips) {
  std::mt19937 rng(7);
  for (std::size_t length = 0; length < 200; ++length) {
    SCOPED_TRACE(length);
    std::string bytes(length, '\0');
    for (char& b : bytes) b = static_cast<char>(rng() & 0xFF);
    const std::string encoded = base64_encode(bytes);
    ASSERT_EQ(encoded.size(), (length + 2) / 3 * 4);
    const std::size_t padding = (3 - length % 3) % 3;
    EXPECT_EQ(encoded.find('='), padding == 0 ? std::string::npos : encoded.size() - padding);
    EXPECT_EQ(decode_base64(encoded), bytes);
  }
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(decode_base64(base64_encode(all)), all);
}

TEST(MimeTypeForPath, SuffixesIgnoringAsciiCase) {
  const std::pair<const char*, const char*> cases[] = {
      {"a.png", "image/png"},
      {"A.PNG", "image/png"},
      {"x.jpg", "image/jpeg"},
      {"x.JPEG", "image/jpeg"},
      {"x.gif", "image/gif"},
      {"x.webp", "image/webp"},
      {"img/Logo.SVG", "image/svg+xml"},
      {"notes.txt", "application/octet-stream"},
      {"pic.png/x", "application/octet-stream"},
      {"png", "application/octet-stream"},
      {"", "application/octet-stream"},
      {".svg", "image/svg+xml"},
  };
  for (const auto& [path, want] : cases) {
    SCOPED_TRACE(path);
    EXPECT_EQ(mime_type_for_path(path), want);
  }
}

TEST(ResolveImageSrc, SourcesThatPassThrough) {
  ScopedWorkDir dir;
  dir.make_dir("folder.png");
  dir.write("a.png", "x");
  ASSERT_EQ(::mkfifo("fifo.png", 0600), 0);
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"https://example.org/a.png", "https://example.org/a.png"},
      {"http://example.org/a.png", "http://example.org/a.png"},
      {"data:image/png;base64,AAAA", "data:image/png;base64,AAAA"},
      {"HTTPS://example.org/a.png", "HTTPS://example.org/a.png"},  // a path; no such file
      {"missing.png", "missing.png"},
      {"folder.png", "folder.png"},
      {"/dev/zero", "/dev/zero"},  // endless: not a regular file
      {"fifo.png", "fifo.png"},    // would block: not a regular file
      {std::string("a.png\0.svg", 10), std::string("a.png\0.svg", 10)},  // names no file
  };
  for (const auto& [src, want] : cases) {
    SCOPED_TRACE(src);
    EXPECT_EQ(resolve_image_src(src), want);
  }
}

TEST(ResolveImageSrc, LocalFilesBecomeDataUris) {
  ScopedWorkDir dir;
  dir.write("img/dot.png", kTinyPng);
  dir.write("img/Logo.SVG", kTinySvg);
  dir.write("notes.txt", "hi");
  dir.write("a.png", "");
  EXPECT_EQ(resolve_image_src("img/dot.png"),
            "data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAAC0lEQVR4nGNgAA"
            "IAAAUAAXpeqz8AAAAASUVORK5CYII=");
  EXPECT_EQ(resolve_image_src("img/Logo.SVG"),
            "data:image/svg+xml;base64,PHN2ZyB4bWxucz0iaHR0cDovL3d3dy53My5vcmcvMjAwMC9zdmciIHdpZH"
            "RoPSIxIiBoZWlnaHQ9IjEiLz4=");
  EXPECT_EQ(resolve_image_src("notes.txt"), "data:application/octet-stream;base64,aGk=");
  EXPECT_EQ(resolve_image_src("a.png"), "data:image/png;base64,");
  // Escaped for the attribute: a path as written, never the Base64 text.
  EXPECT_EQ(resolve_image_src_html("a.png", nullptr), "data:image/png;base64,");
  EXPECT_EQ(resolve_image_src_html("missing \"&\".png", nullptr), "missing &quot;&amp;&quot;.png");
  // An absolute path stands as it is.
  EXPECT_EQ(resolve_image_src((dir.path() / "notes.txt").string()),
            "data:application/octet-stream;base64,aGk=");

  // The data URI is paid for in full before the file is read; one that cannot be paid
  // for leaves the source as written, and so does every later one.
  const std::size_t uri = std::string_view("data:application/octet-stream;base64,aGk=").size();
  EXPECT_EQ(embedded_image("notes.txt").uri_bytes, uri);
  EXPECT_EQ(embedded_image("missing.png").uri_bytes, 0u);
  EXPECT_EQ(embedded_image("https://example.org/a.png").uri_bytes, 0u);
  FillBudget budget(uri + 3);
  EXPECT_EQ(resolve_image_src("notes.txt", &budget), "data:application/octet-stream;base64,aGk=");
  EXPECT_EQ(resolve_image_src("notes.txt", &budget), "notes.txt");
  EXPECT_EQ(resolve_image_src("a.png", &budget), "a.png");
  EXPECT_EQ(resolve_image_src("https://example.org/a.png", &budget), "https://example.org/a.png");
}

}  // namespace
}  // namespace lorvane::render
