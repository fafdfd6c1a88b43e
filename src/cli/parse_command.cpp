#include "cli/parse_command.hpp"

#include <string_view>
#include <utility>

#include "cli/heap.hpp"
#include "cli/platform.hpp"
#include "parser/json.hpp"
#include "parser/text_parser.hpp"
#include "render/file_io.hpp"

namespace lorvane::cli {
namespace {

// The source text lives only in here: it is freed as soon as the tree is built, so the
// source and the JSON text are never held at the same time.
Result<parser::Document> read_and_parse(const std::string& input) {
  Result<std::string> source = render::read_text_file(input);
  if (!source)
    return Error::wrap("failed to read input file: " + input, std::move(source).error());
  prepare_heap_for_input(source->size());
  return parser::parse_text_document(*source);
}

}  // namespace

Status write_document_json_file(const std::string& path, const parser::Document& document) {
  // The JSON text goes to the file in pieces as it is produced, so only the tree and one
  // piece are held, however large the document.
  FileWriter file;
  if (Status opened = file.open(path); !opened) return opened;
  parser::write_document_json(document, [&file](std::string_view piece) { file.write(piece); });
  return file.close();
}

void keep_until_exit(parser::Document&& document) {
  // Reachable through this pointer, so leak checkers do not count it. A later call (only
  // in-process callers such as tests make one) frees the document kept before.
  static auto* const kept = new parser::Document;
  *kept = std::move(document);
}

Status run_parse(const std::string& input, const std::string& output) {
  Result<parser::Document> document = read_and_parse(input);
  if (!document) return document.error();
  // The file is opened only now: a failed read or parse leaves any existing output
  // untouched.
  Status written = write_document_json_file(output, *document);
  keep_until_exit(std::move(document).value());
  if (!written)
    return Error::wrap("failed to write output file: " + output, std::move(written).error());
  return {};
}

}  // namespace lorvane::cli
