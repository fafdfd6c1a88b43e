#pragma once

#include <string_view>

#include "inject/sidecar_entries.hpp"
#include "inject/merge_mode.hpp"
#include "parser/document.hpp"
#include "parser/error.hpp"

// The SIDECAR injector's entry: a BASE document and a SIDECAR text give the FINAL
// document. Pure apart from the warning lines: reads no file and keeps no state.
namespace lorvane::inject {

/// Reads both entry lists of `sidecar_text` in full, then applies every reclassify entry
/// and after them every injection entry, in list order, to a copy of `base` (which is
/// never changed), and returns the copy. Returns the first error instead: a reading
/// error under "failed to parse sidecar YAML" or "failed to extract injections from
/// sidecar YAML", an entry's error under the context that names its list, index and type
/// ("failed to apply injection #3 (figure)"). In lenient mode (`strict` false) the
/// problems that allow it are passed to `warn` as whole "WARN: ...\n" lines at the moment
/// they are met, and the merge goes on.
Result<parser::Document> apply_sidecar(const parser::Document& base, std::string_view sidecar_text,
                                       bool strict, const WarningSink& warn);

/// The same merge for a caller that no longer needs the BASE document: `base` itself
/// becomes the FINAL document, which saves copying the whole tree (the overload above
/// merges into a copy through this one). `base` is consumed whatever the outcome.
Result<parser::Document> apply_sidecar(parser::Document&& base, std::string_view sidecar_text,
                                       bool strict, const WarningSink& warn);

/// Reports the target's unknown keys, in byte order: an error in strict mode, a warning
/// line in lenient mode (after which the entry goes on). Success when there are none.
Status validate_target_keys(const TargetSpec& target, const MergeMode& mode);

}  // namespace lorvane::inject
