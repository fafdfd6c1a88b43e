#pragma once

// A small TEXT source and its BASE document, shared by the tests of the parser and of the
// JSON form (header only, not part of the program).

#include <string_view>

#include "parser/document.hpp"

namespace lorvane::testing {

/// Nine lines: a title, two metadata lines, a comment line and one section.
inline constexpr std::string_view kNineLineSource =
    "SIDECAR Capability Demonstration\n\n Author: Jorun Aldane\n Version: v2026.04.19\n"
    " Demo project for SIDECAR capability.\n\n1. Purpose\n\n"
    "The first paragraph is plain source text.";

/// The BASE document of `kNineLineSource`, built by hand.
inline parser::Document nine_line_document() {
  parser::Document doc;
  doc.title = "SIDECAR Capability Demonstration";
  doc.metadata = {{"Author", "Jorun Aldane"},
                  {"Version", "v2026.04.19"},
                  {"_comments", "Demo project for SIDECAR capability."}};
  doc.cover = parser::DocumentCover{doc.title, "", "", doc.metadata};
  parser::SectionNode section;
  section.number = "1.";
  section.title = "Purpose";
  section.level = 1;
  section.node_id = "sec-1";
  section.source = parser::SourceLocation{7};
  section.children.push_back(
      parser::ParagraphNode{"The first paragraph is plain source text.", "p-1.-0"});
  doc.children.push_back(std::move(section));
  return doc;
}

}  // namespace lorvane::testing
