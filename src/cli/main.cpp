#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "cli/cli.hpp"
#include "cli/error_report.hpp"

namespace {

// Opens /dev/null on any of the three standard descriptors that the caller closed, so that
// no file the program opens later takes their place and receives its messages.
void fill_standard_descriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1) continue;
    const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened > 2) ::close(opened);  // the gap was filled by someone else: nothing to do
  }
}

}  // namespace

// The process entry: status 0 on success, 1 with the error report on standard error.
// Writing to a closed pipe must not kill the process with a signal, so a failed write
// (of help or of the report) is ignored and the status stays as it would be.
int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  fill_standard_descriptors();
  const lorvane::Status status = lorvane::cli::run_cli(argc, argv);
  if (status) return 0;
  const std::string report = lorvane::cli::format_error_report(status.error());
  if (std::fwrite(report.data(), 1, report.size(), stderr) != report.size()) return 1;
  std::fflush(stderr);
  return 1;
}
