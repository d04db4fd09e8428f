// Runs a program until it waits on its output, then takes away all of its
// free address space, so that its next memory request cannot be met.
//
//   oom_launcher.exe PROGRAM COMMAND_LINE_FILE WINDOWS
//
// First makes WINDOWS hidden windows with 254-character titles, so that
// the program's snapshot of the desktop fills its heap. The child gets the
// bytes of COMMAND_LINE_FILE as its whole command line, a pipe as its
// standard output and this program's standard error. Once the pipe is
// full and has stopped growing (the child is blocked in WriteFile), every
// free region of the child's address space is reserved; then the pipe is
// read to its end onto this program's standard output, and the child's
// exit code is passed on. Ends with 120 and a message when something of
// its own fails or the child takes longer than 30 seconds.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "child_process.h"

using namespace launcher;

const char launcher::kLauncherName[] = "oom_launcher";

namespace {

constexpr DWORD kPipeSize = 4096;
constexpr int kTitleLength = 254;

// Waits until the pipe holds bytes and their count has not changed for a
// while: the writer is blocked. False when the child ends first or the wait
// times out.
bool WaitUntilWriterBlocks(HANDLE pipe, HANDLE child) {
  DWORD last = 0;
  int steady = 0;
  for (DWORD waited = 0; waited < kChildTimeoutMs; waited += 50) {
    if (WaitForSingleObject(child, 50) == WAIT_OBJECT_0) return false;
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return false;
    steady = (available > 0 && available == last) ? steady + 1 : 0;
    last = available;
    if (steady >= 6) return true;
  }
  return false;
}

// Reserves all the address space of process that is still to be had;
// returns the bytes reserved. First every region listed as free; then
// whatever the system still finds on its own (Wine hands out parts of
// areas it lists as reserved), in ever smaller pieces.
unsigned long long ReserveAllFree(HANDLE process) {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  const std::uintptr_t granularity = system.dwAllocationGranularity;
  unsigned long long reserved = 0;
  std::uintptr_t address = 0;
  const auto top = reinterpret_cast<std::uintptr_t>(system.lpMaximumApplicationAddress);
  while (address < top) {
    MEMORY_BASIC_INFORMATION region;
    if (VirtualQueryEx(process, reinterpret_cast<void*>(address), &region, sizeof region) == 0) break;
    const auto base = reinterpret_cast<std::uintptr_t>(region.BaseAddress);
    const std::uintptr_t end = base + region.RegionSize;
    if (region.State == MEM_FREE) {
      const std::uintptr_t start = (base + granularity - 1) / granularity * granularity;
      if (start < end && VirtualAllocEx(process, reinterpret_cast<void*>(start), end - start, MEM_RESERVE,
                                        PAGE_NOACCESS) != nullptr) {
        reserved += end - start;
      }
    }
    if (end <= address) break;
    address = end;
  }
  for (SIZE_T size = SIZE_T{1} << 30; size >= system.dwPageSize; size /= 2) {
    while (VirtualAllocEx(process, nullptr, size, MEM_RESERVE, PAGE_NOACCESS) != nullptr) reserved += size;
  }
  return reserved;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: oom_launcher PROGRAM COMMAND_LINE_FILE WINDOWS\n");
    return kLauncherFailed;
  }
  std::string command_line;
  if (!ReadCommandLine(argv[2], command_line)) return kLauncherFailed;

  // GetWindowTextA reads another process's titles without a message to
  // their thread, so these windows need no message loop.
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = DefWindowProcA;
  window_class.hInstance = instance;
  window_class.lpszClassName = "OomLauncherTitle";
  if (!RegisterClassA(&window_class)) return Fail("RegisterClassA");
  const long windows = std::strtol(argv[3], nullptr, 10);
  for (long i = 0; i < windows; ++i) {
    char title[kTitleLength + 1];
    std::snprintf(title, sizeof title, "%08ld", i);
    for (int j = 8; j < kTitleLength; ++j) title[j] = static_cast<char>('a' + (i + j) % 26);
    title[kTitleLength] = '\0';
    if (!CreateWindowExA(0, window_class.lpszClassName, title, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                         instance, nullptr)) {
      return Fail("CreateWindowExA");
    }
  }

  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, kPipeSize)) return Fail("CreatePipe");
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  HANDLE child = nullptr;
  if (!StartChild(argv[1], command_line, write_end, child)) return kLauncherFailed;
  CloseHandle(write_end);

  if (!WaitUntilWriterBlocks(read_end, child)) {
    TerminateProcess(child, kLauncherFailed);
    std::fprintf(stderr, "oom_launcher: the program never waited on its output\n");
    return kLauncherFailed;
  }
  if (ReserveAllFree(child) == 0) {
    TerminateProcess(child, kLauncherFailed);
    return Fail("reserving the program's address space");
  }

  if (!CopyToStdout(read_end)) return kLauncherFailed;
  if (!WaitForChild(child)) return kLauncherFailed;
  return ExitCodeOf(child);
}
