#pragma once

// Small measuring helpers for the benchmark programs: wall time, peak memory of this
// process (resettable through /proc/self/clear_refs) and of a child process.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace bench {

inline double now_seconds() {
  using clock = std::chrono::steady_clock;
  return std::chrono::duration<double>(clock::now().time_since_epoch()).count();
}

/// Resets the peak resident set size of this process to its current size.
inline void reset_peak_rss() { std::ofstream("/proc/self/clear_refs") << "5"; }

/// Reads a "Vm...:" line of /proc/self/status in bytes.
inline std::size_t proc_status_bytes(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(key) + ":";
  while (std::getline(status, line))
    if (line.rfind(prefix, 0) == 0) return std::strtoull(line.c_str() + prefix.size(), nullptr, 10) * 1024;
  return 0;
}
inline std::size_t peak_rss() { return proc_status_bytes("VmHWM"); }
inline std::size_t current_rss() { return proc_status_bytes("VmRSS"); }

struct ChildRun {
  double seconds = 0;
  std::size_t peak_rss = 0;  ///< bytes
  int status = -1;
};

/// Runs `argv` as a child process with its output thrown away, through the small
/// launcher program (so the peak is the child's own, not inherited from this process).
inline ChildRun run_child(const std::vector<std::string>& argv) {
  std::string command = "'" LORVANE_BENCH_LAUNCH "'";
  for (const auto& a : argv) command += " '" + a + "'";
  ChildRun run;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  double seconds = 0;
  long long rss = 0;
  int status = -1;
  if (std::fscanf(pipe, "%lf %lld %d", &seconds, &rss, &status) == 3) {
    run.seconds = seconds;
    run.peak_rss = static_cast<std::size_t>(rss);
    run.status = status;
  }
  pclose(pipe);
  return run;
}

inline void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline double mb(std::size_t bytes) { return static_cast<double>(bytes) / 1e6; }

/// The best (smallest) of `runs` timings of `fn`.
template <typename Fn>
double best_of(int runs, Fn&& fn) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    const double start = now_seconds();
    fn();
    const double elapsed = now_seconds() - start;
    if (elapsed < best) best = elapsed;
  }
  return best;
}

}  // namespace bench
