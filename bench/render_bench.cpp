// Render throughput and memory: a 50 MB TEXT source (text_gen.hpp) as a document tree,
// rendered with the built-in templates and with the sample project's templates and CSS.
// Reports MB/s of TEXT input for the render alone and the render's peak memory beyond
// the tree, as a multiple of the input size. Also times hostile documents.
//
//   render_bench [MEGABYTES] [main]     ("main": skip the hostile documents)

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "bench_util.hpp"
#include "parser/document.hpp"
#include "render/page.hpp"
#include "render/templates.hpp"
#include "text_gen.hpp"

namespace {

using namespace lorvane;
using parser::Node;
using parser::NodeList;

// The document tree of a source written by generate_text_source, built the way the TEXT
// parser builds it (title, subtitle, cover metadata, flat sections with paragraphs and
// lists). The generator's layout is fixed, so a line reader of a few rules suffices.
parser::Document document_from_generated_source(std::string_view source) {
  std::vector<std::string_view> lines;
  for (std::size_t pos = 0; pos <= source.size();) {
    const std::size_t nl = source.find('\n', pos);
    const std::size_t end = nl == std::string_view::npos ? source.size() : nl;
    lines.push_back(source.substr(pos, end - pos));
    pos = end + 1;
  }
  parser::Document d;
  d.title = std::string(lines[0]);
  d.subtitle = std::string(lines[1]);
  std::size_t i = 3;
  for (; !lines[i].empty(); ++i) {
    const std::string_view line = lines[i].substr(1);
    const std::size_t colon = line.find(": ");
    if (colon == std::string_view::npos)
      d.metadata["_comments"] = std::string(line);
    else
      d.metadata[std::string(line.substr(0, colon))] = std::string(line.substr(colon + 2));
  }
  d.cover = parser::DocumentCover{d.title, *d.subtitle, "", d.metadata};

  parser::SectionNode* section = nullptr;
  std::size_t block = 0;
  for (; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (line.empty()) continue;
    // Headings begin with their number; ordered items with "1) ".
    if (line[0] >= '1' && line[0] <= '9' && line[1] != ')') {
      const std::size_t space = line.find(' ');
      parser::SectionNode s;
      s.number = std::string(line.substr(0, space));
      s.title = std::string(line.substr(space + 1));
      s.level =
          static_cast<std::uint8_t>(1 + std::count(s.number.begin(), s.number.end() - 1, '.'));
      std::string id = s.number;
      if (id.back() == '.') id.pop_back();
      s.node_id = "sec-" + id;
      s.source = parser::SourceLocation{i + 1};
      d.children.push_back(std::move(s));
      section = d.children.back().get_if<parser::SectionNode>();
      block = 0;
      continue;
    }
    const std::string block_id = std::to_string(block++);
    if (line.size() > 3 && line[1] == ')') {
      parser::OrderedListNode list;
      for (; i < lines.size() && !lines[i].empty(); ++i)
        list.items.push_back({std::string(lines[i].substr(3)), {}, "li"});
      list.node_id = "ol-" + section->number + "-" + block_id;
      section->children.push_back(std::move(list));
    } else if (line.rfind("- ", 0) == 0) {
      parser::BulletListNode list;
      for (; i < lines.size() && !lines[i].empty(); ++i) {
        const std::string_view l = lines[i];
        const std::size_t indent = l.find('-');
        parser::ListItemNode item{std::string(l.substr(indent + 2)), {}, "li"};
        std::vector<parser::ListItemNode>* into = &list.items;
        for (std::size_t depth = 0; depth < indent / 2; ++depth) into = &into->back().children;
        into->push_back(std::move(item));
      }
      list.node_id = "bl-" + section->number + "-" + block_id;
      section->children.push_back(std::move(list));
    } else {
      std::string text(line);
      for (++i; i < lines.size() && !lines[i].empty(); ++i) {
        text += '\n';
        text += lines[i];
      }
      section->children.push_back(
          parser::ParagraphNode{std::move(text), "p-" + section->number + "-" + block_id});
    }
  }
  return d;
}

/// A temporary directory made current for the duration of one measurement.
class WorkDir {
 public:
  WorkDir() {
    dir_ = std::filesystem::temp_directory_path() /
           ("lorvane-render-bench-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
  }
  ~WorkDir() {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(dir_);
  }
  const std::filesystem::path& path() const { return dir_; }

 private:
  std::filesystem::path dir_;
  std::filesystem::path previous_;
};

/// The sample project's SIDECAR folder (its templates and CSS are used), as `init` writes it.
std::filesystem::path sample_sidecar() {
  return std::filesystem::path(__FILE__).parent_path().parent_path() / "src/cli/sample/SIDECAR";
}

void measure(const char* name, const parser::Document& document, std::size_t input_bytes,
             const std::filesystem::path& sidecar) {
  WorkDir work;
  if (!sidecar.empty()) {
    std::filesystem::create_directories(work.path() / "SIDECAR");
    for (const char* part : {"templates", "css"})
      std::filesystem::copy(sidecar / part, work.path() / "SIDECAR" / part,
                            std::filesystem::copy_options::recursive);
  }
  std::size_t page_bytes = 0;
  const std::size_t before = bench::current_rss();
  bench::reset_peak_rss();
  {
    const std::string page = render::render_document_html(document);
    page_bytes = page.size();
  }
  const std::size_t peak = bench::peak_rss() - before;
  const double seconds = bench::best_of(3, [&] {
    const std::string page = render::render_document_html(document);
    if (page.size() != page_bytes) std::abort();
  });
  std::printf(
      "%-32s %7.1f MB/s %6.3f s  page %6.1f MB  peak %6.1f MB = %5.2fx input (%5.1f MB beyond the "
      "page)\n",
      name, bench::mb(input_bytes) / seconds, seconds, bench::mb(page_bytes), bench::mb(peak),
      static_cast<double>(peak) / static_cast<double>(input_bytes),
      peak > page_bytes ? bench::mb(peak - page_bytes) : 0.0);
}

Node paragraph(std::string text) { return parser::ParagraphNode{std::move(text), "p"}; }

parser::Document one_section(NodeList children) {
  parser::Document d;
  d.title = "Hostile";
  parser::SectionNode s;
  s.number = "1.";
  s.title = "Only";
  s.level = 1;
  s.node_id = "sec-1";
  s.children = std::move(children);
  d.children.push_back(std::move(s));
  return d;
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 50;
  const std::string source = bench::generate_text_source(megabytes * 1000 * 1000);
  const parser::Document document = document_from_generated_source(source);
  std::printf("TEXT source %.1f MB, %zu sections\n", bench::mb(source.size()),
              document.children.size());

  measure("built-in templates", document, source.size(), {});
  const std::filesystem::path sample = sample_sidecar();
  if (sample.empty())
    std::printf("sample templates not found\n");
  else
    measure("sample templates and CSS", document, source.size(), sample);

  if (argc > 2 && std::string_view(argv[2]) == "main") return 0;
  // Hostile shapes, each about the size of the source.
  const std::size_t n = source.size();
  measure("one paragraph of the whole size", one_section({paragraph(std::string(n, 'a'))}), n, {});
  {
    std::string braces;
    braces.reserve(n);
    while (braces.size() + 12 < n) braces += "{CSS_RESET} ";
    measure("paragraph full of placeholders", one_section({paragraph(braces)}), n, {});
  }
  {
    parser::TableNode table;
    table.data_source.reserve(n);
    while (table.data_source.size() + 10 < n) table.data_source += "a,b,c,d,e\n";
    measure("one table of the whole size", one_section({std::move(table)}), n, {});
  }
  {
    // Admonitions nested far below the template bound, one short paragraph each.
    Node node = paragraph("leaf");
    std::size_t levels = 0;
    for (; levels < n / 100; ++levels) {
      parser::AdmonitionNode a;
      a.level = "note";
      a.children.push_back(paragraph("a deep paragraph of some forty-six characters."));
      a.children.push_back(std::move(node));
      node = std::move(a);
    }
    std::printf("(%zu nested admonitions)\n", levels);
    measure("deeply nested admonitions", one_section({std::move(node)}), levels * 46, {});
  }
  return 0;
}
