#include "inject/apply_sidecar.hpp"

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "inject/builders.hpp"
#include "inject/placement.hpp"
#include "inject/section_blocks.hpp"
#include "inject/yaml_value.hpp"

namespace lorvane::inject {
namespace {

// "{head}{list} #{index} ({type})", the context that names an entry.
std::string entry_context(std::string_view head, std::string_view list, std::uint64_t index,
                          std::string_view type) {
  std::string context(head);
  context += list;
  context += " #";
  context += std::to_string(index);
  context += " (";
  context += type;
  context += ')';
  return context;
}

Status reclassify_blocks(const InjectionSpec& entry, std::uint64_t index, SectionBlocks& blocks,
                         const MergeMode& mode) {
  if (!is_admonition_type(entry.type))
    return mode.pass_over("unsupported reclassify type: " + entry.type);
  const auto range = block_range(entry.target);
  if (!range)
    return Error(
        "reclassify admonition requires start/end block selectors (start_block/end_block, "
        "from_block/to_block, start_node/end_node, or from_node/to_node)");
  return wrap_block_range(blocks, entry, index, range->first, range->second, mode);
}

Status inject_block(const InjectionSpec& entry, std::uint64_t index, SectionBlocks& blocks,
                    const MergeMode& mode) {
  const std::optional<InjectionKind> kind = injection_kind(entry.type);
  if (!kind) return mode.pass_over("unsupported injection type: " + entry.type);
  return build_injection(entry, index, *kind, blocks, mode);
}

// One of the two entry lists: the word that names its entries in error contexts, and what
// an entry does to the blocks of its target section.
struct EntryKind {
  std::string_view word;
  Status (*effect)(const InjectionSpec& entry, std::uint64_t index, SectionBlocks& blocks,
                   const MergeMode& mode);
};
constexpr EntryKind kReclassify{"reclassify", reclassify_blocks};
constexpr EntryKind kInjection{"injection", inject_block};

// Applies entries to the FINAL document. Each target section's children are taken into
// a SectionBlocks the first time an entry names it and stay there until the merge ends,
// so a run of entries on one section costs little per entry; destroying the Merge puts
// every section's children back. The targets are the document's top-level sections, so
// no section being worked on lies inside another one's working children.
class Merge {
 public:
  Merge(parser::Document& document, const MergeMode& mode) : sections_(document), mode_(mode) {}

  // Checks the entry's target keys, finds its section and applies it there; a failure
  // comes under the context that names the entry by its list, index and type.
  Status apply(const EntryKind& kind, const InjectionSpec& entry, std::uint64_t index) {
    if (Status valid = validate_target_keys(entry.target, mode_); !valid)
      return Error::wrap(
          entry_context("failed to validate target keys for ", kind.word, index, entry.type),
          std::move(valid).error());
    if (Status applied = apply_to_target(kind, entry, index); !applied)
      return Error::wrap(entry_context("failed to apply ", kind.word, index, entry.type),
                         std::move(applied).error());
    return {};
  }

 private:
  Status apply_to_target(const EntryKind& kind, const InjectionSpec& entry, std::uint64_t index) {
    auto blocks = target_blocks(entry);
    if (!blocks) return std::move(blocks).error();
    if (blocks.value() == nullptr) return {};  // no such section: passed over
    return kind.effect(entry, index, *blocks.value(), mode_);
  }

  // The working children of the entry's target section; nullptr when the section is
  // missing and lenient mode passes the entry over.
  Result<SectionBlocks*> target_blocks(const InjectionSpec& entry) {
    parser::SectionNode* section = sections_.find(entry.target.section);
    if (section == nullptr)
      return mode_.pass_over("target section not found: " + entry.target.section, {},
                             []() -> Result<SectionBlocks*> { return nullptr; });
    std::unique_ptr<SectionBlocks>& blocks = open_[section];
    if (!blocks) blocks = std::make_unique<SectionBlocks>(*section);
    return blocks.get();
  }

  SectionIndex sections_;
  const MergeMode& mode_;
  std::unordered_map<parser::SectionNode*, std::unique_ptr<SectionBlocks>> open_;
};

}  // namespace

Status validate_target_keys(const TargetSpec& target, const MergeMode& mode) {
  if (target.unknown_keys.empty()) return {};
  std::string message = "unsupported target selector key(s): ";
  bool first = true;
  for (const auto& [key, value] : target.unknown_keys) {  // std::map: byte order
    if (!first) message += ", ";
    first = false;
    message += key;
  }
  return mode.pass_over(std::move(message));
}

namespace {

struct EntryLists {
  std::vector<InjectionSpec> injections;
  std::vector<InjectionSpec> reclassify;
};

// Both lists are read in full before the document is touched, so a faulty list ends the
// merge before any entry is applied or any warning is written.
Result<EntryLists> read_entry_lists(std::string_view sidecar_text) {
  auto root = yaml_from_str_value(sidecar_text);
  if (!root) return Error::wrap("failed to parse sidecar YAML", std::move(root).error());
  auto injections = read_entry_list(root.value(), "injections");
  if (!injections)
    return Error::wrap("failed to extract injections from sidecar YAML",
                       std::move(injections).error());
  auto reclassify = read_entry_list(root.value(), "reclassify");
  if (!reclassify)
    return Error::wrap("failed to extract injections from sidecar YAML",
                       std::move(reclassify).error());
  return EntryLists{std::move(injections).value(), std::move(reclassify).value()};
}  // the loaded tree is dropped here

}  // namespace

Result<parser::Document> apply_sidecar(const parser::Document& base, std::string_view sidecar_text,
                                       bool strict, const WarningSink& warn) {
  return apply_sidecar(parser::Document(base), sidecar_text, strict, warn);
}

Result<parser::Document> apply_sidecar(parser::Document&& base, std::string_view sidecar_text,
                                       bool strict, const WarningSink& warn) {
  Result<EntryLists> lists = read_entry_lists(sidecar_text);
  if (!lists) return std::move(lists).error();
  parser::Document document = std::move(base);
  const MergeMode mode{strict, &warn};
  {
    Merge merge(document, mode);
    for (std::size_t j = 0; j < lists->reclassify.size(); ++j)
      if (Status applied = merge.apply(kReclassify, lists->reclassify[j], j); !applied)
        return std::move(applied).error();
    for (std::size_t j = 0; j < lists->injections.size(); ++j)
      if (Status applied = merge.apply(kInjection, lists->injections[j], j); !applied)
        return std::move(applied).error();
  }  // every worked-on section gets its children back here
  return document;
}

}  // namespace lorvane::inject
