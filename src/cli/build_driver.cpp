#include "cli/build_driver.hpp"

#include <cstdio>
#include <string_view>

#include "cli/error_report.hpp"
#include "cli/heap.hpp"
#include "cli/outputs.hpp"
#include "cli/platform.hpp"
#include "inject/apply_sidecar.hpp"
#include "parser/text.hpp"
#include "parser/text_parser.hpp"
#include "render/file_io.hpp"
#include "render/page.hpp"

namespace lorvane::cli {
namespace {

Error add_canonicalize_sidecar_context(Error cause, const std::string& typed) {
  return Error::wrap(with_path("failed to canonicalize SIDECAR file: ", typed), std::move(cause));
}
Error add_write_base_json_context(Error cause, const std::string& path) {
  return Error::wrap(with_path("failed to write BASE AST JSON: ", path), std::move(cause));
}
Error add_chdir_context(Error cause, const std::string& path) {
  return Error::wrap(with_path("failed to change working directory to: ", path), std::move(cause));
}
Error add_read_sidecar_context(Error cause, const std::string& path) {
  return Error::wrap(with_path("failed to read SIDECAR file: ", path), std::move(cause));
}
Error add_restore_cwd_context(Error cause, const std::string& path) {
  return Error::wrap(with_path("failed to restore previous working directory: ", path),
                     std::move(cause));
}
Error add_write_final_json_context(Error cause, const std::string& path) {
  return Error::wrap(with_path("failed to write FINAL AST JSON: ", path), std::move(cause));
}
Error add_write_html_context(Error cause, const std::string& path) {
  return Error::wrap(with_path("failed to write output HTML file: ", path), std::move(cause));
}
Error add_getcwd_context(Error cause) {
  return Error::wrap("failed to get current working directory", std::move(cause));
}

Result<BuildPlan> resolve_project_plan(const BuildArgs& args) {
  // P1: tested before anything is read.
  if (args.sidecar)
    return Error(
        "--sidecar is not allowed in project mode; use the project's SIDECAR/sidecar.yaml "
        "instead.");
  // P2
  Result<std::string> project_dir = canonicalize(args.input);
  if (!project_dir)
    return Error::wrap(with_path("failed to canonicalize project directory: ", args.input),
                       std::move(project_dir).error());
  // P3
  const std::optional<std::string> project_name = last_component(*project_dir);
  if (!project_name || !text::is_valid_utf8(*project_name))
    return Error("invalid project directory name");
  // P4: only existence is tested; a directory of that name fails when it is read.
  BuildPlan plan;
  plan.input = join_path(*project_dir, "input.lrv");
  if (!path_exists(plan.input))
    return Error(with_path("project mode expects input.lrv in directory: ", *project_dir));
  // P5
  const std::string sidecar = join_path(join_path(*project_dir, "SIDECAR"), "sidecar.yaml");
  if (path_exists(sidecar)) plan.sidecar = sidecar;
  // P6
  plan.out = args.o ? *args.o : join_path(*project_dir, *project_name + ".html");
  plan.base_json =
      args.base_json ? *args.base_json : join_path(*project_dir, *project_name + ".base_ast.json");
  plan.final_json = args.final_json ? *args.final_json
                                    : join_path(*project_dir, *project_name + ".final_ast.json");
  // P7
  plan.work_dir = *project_dir;
  plan.strict = !args.no_strict;
  return plan;
}

Result<BuildPlan> resolve_file_plan(const BuildArgs& args) {
  // F1
  if (!path_exists(args.input)) return Error(with_path("input file does not exist: ", args.input));
  // F2
  Result<std::string> input = canonicalize(args.input);
  if (!input)
    return Error::wrap(with_path("failed to canonicalize input file: ", args.input),
                       std::move(input).error());
  // F3
  if (!args.o) return Error("-o/--o is required in file mode");
  BuildPlan plan;
  plan.input = *input;
  // F4: the work directory holds the SIDECAR/ folder of the SIDECAR file.
  plan.work_dir = parent_or_current_dir(plan.input);
  if (args.sidecar) {
    Result<std::string> sidecar = canonicalize(*args.sidecar);
    if (!sidecar)
      return add_canonicalize_sidecar_context(std::move(sidecar).error(), *args.sidecar);
    plan.sidecar = *sidecar;
    if (const auto dir = parent_path(*sidecar)) {
      if (const auto above = parent_path(*dir)) plan.work_dir = *above;
    }
  }
  // F5
  plan.out = *args.o;
  plan.base_json = args.base_json;
  plan.final_json = args.final_json;
  plan.strict = !args.no_strict;
  return plan;
}

void write_warning(std::string_view line) {
  // Standard error is unbuffered: each warning is out before a later error report.
  std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace

std::string parent_or_current_dir(const std::string& path) {
  return parent_path(path).value_or(".");
}

Result<BuildPlan> resolve_build_plan(const BuildArgs& args) {
  return is_directory(args.input) ? resolve_project_plan(args) : resolve_file_plan(args);
}

Result<std::string> render_in_work_dir(const std::string& work_dir,
                                       const parser::Document& document) {
  Result<std::string> previous = current_directory();
  if (!previous) return add_getcwd_context(std::move(previous).error());
  if (Status changed = change_directory(work_dir); !changed)
    return add_chdir_context(std::move(changed).error(), work_dir);
  std::string page = render::render_document_html(document);
  if (Status restored = change_directory(*previous); !restored)
    return add_restore_cwd_context(std::move(restored).error(), *previous);
  return page;
}

Status run_build_plan(const BuildPlan& plan) {
  // S1, S2
  parser::Document base;
  {
    Result<std::string> source = render::read_text_file(plan.input);
    if (!source)
      return Error::wrap(with_path("failed to read input file: ", plan.input),
                         std::move(source).error());
    prepare_heap_for_input(source->size());
    Result<parser::Document> parsed = parser::parse_text_document(*source);
    if (!parsed) return std::move(parsed).error();
    base = std::move(parsed).value();
  }
  // S3
  if (plan.base_json) {
    if (Status written = write_document_json_file(*plan.base_json, base); !written)
      return add_write_base_json_context(std::move(written).error(), *plan.base_json);
  }
  // S4, S5
  Result<std::string> previous = current_directory();
  if (!previous) return add_getcwd_context(std::move(previous).error());
  if (Status changed = change_directory(plan.work_dir); !changed)
    return add_chdir_context(std::move(changed).error(), plan.work_dir);
  // S6: BASE is not needed after this step (its JSON is written), so it is handed over
  // and becomes FINAL, instead of being copied.
  Result<parser::Document> final_doc = [&]() -> Result<parser::Document> {
    if (!plan.sidecar) return std::move(base);
    Result<std::string> sidecar_text = render::read_text_file(*plan.sidecar);
    if (!sidecar_text)
      return add_read_sidecar_context(std::move(sidecar_text).error(), *plan.sidecar);
    prepare_heap_for_input(sidecar_text->size());  // a no-op when the source already did
    return inject::apply_sidecar(std::move(base), *sidecar_text, plan.strict, write_warning);
  }();
  // S7: the restore decides first; its failure replaces whatever S6 gave.
  if (Status restored = change_directory(*previous); !restored)
    return add_restore_cwd_context(std::move(restored).error(), *previous);
  // S8
  if (!final_doc) return std::move(final_doc).error();
  // S9
  if (plan.final_json) {
    if (Status written = write_document_json_file(*plan.final_json, *final_doc); !written)
      return add_write_final_json_context(std::move(written).error(), *plan.final_json);
  }
  // S10
  Result<std::string> page = render_in_work_dir(plan.work_dir, *final_doc);
  keep_until_exit(std::move(final_doc).value());
  if (!page) return std::move(page).error();
  // S11
  if (Status written = write_file(plan.out, *page); !written)
    return add_write_html_context(std::move(written).error(), plan.out);
  return {};
}

Status run_build(const BuildArgs& args) {
  Result<BuildPlan> plan = resolve_build_plan(args);
  if (!plan) return std::move(plan).error();
  return run_build_plan(*plan);
}

}  // namespace lorvane::cli
