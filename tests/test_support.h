// Runs the whole program, or a piece of the runtime, on the fakes.
#pragma once

#include <cstdint>
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

inline const std::string kBannerLine = std::string(kBanner) + "\r\n";

}  // namespace brisquel
