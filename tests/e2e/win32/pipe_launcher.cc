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
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX  // the C++ library may have set it already
#endif
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr DWORD kChildTimeoutMs = 30000;
constexpr DWORD kPipeSize = 4000;  // not a whole number of 128-byte blocks
constexpr int kLauncherFailed = 120;

int Fail(const char* what) {
  std::fprintf(stderr, "pipe_launcher: %s failed, error %lu\n", what, GetLastError());
  return kLauncherFailed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || (std::strcmp(argv[1], "closed") != 0 && std::strcmp(argv[1], "nowait") != 0)) {
    std::fprintf(stderr, "usage: pipe_launcher closed|nowait PROGRAM COMMAND_LINE_FILE\n");
    return kLauncherFailed;
  }
  const bool nowait = std::strcmp(argv[1], "nowait") == 0;
  std::string command_line;
  FILE* file = std::fopen(argv[3], "rb");
  if (!file) return Fail("opening the command line file");
  char chunk[4096];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) command_line.append(chunk, n);
  std::fclose(file);

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

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = write_end;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  SetHandleInformation(startup.hStdError, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  PROCESS_INFORMATION child = {};
  if (!CreateProcessA(argv[2], command_line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &child)) {
    return Fail("CreateProcessA");
  }
  CloseHandle(child.hThread);
  CloseHandle(write_end);
  if (WaitForSingleObject(child.hProcess, kChildTimeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(child.hProcess, kLauncherFailed);
    return Fail("waiting for the program");
  }
  if (read_end != nullptr) {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD got = 0;
    while (ReadFile(read_end, chunk, sizeof chunk, &got, nullptr) && got > 0) {
      DWORD written = 0;
      if (!WriteFile(out, chunk, got, &written, nullptr) || written != got) return Fail("WriteFile");
    }
  }
  DWORD code = 0;
  if (!GetExitCodeProcess(child.hProcess, &code)) return Fail("GetExitCodeProcess");
  return static_cast<int>(code);
}
