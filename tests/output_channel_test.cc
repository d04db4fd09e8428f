#include "runtime/output_channel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fake/fake_process.h"
#include "runtime/failure_kinds.h"
#include "runtime/process_exit.h"
#include "runtime/start_up.h"

namespace brisquel {
namespace {

std::vector<std::size_t> WriteSizes(const FakeProcess& process) {
  std::vector<std::size_t> sizes;
  for (const auto& write : process.writes) sizes.push_back(write.bytes.size());
  return sizes;
}

TEST(OutputChannel, HandsOverBlocksByDeviceType) {
  struct Case {
    const char* name;
    std::uint32_t type;
    std::vector<std::string> lines;
    std::vector<std::size_t> writes_during_run;
    std::vector<std::size_t> writes_after_end;
  };
  const std::string line_300(300, 'x');
  const std::string line_60(60, 'y');
  const std::vector<Case> cases = {
      {"console gets each line at its end", kFileTypeChar, {"ab", "", "cde"}, {4, 2, 5}, {4, 2, 5}},
      {"console gets a long line as it fills", kFileTypeChar, {line_300}, {128, 128, 46}, {128, 128, 46}},
      {"pipe gets full blocks, rest at the end", kFileTypePipe, {line_60, line_60, line_60}, {128}, {128, 58}},
      {"disk file holds like a pipe", kFileTypeDisk, {line_300}, {128, 128}, {128, 128, 46}},
      {"empty text still opens and writes CR LF", kFileTypePipe, {""}, {}, {2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeProcess process;
    process.stdout_type = c.type;
    StartRuntime(process);
    for (const std::string& line : c.lines) WriteLine(line);
    EXPECT_EQ(WriteSizes(process), c.writes_during_run);
    EXPECT_EQ(ExitCodeOf([] { EndProcess(0); }), 0u);
    EXPECT_EQ(WriteSizes(process), c.writes_after_end);
    std::string all;
    for (const std::string& line : c.lines) all += line + "\r\n";
    EXPECT_EQ(process.StdOut(), all);
  }
}

TEST(OutputChannel, UnopenableOutputFailsWithCode103) {
  struct Case {
    const char* name;
    bool invalid;
    std::uint32_t type;
    int closes;
  };
  for (const Case& c : {Case{"invalid handle", true, kFileTypePipe, 0},
                        Case{"unknown file type is closed on each try", false, kFileTypeUnknown, 2}}) {
    SCOPED_TRACE(c.name);
    FakeProcess process;
    process.stdout_invalid = c.invalid;
    process.stdout_type = c.type;
    StartRuntime(process);
    try {
      WriteLine("banner");
      FAIL() << "no failure raised";
    } catch (const EInOutError& failure) {
      EXPECT_EQ(failure.IoCode(), 103);
      EXPECT_EQ(failure.Message(), "I/O error 103");
    }
    EXPECT_EQ(process.closed_handles, c.closes);
    EXPECT_TRUE(process.writes.empty());
    EXPECT_EQ(PendingIoResult(), 0);
  }
}

TEST(OutputChannel, FailedBlockIsRaisedAtTheLineThatFilledIt) {
  FakeProcess process;
  process.fail_stdout_write = 2;
  process.fail_code = 112;
  StartRuntime(process);
  const std::string line(60, 'z');  // 62 bytes with CR LF
  WriteLine(line);                  // 62 buffered
  WriteLine(line);                  // block 1 written, 124-128 buffered
  WriteLine(line);
  WriteLine(line);  // fills block 2 now: that write fails
  try {
    WriteLine(line);
    FAIL() << "no failure raised";
  } catch (const EInOutError& failure) {
    EXPECT_EQ(failure.IoCode(), 112);
    EXPECT_EQ(failure.Message(), "I/O error 112");
  }
  ASSERT_EQ(process.writes.size(), 2u);
  EXPECT_FALSE(process.writes[0].failed);
  EXPECT_TRUE(process.writes[1].failed);
  EXPECT_EQ(process.writes[0].bytes, (line + "\r\n" + line + "\r\n" + line).substr(0, 128));
}

TEST(OutputChannel, ShortWritesAreContinuedUntilAllBytesArrive) {
  FakeProcess process;
  process.stdout_type = kFileTypeChar;
  process.short_write_limit = 50;
  StartRuntime(process);
  const std::string line(120, 'q');
  WriteLine(line);
  EXPECT_EQ(process.StdOut(), line + "\r\n");
  EXPECT_EQ(WriteSizes(process), (std::vector<std::size_t>{50, 50, 22}));
}

TEST(OutputChannel, IoMessagesByCode) {
  FakeProcess process;
  StartRuntime(process);
  const std::vector<std::pair<std::int32_t, std::string>> table = {
      {2, "File not found"},      {3, "Invalid filename"},        {4, "Too many open files"},
      {5, "File access denied"},  {100, "Read beyond end of file"}, {101, "Disk full"},
      {106, "Invalid numeric input"}, {6, "I/O error 6"},          {112, "I/O error 112"},
      {232, "I/O error 232"},     {-1, "I/O error -1"},
  };
  for (const auto& [code, message] : table) {
    EXPECT_EQ(EInOutError(code, 0).Message(), message) << code;
  }
}

// The count a write reports is compared with the count given: the rest of
// a partial write is written, and a write that succeeds with 0 bytes is
// failure 29, at the line whose block it was, or at the end of the run.
TEST(OutputChannel, WriteCountsAreCompared) {
  struct Case {
    const char* name;
    std::uint32_t type;
    std::uint32_t short_limit;
    int zero_write;
    std::vector<std::size_t> sizes;  // of the stdout writes
    std::int32_t raised;             // code raised during the run; 0: none
    std::uint32_t exit_code;
    std::string err;
  };
  const std::string lost = "Exception EInOutError in module brisquel.exe at 00000000.\nI/O error 29.\r\n";
  const std::vector<Case> cases = {
      {"pipe: partial writes continued", kFileTypePipe, 50, 0, {50, 50, 28, 50, 50, 28, 50, 48}, 0, 0, ""},
      {"console: partial writes continued", kFileTypeChar, 40, 0, {40, 22, 40, 22, 40, 22, 40, 22, 40, 22, 40, 4},
       0, 0, ""},
      {"pipe: 0 bytes written during the run", kFileTypePipe, 0, 2, {128, 0}, 29, 1, ""},
      {"pipe: 0 bytes of the partial rest", kFileTypePipe, 50, 3, {50, 50, 0}, 29, 1, ""},
      {"pipe: 0 bytes at the end of the run", kFileTypePipe, 0, 3, {128, 128, 0}, 0, 1, lost},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeProcess process;
    process.stdout_type = c.type;
    process.short_write_limit = c.short_limit;
    process.zero_stdout_write = c.zero_write;
    StartRuntime(process);
    std::int32_t raised = 0;
    std::string sent;
    try {
      for (int i = 0; i < 6; ++i) {
        const std::string line(i == 5 ? 42 : 60, static_cast<char>('a' + i));
        sent += line + "\r\n";
        WriteLine(line);
      }
    } catch (const EInOutError& failure) {
      raised = failure.IoCode();
    }
    EXPECT_EQ(raised, c.raised);
    if (raised == 0) {
      EXPECT_EQ(ExitCodeOf([] { EndProcess(0); }), c.exit_code);
      if (c.exit_code == 0) {
        EXPECT_EQ(process.StdOut(), sent);
      }
    }
    std::vector<std::size_t> sizes;
    for (const auto& write : process.writes) {
      if (write.handle == FakeProcess::kStdOut) sizes.push_back(write.bytes.size());
    }
    EXPECT_EQ(sizes, c.sizes);
    EXPECT_EQ(process.StdErr(), c.err);
  }
}

}  // namespace
}  // namespace brisquel
