// Starts a program with a Windows pipe of a given kind as its standard
// output, and passes on its exit code.
//
//   pipe_launcher.exe KIND PROGRAM COMMAND_LINE_FILE
//
// KIND "closed": an anonymous pipe whose reading end is closed before the
// child starts. KIND "nowait": a named pipe of 4,000 bytes whose writing
// end is in non-blocking mode (PIPE_NOWAIT), so that a write to the full
// pipe returns at once; nothing is read until the child has ended, then
// what the pipe holds is copied to this program's standard output. The
// child gets the bytes of COMMAND_LINE_FILE as its whole command line and
// this program's standard error. Ends with 120 and a message when
// something of its own fails or the child takes longer than 30 seconds.
#include <cstdio>
#include <cstring>
#include <string>

#include "child_process.h"

using namespace launcher;

const char launcher::kLauncherName[] = "pipe_launcher";

namespace {

constexpr DWORD kPipeSize = 4000;  // not a whole number of 128-byte blocks

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || (std::strcmp(argv[1], "closed") != 0 && std::strcmp(argv[1], "nowait") != 0)) {
    std::fprintf(stderr, "usage: pipe_launcher closed|nowait PROGRAM COMMAND_LINE_FILE\n");
    return kLauncherFailed;
  }
  const bool nowait = std::strcmp(argv[1], "nowait") == 0;
  std::string command_line;
  if (!ReadCommandLine(argv[3], command_line)) return kLauncherFailed;

  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (nowait) {
    char name[64];
    std::snprintf(name, sizeof name, "\\\\.\\pipe\\brisquel-nowait-%lu", GetCurrentProcessId());
    read_end = CreateNamedPipeA(name, PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_NOWAIT, 1,
                                kPipeSize, kPipeSize, 0, nullptr);
    if (read_end == INVALID_HANDLE_VALUE) return Fail("CreateNamedPipeA");
    write_end = CreateFileA(name, GENERIC_WRITE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, 0, &inherit,
                            OPEN_EXISTING, 0, nullptr);
    if (write_end == INVALID_HANDLE_VALUE) return Fail("CreateFileA on the pipe");
    DWORD mode = PIPE_READMODE_BYTE | PIPE_NOWAIT;
    if (!SetNamedPipeHandleState(write_end, &mode, nullptr, nullptr)) return Fail("SetNamedPipeHandleState");
  } else {
    if (!CreatePipe(&read_end, &write_end, &inherit, kPipeSize)) return Fail("CreatePipe");
    CloseHandle(read_end);
    read_end = nullptr;
  }

  HANDLE child = nullptr;
  if (!StartChild(argv[2], command_line, write_end, child)) return kLauncherFailed;
  CloseHandle(write_end);
  if (!WaitForChild(child)) return kLauncherFailed;
  if (read_end != nullptr && !CopyToStdout(read_end)) return kLauncherFailed;
  return ExitCodeOf(child);
}
