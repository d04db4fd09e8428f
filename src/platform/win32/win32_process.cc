#include "platform/win32/win32_process.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX  // the C++ library may have set it already
#endif
#include <windows.h>

#include <memory>

#include "platform/fault_report.h"

namespace brisquel {
namespace {

static_assert(sizeof(HANDLE) <= sizeof(FileHandle), "a HANDLE fits the seam's handle");

// Stack kept back for the fault report when the stack overflows: the
// report is built in fixed buffers on this stack.
constexpr ULONG kReportStackReserve = 64 * 1024;

HANDLE ToHandle(FileHandle handle) { return reinterpret_cast<HANDLE>(handle); }

// Runs for every structured exception that no handler took, on the thread
// that raised it. Processor faults and raised exceptions alike go to the
// table of faults; the report ends the process, so this never returns.
LONG WINAPI ReportUnhandledException(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
  const std::uintptr_t info0 = record.NumberParameters > 0 ? record.ExceptionInformation[0] : 0;
  const std::uintptr_t info1 = record.NumberParameters > 1 ? record.ExceptionInformation[1] : 0;
  ReportFault(record.ExceptionCode, reinterpret_cast<std::uintptr_t>(record.ExceptionAddress),
              info0, info1);
}

// Out of line, so that the compiler cannot see the throw and the catch
// together.
[[gnu::noinline]] void Raise() { throw 0; }

void WarmUpThrow() {
  try {
    Raise();
  } catch (int) {
  }
}

}  // namespace

const char* Win32Process::GetCommandLineA() { return ::GetCommandLineA(); }

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16 code units");

const char16_t* Win32Process::GetCommandLineW() {
  return reinterpret_cast<const char16_t*>(::GetCommandLineW());
}

std::uint32_t Win32Process::GetModuleFileNameA(char* buffer, std::uint32_t size) {
  return ::GetModuleFileNameA(nullptr, buffer, size);
}

std::uintptr_t Win32Process::ModuleCodeBase() {
  const auto* image = reinterpret_cast<const unsigned char*>(::GetModuleHandleA(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dos->e_lfanew);
  return reinterpret_cast<std::uintptr_t>(image) + nt->OptionalHeader.BaseOfCode;
}

void Win32Process::InstallFaultHandler() {
  // Without a guarantee a stack overflow leaves the filter a few hundred
  // bytes, too little to build the report.
  ULONG reserve = kReportStackReserve;
  ::SetThreadStackGuarantee(&reserve);
  ::SetUnhandledExceptionFilter(ReportUnhandledException);
  // This C++ runtime makes the state a throw needs on the first one (the
  // thread's exception globals in emulated thread-local storage, the sorted
  // unwind tables), from the heap. One throw now, so that a failure thrown
  // when memory has run out needs none.
  WarmUpThrow();
}

FileHandle Win32Process::GetStdHandle(std::int32_t which) {
  return reinterpret_cast<FileHandle>(::GetStdHandle(static_cast<DWORD>(which)));
}

std::uint32_t Win32Process::GetFileType(FileHandle handle) {
  return ::GetFileType(ToHandle(handle));
}

bool Win32Process::GetConsoleMode(FileHandle handle, std::uint32_t* mode) {
  DWORD console_mode = 0;
  if (!::GetConsoleMode(ToHandle(handle), &console_mode)) return false;
  *mode = console_mode;
  return true;
}

bool Win32Process::WriteFile(FileHandle handle, const void* data, std::uint32_t count,
                             std::uint32_t* written) {
  DWORD done = 0;
  const BOOL ok = ::WriteFile(ToHandle(handle), data, count, &done, nullptr);
  *written = done;
  return ok != FALSE;
}

std::uint32_t Win32Process::GetLastError() { return ::GetLastError(); }

std::uint32_t Win32Process::GetACP() { return ::GetACP(); }

bool Win32Process::CloseHandle(FileHandle handle) {
  return ::CloseHandle(ToHandle(handle)) != FALSE;
}

void Win32Process::ExitProcess(std::uint32_t code) { ::ExitProcess(code); }

int Win32Process::MessageBoxA(const char* text, const char* caption, std::uint32_t style) {
  return ::MessageBoxA(nullptr, text, caption, style);
}

int Win32Process::LoadStringA(std::uint32_t id, char* buffer, int size) {
  return ::LoadStringA(::GetModuleHandleA(nullptr), id, buffer, size);
}

std::unique_ptr<ProcessServices> NewDefaultProcessServices(int, const char* const*) {
  return std::make_unique<Win32Process>();  // the command line comes from GetCommandLineA
}

// The message box's stand-in, as on Linux: caption, then text, on standard
// error, so that a batch file is never left waiting on a dialog.
void EndBeforeStartUp(int number) {
  char line[40] = "Error\r\n";
  const int length = 7 + RuntimeErrorLine(number, 0, line + 7);
  line[length] = '\r';
  line[length + 1] = '\n';
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), line, static_cast<DWORD>(length + 2), &written, nullptr);
  ::ExitProcess(static_cast<UINT>(number));
}

}  // namespace brisquel
