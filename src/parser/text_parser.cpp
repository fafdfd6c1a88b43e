#include "parser/text_parser.hpp"

#include <utility>

#include "parser/front_matter.hpp"
#include "parser/sections.hpp"
#include "parser/text.hpp"
#include "parser/text_lines.hpp"

namespace lorvane::parser {

Result<Document> parse_text_document(std::string_view source) {
  // The program only hands over text it has validated; checking again keeps this total
  // (every later step decodes UTF-8 and may assume it is well formed).
  if (!text::is_valid_utf8(source)) return Error("stream did not contain valid UTF-8");

  const SourceLines lines(source);
  if (Status status = check_line_rules(lines); !status) return std::move(status).error();

  Result<Patterns> patterns = Patterns::compile();
  if (!patterns) return std::move(patterns).error();

  Result<FrontMatter> front = parse_front_matter(lines, *patterns);
  if (!front) return std::move(front).error();

  Result<NodeList> sections = parse_sections(lines, front->body_start, patterns->heading,
                                             patterns->bullet, patterns->ordered_item);
  if (!sections) return std::move(sections).error();

  Document document;
  document.cover = DocumentCover{front->title, front->subtitle.value_or(std::string()),
                                 front->description.value_or(std::string()), front->metadata};
  document.title = std::move(front->title);
  document.subtitle = std::move(front->subtitle);
  document.description = std::move(front->description);
  document.metadata = std::move(front->metadata);
  document.children = std::move(sections).value();
  return document;
}

}  // namespace lorvane::parser
