#include "cli/error_report.hpp"

#include <gtest/gtest.h>

namespace lorvane::cli {
namespace {

Error chain(std::string message, std::vector<std::string> causes) {
  // Build inside out, the way errors are wrapped on their way up.
  if (causes.empty()) return Error(std::move(message));
  Error inner(causes.back());
  for (std::size_t i = causes.size() - 1; i-- > 0;)
    inner = Error::wrap(causes[i], std::move(inner));
  return Error::wrap(std::move(message), std::move(inner));
}

TEST(ErrorReport, Layouts) {
  struct Case {
    const char* name;
    Error error;
    std::string want;
  };
  const Case cases[] = {
      {"no cause", chain("Line 3: Trailing whitespace is forbidden.", {}),
       "Error: Line 3: Trailing whitespace is forbidden.\n"},
      {"one cause",
       chain("failed to read input file: missing.lrv", {"No such file or directory (os error 2)"}),
       "Error: failed to read input file: missing.lrv\n"
       "\n"
       "Caused by:\n"
       "    No such file or directory (os error 2)\n"},
      {"two causes numbered from 0",
       chain("failed to apply injection #0 (figure)", {"outer", "inner"}),
       "Error: failed to apply injection #0 (figure)\n"
       "\n"
       "Caused by:\n"
       "    0: outer\n"
       "    1: inner\n"},
      {"one cause of two lines",
       chain("failed to parse sidecar YAML", {"did not find expected key\nat line 3 column 1"}),
       "Error: failed to parse sidecar YAML\n"
       "\n"
       "Caused by:\n"
       "    did not find expected key\n"
       "    at line 3 column 1\n"},
      {"numbered causes of several lines", chain("top", {"a\nb\nc", "d"}),
       "Error: top\n"
       "\n"
       "Caused by:\n"
       "    0: a\n"
       "       b\n"
       "       c\n"
       "    1: d\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(format_error_report(c.error), c.want);
  }
}

TEST(ErrorReport, NumbersStayRightAlignedInFiveColumns) {
  std::vector<std::string> causes;
  for (int i = 0; i < 12; ++i) causes.push_back("c" + std::to_string(i));
  const std::string report = format_error_report(chain("top", causes));
  EXPECT_NE(report.find("\n    9: c9\n   10: c10\n   11: c11\n"), std::string::npos) << report;
}

TEST(MessageWithPath, ShowsThePathAsTextWithInvalidBytesReplaced) {
  struct Case {
    std::string path;
    std::string want;
  };
  const Case cases[] = {
      {"dir/in.lrv", "failed: dir/in.lrv"},
      {"", "failed: "},
      {"caf\xc3\xa9/\xe2\x80\x83x", "failed: caf\xc3\xa9/\xe2\x80\x83x"},  // valid UTF-8 kept
      {"in\xff.lrv", "failed: in\xef\xbf\xbd.lrv"},
      {"\xc3(\xe2\x80", "failed: \xef\xbf\xbd(\xef\xbf\xbd"},  // cut sequences
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(with_path("failed: ", c.path), c.want);
  }
}

}  // namespace
}  // namespace lorvane::cli
