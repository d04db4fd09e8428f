// Starts a program with an exact command line, which no shell or Wine
// argument quoting could produce, and passes on its exit code.
//
//   launcher.exe PROGRAM COMMAND_LINE_FILE
//
// The child gets the bytes of COMMAND_LINE_FILE, unchanged, as its whole
// command line (argument 0 included), and this program's standard handles.
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX  // the C++ library may have set it already
#endif
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr DWORD kChildTimeoutMs = 30000;
constexpr int kLauncherFailed = 120;

int Fail(const char* what) {
  std::fprintf(stderr, "launcher: %s failed, error %lu\n", what, GetLastError());
  return kLauncherFailed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: launcher PROGRAM COMMAND_LINE_FILE\n");
    return kLauncherFailed;
  }
  std::string command_line;
  FILE* file = std::fopen(argv[2], "rb");
  if (!file) return Fail("opening the command line file");
  char chunk[4096];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) command_line.append(chunk, n);
  std::fclose(file);

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  const DWORD which[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
  HANDLE* slots[] = {&startup.hStdInput, &startup.hStdOutput, &startup.hStdError};
  for (int i = 0; i < 3; ++i) {
    *slots[i] = GetStdHandle(which[i]);
    if (*slots[i] && *slots[i] != INVALID_HANDLE_VALUE) {
      SetHandleInformation(*slots[i], HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    }
  }

  PROCESS_INFORMATION child = {};
  if (!CreateProcessA(argv[1], command_line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &child)) {
    return Fail("CreateProcessA");
  }
  CloseHandle(child.hThread);
  if (WaitForSingleObject(child.hProcess, kChildTimeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(child.hProcess, kLauncherFailed);
    return Fail("waiting for the program");
  }
  DWORD code = 0;
  if (!GetExitCodeProcess(child.hProcess, &code)) return Fail("GetExitCodeProcess");
  return static_cast<int>(code);
}
