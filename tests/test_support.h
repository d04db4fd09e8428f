// Runs the whole program, or a piece of the runtime, on the fakes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "app/brisquel.h"
#include "platform/fake/fake_desktop.h"
#include "platform/fake/fake_process.h"
#include "platform/posix/utf8_columns.h"

namespace brisquel {

struct ProgramRun {
  std::uint32_t exit_code;
  std::string out;
  std::string err;
};

inline ProgramRun RunOn(FakeProcess& process, FakeDesktop& desktop) {
  const std::uint32_t code = ExitCodeOf([&] { RunProgram(process, desktop); });
  return {code, process.StdOut(), process.StdErr()};
}

// Fake services for command_line with standard output of the given type.
inline FakeProcess ProcessFor(const std::string& command_line, std::uint32_t stdout_type) {
  FakeProcess process;
  process.command_line = command_line;
  process.stdout_type = stdout_type;
  return process;
}

// Fake services whose texts are UTF-8, as the Linux program's are, with
// the Linux program's widths installed.
inline FakeProcess Utf8ProcessFor(const std::string& command_line, std::uint32_t stdout_type = kFileTypePipe) {
  InstallUtf8Columns(Utf8Columns());
  FakeProcess process = ProcessFor(command_line, stdout_type);
  process.code_page = kCpUtf8;
  return process;
}

inline ProgramRun RunCommand(const std::string& command_line, FakeDesktop desktop = {}) {
  FakeProcess process;
  process.command_line = command_line;
  return RunOn(process, desktop);
}

// Sets an environment variable (unsets it for a null value) for the life
// of the object, then puts back what was there.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr) setenv(name, value, 1);
    else unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_) setenv(name_, old_->c_str(), 1);
    else unsetenv(name_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

inline const std::string kBannerLine = std::string(kBanner) + "\r\n";

// Calls copy(buffer, size) on a buffer of '#' bytes and checks the copy as
// LoadStringA makes one: the count returned, the bytes up to and with the
// NUL, and the byte after them untouched.
template <typename Copy>
void ExpectBoundedCopy(Copy copy, int size, int copied, const std::string& buffer_bytes) {
  std::string buffer(1100, '#');
  ASSERT_LT(size, static_cast<int>(buffer.size()));
  EXPECT_EQ(copy(buffer.data(), size), copied);
  EXPECT_EQ(buffer.substr(0, buffer_bytes.size()), buffer_bytes);
  EXPECT_EQ(buffer[buffer_bytes.size()], '#') << "wrote past the copy";
}

}  // namespace brisquel
