// Whole-program fault sweeps through the fake services: every write of
// every mode failing in turn on every kind of standard output, a console
// that fails from some line on, standard output that cannot be opened,
// and writes that take only part of what they are offered.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "test_support.h"

namespace brisquel {
namespace {

const char* const kCommands[] = {"brisquel /F calc", "brisquel /F nothing", "brisquel /L", "brisquel /C",
                                 "brisquel"};
const std::uint32_t kTypes[] = {kFileTypePipe, kFileTypeDisk, kFileTypeChar};

// Twelve windows, each of whose titles holds "calc": /F calc matches all.
FakeDesktop TwelveWindows() {
  FakeDesktop desktop;
  for (int i = 0; i < 12; ++i) {
    desktop.windows.push_back({static_cast<WindowHandle>(i + 1), "Window number " + std::to_string(i) + " of calc",
                               "Class", 1, 2, 0});
  }
  return desktop;
}

// True when text is exactly the two-line report of an I/O failure with
// message: the place is any eight hexadecimal digits.
bool IsIoReport(const std::string& text, const std::string& message) {
  const std::string head = "Exception EInOutError in module brisquel.exe at ";
  const std::string tail = ".\n" + message + ".\r\n";
  if (text.size() != head.size() + 8 + tail.size()) return false;
  if (text.compare(0, head.size(), head) != 0 || text.compare(head.size() + 8, tail.size(), tail) != 0) return false;
  for (std::size_t i = head.size(); i < head.size() + 8; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i])) && (text[i] < 'A' || text[i] > 'F')) return false;
  }
  return true;
}

std::vector<FakeProcess::Write> StdOutWrites(const FakeProcess& process) {
  std::vector<FakeProcess::Write> writes;
  for (const FakeProcess::Write& w : process.writes) {
    if (w.handle == FakeProcess::kStdOut) writes.push_back(w);
  }
  return writes;
}

// The k-th write failing, for every k the clean run makes: exit code 1;
// the writes before it are the clean run's, byte for byte; after it come
// only the report (on standard output, or on standard error when its own
// write-out fails), before which the failed line's line end may stand.
TEST(Reliability, EveryFailedWriteOfEveryModeOnEveryOutput) {
  FakeDesktop desktop = TwelveWindows();
  for (std::uint32_t type : kTypes) {
    for (const char* command : kCommands) {
      FakeProcess clean = ProcessFor(command, type);
      const ProgramRun good = RunOn(clean, desktop);
      ASSERT_TRUE(good.err.empty());
      const std::vector<FakeProcess::Write> good_writes = StdOutWrites(clean);
      const int total = clean.stdout_write_calls;
      ASSERT_GT(total, 0);
      for (int k = 1; k <= total; ++k) {
        SCOPED_TRACE(std::string(command) + ", type " + std::to_string(type) + ", failing write " +
                     std::to_string(k));
        FakeProcess process = ProcessFor(command, type);
        process.fail_stdout_write = k;
        const ProgramRun run = RunOn(process, desktop);
        EXPECT_EQ(run.exit_code, 1u);
        const std::vector<FakeProcess::Write> writes = StdOutWrites(process);
        ASSERT_GE(writes.size(), static_cast<std::size_t>(k));
        for (int w = 0; w < k - 1; ++w) {
          EXPECT_EQ(writes[w].bytes, good_writes[w].bytes) << "write " << w + 1;
          EXPECT_FALSE(writes[w].failed);
        }
        EXPECT_TRUE(writes[k - 1].failed);
        EXPECT_EQ(writes[k - 1].bytes, good_writes[k - 1].bytes);
        std::string after;
        for (std::size_t w = static_cast<std::size_t>(k); w < writes.size(); ++w) {
          EXPECT_FALSE(writes[w].failed);
          after += writes[w].bytes;
        }
        std::string report_text = after + run.err;
        if (report_text.rfind("\r\n", 0) == 0) report_text.erase(0, 2);
        EXPECT_TRUE(IsIoReport(report_text, "I/O error 112")) << report_text;
        // One report, in one place.
        EXPECT_TRUE(after.empty() || run.err.empty());
      }
    }
  }
}

