#include <gtest/gtest.h>

#include <string>

#include "platform/fake/fake_process.h"
#include "platform/fault_report.h"
#include "runtime/failure_kinds.h"
#include "runtime/failure_report.h"
#include "runtime/fault_table.h"
#include "runtime/output_channel.h"
#include "runtime/process_exit.h"
#include "runtime/start_up.h"

namespace brisquel {
namespace {

constexpr std::uint32_t kTestMessage = 900;

// A failure kind with a message of the test's choosing.
class ETest : public Exception {
 public:
  explicit ETest(std::uintptr_t place) : Exception(static_cast<MessageId>(kTestMessage), {}, place) {}
  const char* KindName() const override { return "ETest"; }
};

struct Reported {
  std::uint32_t code;
  std::string out;
  std::string err;
};

template <typename Setup, typename Raise>
Reported Report(Setup setup, Raise raise) {
  FakeProcess process;
  setup(process);
  StartRuntime(process);
  SetConsoleReports(true);
  const std::uint32_t code = ExitCodeOf(raise);
  return {code, process.StdOut(), process.StdErr()};
}

TEST(FailureReport, TwoLinesWithKindModulePlaceAndMessage) {
  struct Case {
    const char* name;
    std::string module_path;
    std::string message;
    std::uintptr_t place;  // relative to the fake's code base; 0: none
    std::string want;
  };
  const std::string long_name(70, 'm');
  const Case cases[] = {
      {"message gets a dot", "C:\\Tools\\brisquel.exe", "Disk gone", 0x1A2B,
       "Exception ETest in module brisquel.exe at 00001A2B.\nDisk gone.\r\n"},
      {"no second dot", "C:\\Tools\\brisquel.exe", "Ends here.", 0x10,
       "Exception ETest in module brisquel.exe at 00000010.\nEnds here.\r\n"},
      {"empty message, empty second line", "brisquel.exe", "", 0,
       "Exception ETest in module brisquel.exe at 00000000.\n\r\n"},
      {"module name cut to 63", "C:\\x\\" + long_name, "M", 0,
       "Exception ETest in module " + long_name.substr(0, 63) + " at 00000000.\nM.\r\n"},
      {"posix path", "/usr/bin/brisquel", "M", 0, "Exception ETest in module brisquel at 00000000.\nM.\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Reported r = Report(
        [&](FakeProcess& p) {
          p.module_path = c.module_path;
          p.strings[kTestMessage] = c.message;
        },
        [&] {
          const std::uintptr_t place = c.place ? 0x401000 + c.place : 0;
          ReportFailure(ETest(place), place);
        });
    EXPECT_EQ(r.code, 1u);
    EXPECT_EQ(r.out, c.want);
    EXPECT_EQ(r.err, "");
  }
}

TEST(FailureReport, InOutErrorFromCheckIoResult) {
  const Reported r = Report([](FakeProcess& p) { p.stdout_type = kFileTypeChar; p.fail_stdout_write = 1; p.fail_code = 6; },
                            [] {
                              try {
                                WriteLine("lost");
                              } catch (const Exception& failure) {
                                EXPECT_NE(failure.Place(), 0u);
                                ReportFailure(failure, 0);
                              }
                            });
  EXPECT_EQ(r.code, 1u);
  EXPECT_EQ(r.out, "Exception EInOutError in module brisquel.exe at 00000000.\nI/O error 6.\r\n");
}

TEST(FailureReport, GoesToStandardErrorWhenStandardOutputFails) {
  const std::string report = "Exception EInOutError in module brisquel.exe at 00000000.\nI/O error 112.\r\n";
  struct Case {
    const char* name;
    std::uint32_t type;
    bool invalid;
    bool stderr_invalid;
    std::string want_err;
  };
  const Case cases[] = {
      {"console whose writes keep failing", kFileTypeChar, false, false, report},
      {"file whose final write-out fails", kFileTypeDisk, false, false, report},
      {"invalid standard output", kFileTypePipe, true, false,
       "Exception EInOutError in module brisquel.exe at 00000000.\nI/O error 103.\r\n"},
      {"both unwritable: silent, still exit code 1", kFileTypeChar, false, true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Reported r = Report(
        [&](FakeProcess& p) {
          p.stdout_type = c.type;
          p.stdout_invalid = c.invalid;
          p.stderr_invalid = c.stderr_invalid;
          p.fail_stdout_write = 1;
          p.fail_all_stdout_from_there = true;
        },
        [] {
          try {
            WriteLine("line");
            EndProcess(0);
          } catch (const Exception& failure) {
            ReportFailure(failure, 0);
          }
        });
    EXPECT_EQ(r.code, 1u);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, c.want_err);
  }
}

TEST(FailureReport, LostFinalWriteOutIsAFailure) {
  const Reported r = Report(
      [](FakeProcess& p) {
        p.fail_stdout_write = 1;
        p.fail_code = 232;
      },
      [] {
        WriteLine("short");
        EndProcess(0);
      });
  EXPECT_EQ(r.code, 1u);
  EXPECT_EQ(r.err, "Exception EInOutError in module brisquel.exe at 00000000.\nI/O error 232.\r\n");
}

TEST(FailureReport, MessageBoxBeforeConsoleReports) {
  FakeProcess process;
  process.strings[kTestMessage] = "Boxed";
  StartRuntime(process);
  EXPECT_EQ(ExitCodeOf([] { ReportFailure(ETest(0), 0); }), 1u);
  ASSERT_EQ(process.message_boxes.size(), 1u);
  EXPECT_EQ(process.message_boxes[0],
            "Application Error|Exception ETest in module brisquel.exe at 00000000.\nBoxed.");
  EXPECT_TRUE(process.writes.empty());
}

TEST(FailureReport, FaultsByExceptionCode) {
  struct Case {
    std::uint32_t code;
    std::uintptr_t info0, info1;
    std::string want;
  };
  const std::string head = " in module brisquel.exe at 00000234.\n";
  const Case cases[] = {
      {0xC0000005, 0, 0, "Exception EAccessViolation" + head + "Access violation at address 00401234. Read of address 00000000.\r\n"},
      {0xC0000005, 1, 0xBEEF, "Exception EAccessViolation" + head + "Access violation at address 00401234. Write of address 0000BEEF.\r\n"},
      {0xC000008C, 0, 0, "Exception ERangeError" + head + "Range check error.\r\n"},
      {0xC000008D, 0, 0, "Exception EUnderflow" + head + "Floating point underflow.\r\n"},
      {0xC000008E, 0, 0, "Exception EZeroDivide" + head + "Floating point division by zero.\r\n"},
      {0xC000008F, 0, 0, "Exception EInvalidOp" + head + "Invalid floating point operation.\r\n"},
      {0xC0000091, 0, 0, "Exception EOverflow" + head + "Floating point overflow.\r\n"},
      {0xC0000094, 0, 0, "Exception EDivByZero" + head + "Division by zero.\r\n"},
      {0xC0000095, 0, 0, "Exception EIntOverflow" + head + "Integer overflow.\r\n"},
      {0xC0000096, 0, 0, "Exception EPrivilege" + head + "Privileged instruction.\r\n"},
      {0xC00000FD, 0, 0, "Exception EStackOverflow" + head + "Stack overflow.\r\n"},
      {0xC000013A, 0, 0, "Exception EControlC" + head + "Control-C hit.\r\n"},
      {0xC000001D, 0, 0, "Exception EExternalException" + head + "External exception C000001D.\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.want);
    const Reported r = Report([](FakeProcess&) {}, [&] { ReportFault(c.code, 0x401234, c.info0, c.info1); });
    EXPECT_EQ(r.code, 1u);
    EXPECT_EQ(r.out, c.want);
  }
}

TEST(FailureReport, RuntimeErrorLine) {
  struct Case {
    int number;
    std::uint32_t offset;
    std::string want;
  };
  for (const Case& c : {Case{203, 0x1A2B, "Runtime error 203 at 00001A2B"}, Case{5, 0, "Runtime error   5 at 00000000"},
                        Case{216, 0xFFFFFFFF, "Runtime error 216 at FFFFFFFF"}}) {
    char line[32];
    EXPECT_EQ(RuntimeErrorLine(c.number, c.offset, line), 29);
    EXPECT_EQ(std::string(line), c.want);
  }
  const std::pair<std::uint32_t, int> numbers[] = {{0xC0000005, 216}, {0xC000008C, 201}, {0xC0000090, 207},
                                                   {0xC0000094, 200}, {0xC00000FD, 202}, {0x12345678, 217}};
  for (const auto& [code, number] : numbers) EXPECT_EQ(RuntimeErrorNumber(code), number) << std::hex << code;
}

}  // namespace
}  // namespace brisquel
