#include "cli/outputs.hpp"

#include <string_view>
#include <utility>

#include "cli/platform.hpp"
#include "parser/json.hpp"

namespace lorvane::cli {

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

}  // namespace lorvane::cli