// A console that accepts lines up to some line and fails on every write
// from there: one report, on standard error, exit code 1, no retry loop.
TEST(Reliability, ConsoleFailingFromLineN) {
  FakeDesktop desktop = TwelveWindows();
  for (const char* command : kCommands) {
    FakeProcess clean = ProcessFor(command, kFileTypeChar);
    RunOn(clean, desktop);
    for (int n = 1; n <= clean.stdout_write_calls; ++n) {
      SCOPED_TRACE(std::string(command) + ", failing from line " + std::to_string(n));
      FakeProcess process = ProcessFor(command, kFileTypeChar);
      process.fail_stdout_write = n;
      process.fail_all_stdout_from_there = true;
      const ProgramRun run = RunOn(process, desktop);
      EXPECT_EQ(run.exit_code, 1u);
      std::string before;
      for (int w = 0; w < n - 1; ++w) before += clean.writes[static_cast<std::size_t>(w)].bytes;
      EXPECT_EQ(run.out, before);
      EXPECT_TRUE(IsIoReport(run.err, "I/O error 112")) << run.err;
      // The failed line and the report's own attempt: no more.
      EXPECT_EQ(process.stdout_write_calls, n + 1);
    }
  }
}

// Standard output that cannot be opened, as an invalid handle or as a
// handle of unknown type: nothing reaches it, the report of I/O error 103
// goes to standard error, exit code 1. With standard error unusable too
// the run is silent and still ends with 1.
TEST(Reliability, StandardOutputThatCannotBeOpened) {
  struct Case {
    const char* name;
    bool invalid;
    std::uint32_t type;
    bool stderr_invalid;
    bool want_report;
    int want_closed;
  };
  const Case cases[] = {
      {"invalid handle", true, kFileTypePipe, false, true, 0},
      {"unknown type", false, kFileTypeUnknown, false, true, 1},
      {"invalid handle, invalid standard error", true, kFileTypePipe, true, false, 0},
  };
  FakeDesktop desktop = TwelveWindows();
  for (const Case& c : cases) {
    for (const char* command : kCommands) {
      SCOPED_TRACE(std::string(c.name) + ", " + command);
      FakeProcess process;
      process.command_line = command;
      process.stdout_invalid = c.invalid;
      process.stdout_type = c.type;
      process.stderr_invalid = c.stderr_invalid;
      const ProgramRun run = RunOn(process, desktop);
      EXPECT_EQ(run.exit_code, 1u);
      EXPECT_EQ(process.stdout_write_calls, 0);
      EXPECT_EQ(run.out, "");
      if (c.want_report) {
        EXPECT_TRUE(IsIoReport(run.err, "I/O error 103")) << run.err;
      } else {
        EXPECT_EQ(run.err, "");
      }
      // The banner's line is the only one tried: the mode never runs.
      EXPECT_TRUE(desktop.calls.empty() || desktop.calls.front() != "Find");
      // Each failed opening of an unknown type closes the handle it got:
      // the banner's text, its line end, the report's text and line end.
      EXPECT_EQ(process.closed_handles, c.want_closed * 4);
      desktop.calls.clear();
    }
  }
}

// A system that takes only part of each write: every byte still arrives,
// in order, and the run ends as it would have.
TEST(Reliability, PartialWritesLoseNothing) {
  FakeDesktop desktop = TwelveWindows();
  for (std::uint32_t type : kTypes) {
    for (const char* command : kCommands) {
      FakeProcess clean = ProcessFor(command, type);
      const ProgramRun good = RunOn(clean, desktop);
      for (std::uint32_t limit : {1u, 7u, 127u}) {
        SCOPED_TRACE(std::string(command) + ", type " + std::to_string(type) + ", at most " +
                     std::to_string(limit) + " bytes a write");
        FakeProcess process = ProcessFor(command, type);
        process.short_write_limit = limit;
        const ProgramRun run = RunOn(process, desktop);
        EXPECT_EQ(run.exit_code, good.exit_code);
        EXPECT_EQ(run.out, good.out);
        EXPECT_EQ(run.err, "");
      }
    }
  }
}

// The system's code is looked up as it is: the codes with messages of
// their own, and one without.
TEST(Reliability, FailureCodesGiveTheirMessages) {
  struct Case {
    std::uint32_t code;
    const char* message;
  };
  const Case cases[] = {{2, "File not found"},   {3, "Invalid filename"},       {4, "Too many open files"},
                        {5, "File access denied"}, {100, "Read beyond end of file"}, {101, "Disk full"},
                        {106, "Invalid numeric input"}, {232, "I/O error 232"},   {0xFFFFFFFF, "I/O error -1"}};
  FakeDesktop desktop = TwelveWindows();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    FakeProcess process;
    process.command_line = "brisquel /L";
    process.stdout_type = kFileTypeChar;
    process.fail_stdout_write = 2;
    process.fail_code = c.code;
    const ProgramRun run = RunOn(process, desktop);
    EXPECT_EQ(run.exit_code, 1u);
    EXPECT_TRUE(IsIoReport(run.out.substr(kBannerLine.size()), c.message)) << run.out;
  }
}

}  // namespace
}  // namespace brisquel
