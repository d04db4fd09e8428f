#include "runtime/out_of_memory.h"

#include <gtest/gtest.h>

#include <new>
#include <string>

#include "platform/fake/fake_process.h"
#include "runtime/failure_report.h"
#include "runtime/output_channel.h"
#include "runtime/start_up.h"

namespace brisquel {
namespace {

// A memory request that cannot be met calls the new handler; the one the
// runtime installs must end the run in the report by itself, since a throw
// would need memory.
TEST(OutOfMemory, ExhaustedRequestIsReportedWithoutAThrow) {
  struct Case {
    const char* name;
    std::uint32_t type;
    bool console_reports;
    std::string out;
    std::vector<std::string> boxes;
  };
  const std::string report = "Exception EOutOfMemory in module brisquel.exe at 00000000.\nOut of memory.";
  const std::vector<Case> cases = {
      {"pipe, after a line", kFileTypePipe, true, "first\r\n" + report + "\r\n", {}},
      {"console, after a line", kFileTypeChar, true, "first\r\n" + report + "\r\n", {}},
      {"before console reports: a message box", kFileTypePipe, false, "first\r\n", {"Application Error|" + report}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeProcess process;
    process.stdout_type = c.type;
    StartRuntime(process);
    SetConsoleReports(c.console_reports);
    WriteLine("first");
    const std::new_handler handler = std::get_new_handler();
    ASSERT_NE(handler, nullptr);
    EXPECT_EQ(ExitCodeOf(handler), 1u);
    EXPECT_EQ(process.StdOut(), c.out);
    EXPECT_EQ(process.message_boxes, c.boxes);
    EXPECT_EQ(process.StdErr(), "");
  }
  std::set_new_handler(nullptr);
}

}  // namespace
}  // namespace brisquel
