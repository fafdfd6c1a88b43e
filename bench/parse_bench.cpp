// Throughput and peak memory of the TEXT parser with the JSON form, in-process and, when
// the built program already has its `parse` subcommand, through `lorvane-cli parse` as a
// child process (also on sources of tiny blocks, the worst case for memory), plus the
// program's start-up time on a small source.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bench_util.hpp"
#include "parser/json.hpp"
#include "parser/text_parser.hpp"
#include "text_gen.hpp"

namespace {

struct InProcess {
  double parse_seconds = 0;  // best of the runs, parse only
  double seconds = 0;        // best of the runs, parse + JSON (freeing the tree not timed)
  std::size_t json_bytes = 0;
  std::size_t peak_bytes = 0;  // peak resident growth over the process before the input
};

std::size_t file_size(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  return ec ? 0 : static_cast<std::size_t>(size);
}

// Parses `source`; exits when it does not parse, since figures for a failing parse would
// measure nothing useful.
lorvane::parser::Document parse(const std::string& source) {
  auto document = lorvane::parser::parse_text_document(source);
  if (!document) {
    std::fprintf(stderr, "generated source does not parse: %s\n",
                 document.error().message().c_str());
    std::exit(1);
  }
  return std::move(document).value();
}

InProcess measure_in_process(std::size_t target_bytes, int runs, std::size_t* source_bytes) {
  InProcess result;
  const std::size_t before = bench::current_rss();
  std::string source = bench::generate_text_source(target_bytes);
  *source_bytes = source.size();

  // Memory first, while the allocator holds nothing from earlier runs.
  bench::reset_peak_rss();
  {
    const lorvane::parser::Document document = parse(source);
    result.json_bytes = lorvane::parser::document_to_json(document).size();
  }
  result.peak_bytes = bench::peak_rss() - before;

  result.parse_seconds = 1e300;
  result.seconds = 1e300;
  for (int run = 0; run < runs; ++run) {
    const double start = bench::now_seconds();
    std::optional<lorvane::parser::Document> document = parse(source);
    const double parsed = bench::now_seconds();
    const std::string json = lorvane::parser::document_to_json(*document);
    const double written = bench::now_seconds();
    if (json.size() != result.json_bytes) std::exit(1);
    result.parse_seconds = std::min(result.parse_seconds, parsed - start);
    result.seconds = std::min(result.seconds, written - start);
  }
  return result;
}

// A child run of the program; flushes first, since the child starts as a copy of this
// process and would print what is still buffered.
bench::ChildRun run_cli(const std::string& in, const std::string& out) {
  std::fflush(stdout);
  return bench::run_child({LORVANE_CLI, "parse", in, "-o", out});
}

// Whether the program has a working `parse`: another build may still carry a stub.
bool cli_parses(const std::string& dir) {
  const std::string in = dir + "/probe.lrv";
  const std::string out = dir + "/probe.json";
  bench::write_file(in, bench::generate_text_source(1000));
  std::filesystem::remove(out);
  const bench::ChildRun run = run_cli(in, out);
  return run.status == 0 && file_size(out) > 0;
}

constexpr std::size_t targets[2] = {10'000'000, 50'000'000};
constexpr std::size_t kSmallSource = 600;

void in_process_figures() {
  std::printf("\nparse_text_document + document_to_json, in-process (best of runs)\n");
  std::printf("%8s %10s %10s %12s %12s %12s %8s\n", "target", "input MB", "JSON MB", "parse MB/s",
              "+JSON MB/s", "peak MB", "peak/in");
  double cost_per_mb[2] = {0, 0};
  for (int t = 0; t < 2; ++t) {
    std::size_t source_bytes = 0;
    const InProcess r = measure_in_process(targets[t], t == 0 ? 5 : 3, &source_bytes);
    const double throughput = bench::mb(source_bytes) / r.seconds;
    cost_per_mb[t] = r.seconds / bench::mb(source_bytes);
    std::printf("%6zuMB %10.2f %10.2f %12.1f %12.1f %12.1f %8.2f\n", targets[t] / 1'000'000,
                bench::mb(source_bytes), bench::mb(r.json_bytes),
                bench::mb(source_bytes) / r.parse_seconds, throughput, bench::mb(r.peak_bytes),
                static_cast<double>(r.peak_bytes) / static_cast<double>(source_bytes));
  }
  std::printf("cost per MB at 50 MB / at 10 MB (parse + JSON): %.3f\n",
              cost_per_mb[1] / cost_per_mb[0]);
}

// Sources shaped to make the parser work hard, each about `bytes` long: their throughput
// must stay of the same order as that of the ordinary source.
struct Hostile {
  const char* name;
  std::string source;
};

const std::string kCover = "T\n\n Author: A\n Version: v2026.04.19\n\n";

// `head`, then "1" + `suffix`, "2" + `suffix`, ... until it is about `bytes` long.
std::string counted(std::string head, std::size_t bytes, std::string_view suffix) {
  head.reserve(bytes + 64);
  for (std::size_t k = 1; head.size() < bytes; ++k) {
    head += std::to_string(k);
    head += suffix;
  }
  return head;
}

std::vector<Hostile> hostile_sources(std::size_t bytes) {
  std::vector<Hostile> out;
  auto fill = [&](const char* name, std::string head, const std::string& unit) {
    head.reserve(bytes + unit.size());
    while (head.size() < bytes) head += unit;
    out.push_back({name, std::move(head)});
  };
  std::string long_line(9999, 'x');
  fill("line feeds only", "", "\n");
  fill("one paragraph of 10000-character lines", kCover + "1 S\n\n", long_line + "y\n");
  std::string chain = "1";
  while (chain.size() + 2 <= 9997) chain += ".1";
  fill("heading-shaped lines that are no headings", kCover + "1 S\n\n", chain + "x\n\n");
  fill("one bullet run", kCover + "1 S\n\n", "- x\n  - y\n    - z\n");
  out.push_back({"one ordered list", counted(kCover + "1 S\n\n", bytes, ") x\n")});
  out.push_back({"tiny sections", counted(kCover, bytes, " S\n\n")});
  fill("comment lines", "T\n\n", " a comment\n");
  return out;
}

void hostile_figures() {
  std::printf("\nhostile sources, parse_text_document only (best of 3)\n");
  std::printf("%-44s %10s %10s  %s\n", "source", "input MB", "MB/s", "result");
  for (const Hostile& hostile : hostile_sources(20'000'000)) {
    std::string result;
    const double seconds = bench::best_of(3, [&] {
      auto document = lorvane::parser::parse_text_document(hostile.source);
      result = document.ok() ? "parsed" : document.error().message();
    });
    if (result.size() > 60) result = result.substr(0, 57) + "...";
    std::printf("%-44s %10.2f %10.1f  %s\n", hostile.name, bench::mb(hostile.source.size()),
                bench::mb(hostile.source.size()) / seconds, result.c_str());
  }
}

// Valid sources of about `bytes` made of the smallest blocks, where the tree outweighs the
// text the most: every block costs a node of tens of bytes for a few bytes of source.
std::vector<Hostile> tiny_block_sources(std::size_t bytes) {
  std::vector<Hostile> out;
  auto fill = [&](const char* name, const std::string& unit) {
    std::string source = kCover + "1 S\n\n";
    source.reserve(bytes + unit.size());
    while (source.size() < bytes) source += unit;
    out.push_back({name, std::move(source)});
  };
  fill("one-line paragraphs", "a\n\n");
  fill("bullet items", "- a\n");
  fill("bullet items on three levels", "- a\n  - b\n    - c\n");
  out.push_back({"ordered items", counted(kCover + "1 S\n\n", bytes, ") a\n")});
  out.push_back({"empty sections", counted(kCover, bytes, " S\n\n")});
  return out;
}

// Returns false when a child run fails.
bool child_figures() {
  const std::string dir =
      (std::filesystem::temp_directory_path() / ("parse_bench." + std::to_string(getpid())))
          .string();
  std::filesystem::create_directories(dir);
  if (!cli_parses(dir)) {
    std::printf("%s has no working `parse` yet: child-process figures skipped\n", LORVANE_CLI);
    std::filesystem::remove_all(dir);
    return true;
  }

  std::printf("lorvane-cli parse IN -o OUT, child process (best of runs)\n");
  std::printf("%8s %10s %12s %12s %8s\n", "target", "input MB", "MB/s", "peak MB", "peak/in");
  for (std::size_t target : targets) {
    const std::string in = dir + "/input.lrv";
    const std::string out = dir + "/out.json";
    std::size_t source_bytes = 0;
    {
      const std::string source = bench::generate_text_source(target);
      source_bytes = source.size();
      bench::write_file(in, source);
    }
    double best = 1e300;
    std::size_t peak = 0;
    for (int run = 0; run < 3; ++run) {
      const bench::ChildRun child = run_cli(in, out);
      if (child.status != 0) {
        std::printf("child run failed with status %d\n", child.status);
        return false;
      }
      if (child.seconds < best) best = child.seconds;
      if (child.peak_rss > peak) peak = child.peak_rss;
    }
    std::printf("%6zuMB %10.2f %12.1f %12.1f %8.2f\n", target / 1'000'000, bench::mb(source_bytes),
                bench::mb(source_bytes) / best, bench::mb(peak),
                static_cast<double>(peak) / static_cast<double>(source_bytes));
  }

  std::printf("\nsources of tiny blocks, child process (one run each)\n");
  std::printf("%-32s %10s %12s %12s %8s\n", "source", "input MB", "MB/s", "peak MB", "peak/in");
  for (const Hostile& tiny : tiny_block_sources(10'000'000)) {
    const std::string in = dir + "/tiny.lrv";
    const std::string out = dir + "/tiny.json";
    bench::write_file(in, tiny.source);
    const bench::ChildRun child = run_cli(in, out);
    if (child.status != 0) {
      std::printf("child run failed with status %d\n", child.status);
      return false;
    }
    std::printf("%-32s %10.2f %12.1f %12.1f %8.2f\n", tiny.name, bench::mb(tiny.source.size()),
                bench::mb(tiny.source.size()) / child.seconds, bench::mb(child.peak_rss),
                static_cast<double>(child.peak_rss) / static_cast<double>(tiny.source.size()));
  }

  {
    const std::string in = dir + "/small.lrv";
    const std::string out = dir + "/small.json";
    // About 1 KB: the cover and the first sections.
    const std::string source = bench::generate_text_source(kSmallSource);
    bench::write_file(in, source);
    double start_up = 1e300;
    for (int run = 0; run < 200; ++run) {
      const bench::ChildRun child = run_cli(in, out);
      if (child.status != 0) std::exit(1);
      start_up = std::min(start_up, child.seconds);
    }
    std::printf("\nstart-up and parse of a %zu-byte source: %.3f ms (best of 200)\n", source.size(),
                start_up * 1e3);
  }
  std::filesystem::remove_all(dir);
  return true;
}

}  // namespace

int main() {
  if (!child_figures()) return 1;
  in_process_figures();
  hostile_figures();
  return 0;
}
