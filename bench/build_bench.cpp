// Whole `build` in project mode, as a child process: the 50 MB generated source with a
// SIDECAR of 5,000 injections and the sample project's templates and CSS; and the sample
// project written by `init` itself (start-up dominated).

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "bench_util.hpp"
#include "parser/text_parser.hpp"
#include "sidecar_gen.hpp"
#include "text_gen.hpp"

namespace fs = std::filesystem;
using namespace lorvane;

namespace {

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

int main() {
  const fs::path root = fs::temp_directory_path() / "lorvane-build-bench";
  fs::remove_all(root);
  fs::create_directories(root);

  // The sample project, written by the program itself.
  const fs::path sample = root / "sample";
  if (bench::run_child({LORVANE_CLI, "init", sample.string()}).status != 0) {
    std::fprintf(stderr, "init failed\n");
    return 1;
  }
  double best = 1e9;
  std::size_t sample_rss = 0;
  for (int i = 0; i < 100; ++i) {
    const bench::ChildRun run = bench::run_child({LORVANE_CLI, "build", sample.string()});
    if (run.status != 0) {
      std::fprintf(stderr, "sample build failed\n");
      return 1;
    }
    if (run.seconds < best) best = run.seconds;
    sample_rss = run.peak_rss;
  }
  std::printf("sample project build: best of 100 %.2f ms, peak %.1f MB\n", best * 1e3,
              bench::mb(sample_rss));

  // The large project: the sample's SIDECAR folder (templates, CSS, images) with a
  // generated input.lrv, and the sample's render: block followed by 5,000 injections.
  const fs::path big = root / "big";
  fs::create_directories(big);
  fs::copy(sample / "SIDECAR", big / "SIDECAR", fs::copy_options::recursive);
  std::vector<std::string> sections;
  std::size_t source_size = 0;
  {
    const std::string source = bench::generate_text_source(50'000'000);
    source_size = source.size();
    bench::write_file((big / "input.lrv").string(), source);
    auto parsed = parser::parse_text_document(source);
    if (!parsed) {
      std::fprintf(stderr, "cannot parse the generated source\n");
      return 1;
    }
    for (const parser::Node& node : parsed->children)
      if (const auto* section = node.get_if<parser::SectionNode>())
        sections.push_back(section->number);
  }
  const std::string settings = read_file(sample / "SIDECAR" / "sidecar.yaml");
  const std::size_t render_at = settings.find("render:");
  const std::size_t render_end = settings.find("\nreclassify:");
  const std::string sidecar = settings.substr(render_at, render_end - render_at) + "\n" +
                              bench::spread_sidecar(sections, 500, 0);
  bench::write_file((big / "SIDECAR" / "sidecar.yaml").string(), sidecar);

  for (int i = 0; i < 3; ++i) {
    const bench::ChildRun run = bench::run_child({LORVANE_CLI, "build", big.string()});
    if (run.status != 0) {
      std::fprintf(stderr, "large build failed (status %d)\n", run.status);
      return 1;
    }
    std::printf("50 MB build, 5,000 injections: %.3f s, %.1f MB/s, peak %.1f MB (%.2fx input)\n",
                run.seconds, bench::mb(source_size) / run.seconds, bench::mb(run.peak_rss),
                static_cast<double>(run.peak_rss) / static_cast<double>(source_size));
  }
  std::printf("outputs: BASE %.1f MB, FINAL %.1f MB, page %.1f MB\n",
              bench::mb(fs::file_size(big / "big.base_ast.json")),
              bench::mb(fs::file_size(big / "big.final_ast.json")),
              bench::mb(fs::file_size(big / "big.html")));
  fs::remove_all(root);
  return 0;
}
