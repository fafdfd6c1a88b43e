#include "cli/parse_command.hpp"

#include <utility>

#include "cli/error_report.hpp"
#include "cli/heap.hpp"
#include "cli/outputs.hpp"
#include "parser/text_parser.hpp"
#include "render/file_io.hpp"

namespace lorvane::cli {
namespace {

// The source text lives only in here: it is freed as soon as the tree is built, so the
// source and the JSON text are never held at the same time.
Result<parser::Document> read_and_parse(const std::string& input) {
  Result<std::string> source = render::read_text_file(input);
  if (!source)
    return Error::wrap(with_path("failed to read input file: ", input), std::move(source).error());
  prepare_heap_for_input(source->size());
  return parser::parse_text_document(*source);
}

}  // namespace

Status run_parse(const std::string& input, const std::string& output) {
  Result<parser::Document> document = read_and_parse(input);
  if (!document) return document.error();
  // The file is opened only now: a failed read or parse leaves any existing output
  // untouched.
  Status written = write_document_json_file(output, *document);
  keep_until_exit(std::move(document).value());
  if (!written)
    return Error::wrap(with_path("failed to write output file: ", output),
                       std::move(written).error());
  return {};
}

}  // namespace lorvane::cli
