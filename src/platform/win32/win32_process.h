// Process services on kernel32 and user32: each call goes straight to the
// Windows call of the same name.
#pragma once

#include <cstdint>

#include "platform/process.h"

namespace brisquel {

class Win32Process final : public ProcessServices {
 public:
  const char* GetCommandLineA() override;
  const char16_t* GetCommandLineW() override;
  std::uint32_t GetModuleFileNameA(char* buffer, std::uint32_t size) override;
  // The program's image base plus the BaseOfCode of its PE header.
  std::uintptr_t ModuleCodeBase() override;
  // An unhandled-exception filter that hands every structured exception
  // nothing else handled to ReportFault.
  void InstallFaultHandler() override;
  FileHandle GetStdHandle(std::int32_t which) override;
  std::uint32_t GetFileType(FileHandle handle) override;
  bool GetConsoleMode(FileHandle handle, std::uint32_t* mode) override;
  bool WriteFile(FileHandle handle, const void* data, std::uint32_t count,
                 std::uint32_t* written) override;
  std::uint32_t GetLastError() override;
  std::uint32_t GetACP() override;
  bool CloseHandle(FileHandle handle) override;
  [[noreturn]] void ExitProcess(std::uint32_t code) override;
  int MessageBoxA(const char* text, const char* caption, std::uint32_t style) override;
  // Loads from the program's own string-table resource.
  int LoadStringA(std::uint32_t id, char* buffer, int size) override;
};

}  // namespace brisquel
