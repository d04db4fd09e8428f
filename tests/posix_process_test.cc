#include "platform/posix/posix_process.h"

#include <errno.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fake/fake_process.h"
#include "runtime/arguments.h"
#include "runtime/start_up.h"

namespace brisquel {
namespace {

using Strings = std::vector<std::string>;

// The rebuilt line must split back into exactly the shell's arguments, so
// that a title searched for with blanks, tabs or backslashes arrives whole.
TEST(PosixProcess, CommandLineSplitsBackIntoArgv) {
  struct Case {
    const char* name;
    Strings argv;
    Strings arguments;  // what splitting the rebuilt line must give
  };
  const std::string long_blank = std::string(150, 'a') + " " + std::string(150, 'b');
  const std::vector<Case> cases = {
      {"plain", {"brisquel", "/F", "notepad"}, {"/F", "notepad"}},
      {"blank kept", {"brisquel", "/F", "Untitled - Notepad"}, {"/F", "Untitled - Notepad"}},
      {"only blanks", {"brisquel", "/F", "  "}, {"/F", "  "}},
      {"tabs", {"brisquel", "a\tb", "\t"}, {"a\tb", "\t"}},
      {"control bytes", {"brisquel", "a\x01" "b", "\r\n"}, {"a\x01" "b", "\r\n"}},
      {"backslash before a quote", {"brisquel", "C:\\dir\\", "x"}, {"C:\\dir\\", "x"}},
      {"quoted backslash at the end", {"brisquel", "C:\\my dir\\", "x"}, {"C:\\my dir\\", "x"}},
      {"empty elements dropped", {"brisquel", "", "/L", ""}, {"/L"}},
      {"embedded quotes dropped", {"brisquel", "say \"hi\"", "a\"b"}, {"say hi", "ab"}},
      {"element of quotes only dropped", {"brisquel", "\"\"", "\"", "/C"}, {"/C"}},
      {"argv[0] with a space", {"/opt/my tools/brisquel", "/C"}, {"/C"}},
      {"argv[0] with a tab and quote", {"/opt/a\"b\tc", "/M"}, {"/M"}},
      {"bytes above 127", {"brisquel", "\xA0", "x\x7F\xFF"}, {"\xA0", "x\x7F\xFF"}},
      {"long with a blank", {"brisquel", long_blank}, {long_blank}},
      {"program name alone", {"brisquel"}, {}},
      // An empty argv[0] must not let argument 1 take its place.
      {"empty argv[0]", {"", "/L"}, {"/L"}},
      {"argv[0] of quotes only", {"\"\"", "/L", "x"}, {"/L", "x"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<const char*> argv;
    for (const std::string& a : c.argv) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    FakeProcess process;
    process.command_line = CommandLineFromArgv(static_cast<int>(c.argv.size()), argv.data());
    StartRuntime(process);
    EXPECT_EQ(AllArguments(), c.arguments) << process.command_line;
    EXPECT_EQ(ArgumentCount(), static_cast<std::int32_t>(c.arguments.size()));
    for (std::size_t i = 0; i < c.arguments.size(); ++i) {
      EXPECT_EQ(Argument(static_cast<std::int32_t>(i + 1)), c.arguments[i]);
    }
  }
}

TEST(PosixProcess, WindowsErrorFromErrno) {
  struct Case {
    int error;
    std::uint32_t code;
  };
  for (const Case& c : {Case{EPIPE, 232}, Case{ENOSPC, 112}, Case{EBADF, 6}, Case{EACCES, 5},
                        Case{EPERM, 5}, Case{EFBIG, 223}, Case{EDQUOT, 1295}, Case{EIO, 1117},
                        Case{EINVAL, 31}, Case{EAGAIN, 31}, Case{0, 31}}) {
    EXPECT_EQ(WindowsErrorFromErrno(c.error), c.code) << c.error;
  }
}

}  // namespace
}  // namespace brisquel
