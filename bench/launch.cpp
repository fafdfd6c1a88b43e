// Runs one command and prints "<seconds> <peak resident bytes> <exit status>" for it.
//
// The benchmarks start their children through this small program: a child forked straight
// from a benchmark that holds hundreds of megabytes of generated input would count that
// memory in its own peak (the kernel keeps the high-water mark across exec).

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    std::freopen("/dev/null", "w", stdout);
    std::freopen("/dev/null", "w", stderr);
    execv(argv[1], argv + 1);
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%.9f %lld %d\n", seconds, static_cast<long long>(usage.ru_maxrss) * 1024,
              WIFEXITED(status) ? WEXITSTATUS(status) : -1);
  return 0;
}
