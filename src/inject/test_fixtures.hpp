#pragma once

// Small builders for the injector's unit tests (header only, not part of the program):
// YAML trees and document trees written in code, and a sink that keeps warning lines.

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "inject/merge_mode.hpp"
#include "inject/yaml_value.hpp"
#include "parser/document.hpp"

namespace lorvane::inject::testing {

inline YamlValue text(std::string value) { return YamlValue(std::move(value)); }
inline YamlValue unsigned_int(std::uint64_t value) { return YamlValue(value); }
inline YamlValue negative_int(std::int64_t value) { return YamlValue(value); }

inline YamlValue seq(std::initializer_list<YamlValue> items) {
  return YamlValue(YamlSequence(items));
}

inline YamlValue map(std::initializer_list<std::pair<YamlValue, YamlValue>> entries) {
  YamlMapping mapping;
  for (const auto& [key, value] : entries) mapping.push_back({key, value});
  return YamlValue(std::move(mapping));
}

inline YamlValue tagged(std::string name, YamlValue inner) {
  return YamlValue(YamlTagged{std::move(name), Boxed<YamlValue>(std::move(inner))});
}

inline parser::Node paragraph(std::string text, std::string id = "") {
  return parser::ParagraphNode{std::move(text), std::move(id)};
}

inline parser::Node bullet_list(std::string id) {
  return parser::BulletListNode{{{"item", {}, id + "-0"}}, id};
}

inline parser::Node ordered_list(std::string id) {
  return parser::OrderedListNode{{{"item", {}, id + "-0"}}, id};
}

inline parser::Node admonition(std::string level, parser::NodeList children = {},
                               std::string id = "") {
  parser::AdmonitionNode node;
  node.level = std::move(level);
  node.children = std::move(children);
  node.node_id = std::move(id);
  return node;
}

inline parser::SectionNode section(std::string number, parser::NodeList children = {}) {
  parser::SectionNode node;
  node.number = number;
  node.title = "Title " + number;
  node.level = 1;
  node.children = std::move(children);
  std::string bare = number;
  while (!bare.empty() && bare.back() == '.') bare.pop_back();
  node.node_id = "sec-" + bare;
  node.source = parser::SourceLocation{1};
  return node;
}

/// Node identifiers of a node list, for compact comparisons.
inline std::vector<std::string> ids(const parser::NodeList& nodes) {
  std::vector<std::string> out;
  for (const parser::Node& node : nodes) {
    node.visit([&out](const auto& payload) {
      if constexpr (requires { payload.node_id; }) out.push_back(payload.node_id);
    });
  }
  return out;
}

/// Keeps every warning line it is given.
class WarningLines {
 public:
  WarningLines() : sink_([this](std::string_view line) { lines_.emplace_back(line); }) {}
  WarningLines(const WarningLines&) = delete;
  WarningLines& operator=(const WarningLines&) = delete;

  const WarningSink& sink() const { return sink_; }
  MergeMode lenient() const { return MergeMode{false, &sink_}; }
  MergeMode strict() const { return MergeMode{true, &sink_}; }
  const std::vector<std::string>& lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
  WarningSink sink_;
};

}  // namespace lorvane::inject::testing
