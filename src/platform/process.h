// The process services the program needs from its operating system. Each
// call mirrors the Windows call of the same name (arguments, buffers and
// results), so the Windows backend is a pass-through and every other
// backend imitates Windows.
#pragma once

#include <cstdint>
#include <memory>

namespace brisquel {

// An operating-system handle, as wide as a pointer.
using FileHandle = std::uintptr_t;

inline constexpr FileHandle kInvalidHandleValue = ~FileHandle{0};
inline constexpr std::int32_t kStdOutputHandle = -11;
inline constexpr std::int32_t kStdErrorHandle = -12;

inline constexpr std::uint32_t kFileTypeUnknown = 0;
inline constexpr std::uint32_t kFileTypeDisk = 1;
inline constexpr std::uint32_t kFileTypeChar = 2;
inline constexpr std::uint32_t kFileTypePipe = 3;

inline constexpr std::uint32_t kCpUtf8 = 65001;

inline constexpr std::uint32_t kMbOk = 0x0000;
inline constexpr std::uint32_t kMbTaskModalIconHand = 0x2010;

class ProcessServices {
 public:
  virtual ~ProcessServices() = default;

  // The whole command line as one NUL-terminated byte string; it stays
  // valid and unchanged for the life of the process.
  virtual const char* GetCommandLineA() = 0;

  // The whole command line in UTF-16, as the user wrote it, with no
  // character lost to the ANSI code page; NUL-terminated, valid and
  // unchanged for the life of the process. Where texts are UTF-8 it is
  // the UTF-16 form of GetCommandLineA's.
  virtual const char16_t* GetCommandLineW() = 0;

  // Copies the path of the program's own file into buffer (NUL-terminated
  // when it fits) and returns the number of characters copied, without
  // the NUL; on truncation returns size and the buffer holds size bytes.
  virtual std::uint32_t GetModuleFileNameA(char* buffer, std::uint32_t size) = 0;

  // The start of the program's code in memory, so that a code address can
  // be reported as an offset from it.
  virtual std::uintptr_t ModuleCodeBase() = 0;

  // Routes processor faults (signals, structured exceptions) to
  // ReportFault. Called once by StartRuntime, before anything else.
  virtual void InstallFaultHandler() = 0;

  virtual FileHandle GetStdHandle(std::int32_t which) = 0;
  virtual std::uint32_t GetFileType(FileHandle handle) = 0;

  // True when handle is a console (a terminal), with *mode set to its
  // console mode; false for anything else, character devices such as NUL
  // or /dev/null included.
  virtual bool GetConsoleMode(FileHandle handle, std::uint32_t* mode) = 0;

  // One write call; true on success with *written set. May write fewer
  // bytes than asked.
  virtual bool WriteFile(FileHandle handle, const void* data, std::uint32_t count,
                         std::uint32_t* written) = 0;
  virtual std::uint32_t GetLastError() = 0;
  virtual bool CloseHandle(FileHandle handle) = 0;

  // Ends the process. Test doubles may unwind instead of returning.
  [[noreturn]] virtual void ExitProcess(std::uint32_t code) = 0;

  // Shows text and caption to the user (no owner window); style is the
  // Windows MB_ value.
  virtual int MessageBoxA(const char* text, const char* caption, std::uint32_t style) = 0;

  // The code page of the texts the program reads and writes: the Windows
  // ANSI code page (single-byte text), or kCpUtf8 where texts are UTF-8.
  virtual std::uint32_t GetACP() = 0;

  // Copies string-table entry id into buffer (at most size - 1 bytes and a
  // NUL) and returns its length; 0 when there is no such entry.
  virtual int LoadStringA(std::uint32_t id, char* buffer, int size) = 0;
};

// The services of the process the program runs in, made by the backend the
// build chose. Memory running out here is a failure before the runtime has
// started (EndBeforeStartUp, or std::bad_alloc where no handler ends it).
std::unique_ptr<ProcessServices> NewDefaultProcessServices(int argc, const char* const* argv);

// For a failure before the runtime has started (memory exhausted while the
// services themselves are made): shows the runtime error line the platform's
// way and ends the process with number as its exit code.
[[noreturn]] void EndBeforeStartUp(int number);

}  // namespace brisquel
