#pragma once

// Small measuring helpers for the benchmark programs: wall time, peak memory of this
// process (resettable through /proc/self/clear_refs) and of a child process (wait4).

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

/// Runs `argv` as a child process with its output thrown away.
inline ChildRun run_child(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::fflush(nullptr);  // or the child inherits, and prints again, what is buffered
  const double start = now_seconds();
  const pid_t pid = fork();
  if (pid == 0) {
    std::freopen("/dev/null", "w", stdout);
    std::freopen("/dev/null", "w", stderr);
    execv(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  ChildRun run;
  run.seconds = now_seconds() - start;
  run.peak_rss = static_cast<std::size_t>(usage.ru_maxrss) * 1024;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
