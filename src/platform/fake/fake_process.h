// In-memory process services for tests: a scripted command line, every
// write recorded with its bytes, and failures injected on request.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/process.h"

namespace brisquel {

// Thrown by FakeProcess::ExitProcess so that a test regains control.
struct FakeExit {
  std::uint32_t code;
};

// text with each byte read as the character of its value: the fakes'
// ANSI code page is ISO 8859-1, so that a text in it loses nothing in
// UTF-16 and keeps its byte-for-byte matches.
std::u16string WidenBytes(std::string_view text);

class FakeProcess : public ProcessServices {
 public:
  static constexpr FileHandle kStdOut = 101;
  static constexpr FileHandle kStdErr = 102;

  struct Write {
    FileHandle handle;
    std::string bytes;  // the bytes offered
    bool failed;
  };

  // Settings a test may change before the run.
  std::string command_line = "brisquel";
  // GetCommandLineW's answer; empty: command_line widened (WidenBytes).
  std::u16string wide_command_line;
  std::string module_path = "C:\\Tools\\brisquel.exe";
  std::uintptr_t code_base = 0x401000;
  std::uint32_t stdout_type = kFileTypePipe;
  // Whether GetConsoleMode succeeds on standard output / standard error.
  // Unset: on standard output exactly when stdout_type is a character
  // device; on standard error always.
  std::optional<bool> stdout_console;
  std::optional<bool> stderr_console;
  bool stdout_invalid = false;
  bool stderr_invalid = false;
  int fail_stdout_write = 0;  // 1-based index of the failing stdout write; 0: none
  bool fail_all_stdout_from_there = false;
  std::uint32_t fail_code = 112;
  std::uint32_t code_page = 1252;  // GetACP's answer; kCpUtf8 for the Linux program's texts
  std::uint32_t short_write_limit = 0;  // > 0: each write takes at most this many bytes
  int zero_stdout_write = 0;  // 1-based index of a stdout write that succeeds with 0 bytes; 0: none
  std::map<std::uint32_t, std::string> strings;  // string-table entries that replace or add to the program's

  // What the run did.
  std::vector<Write> writes;
  std::vector<std::string> message_boxes;  // caption + "|" + text
  int closed_handles = 0;
  int stdout_write_calls = 0;

  const char* GetCommandLineA() override { return command_line.c_str(); }
  const char16_t* GetCommandLineW() override;
  std::uint32_t GetModuleFileNameA(char* buffer, std::uint32_t size) override;
  std::uintptr_t ModuleCodeBase() override { return code_base; }
  void InstallFaultHandler() override {}
  FileHandle GetStdHandle(std::int32_t which) override;
  std::uint32_t GetFileType(FileHandle handle) override;
  bool GetConsoleMode(FileHandle handle, std::uint32_t* mode) override;
  bool WriteFile(FileHandle handle, const void* data, std::uint32_t count, std::uint32_t* written) override;
  std::uint32_t GetLastError() override { return last_error_; }
  std::uint32_t GetACP() override { return code_page; }
  bool CloseHandle(FileHandle) override {
    ++closed_handles;
    return true;
  }
  [[noreturn]] void ExitProcess(std::uint32_t code) override { throw FakeExit{code}; }
  int MessageBoxA(const char* text, const char* caption, std::uint32_t style) override;
  int LoadStringA(std::uint32_t id, char* buffer, int size) override;

  // The bytes that reached standard output / standard error.
  std::string StdOut() const;
  std::string StdErr() const;

 private:
  std::uint32_t last_error_ = 0;
  std::u16string wide_answer_;
};

// Runs f (which ends the process) and returns the exit code it ended with.
template <typename F>
std::uint32_t ExitCodeOf(F&& f) {
  try {
    f();
  } catch (const FakeExit& exit) {
    return exit.code;
  }
  return 0xFFFFFFFF;
}

}  // namespace brisquel
