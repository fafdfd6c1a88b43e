#include "cli/parse_command.hpp"

#include <utility>

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
  return parser::parse_text_document(*source);
}

}  // namespace

Status run_parse(const std::string& input, const std::string& output) {
  const Result<parser::Document> document = read_and_parse(input);
  if (!document) return document.error();
  // The JSON text is a temporary, freed before the tree: tearing down a large tree needs
  // some memory of its own, which then reuses the text's.
  Status written = write_file(output, parser::document_to_json(*document));
  if (!written)
    return Error::wrap("failed to write output file: " + output, std::move(written).error());
  return {};
}

}  // namespace lorvane::cli
