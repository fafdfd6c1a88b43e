#include "cli/parse_command.hpp"

#include <utility>

#include "cli/platform.hpp"
#include "parser/json.hpp"
#include "parser/text_parser.hpp"
#include "render/file_io.hpp"

namespace lorvane::cli {

Status run_parse(const std::string& input, const std::string& output) {
  std::string json;
  {
    Result<parser::Document> document = [&]() -> Result<parser::Document> {
      // The source lives only in this scope: it is freed once the tree is built, so the
      // source, the tree and the JSON text are never held all at once.
      Result<std::string> source = render::read_text_file(input);
      if (!source) return Error::wrap("failed to read input file: " + input, std::move(source).error());
      return parser::parse_text_document(*source);
    }();
    if (!document) return std::move(document).error();
    json = parser::document_to_json(*document);
  }
  if (Status written = write_file(output, json); !written)
    return Error::wrap("failed to write output file: " + output, std::move(written).error());
  return {};
}

}  // namespace lorvane::cli
