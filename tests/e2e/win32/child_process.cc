#include "child_process.h"

#include <cstdio>

namespace launcher {

int Fail(const char* what) {
  std::fprintf(stderr, "%s: %s failed, error %lu\n", kLauncherName, what, GetLastError());
  return kLauncherFailed;
}

bool ReadCommandLine(const char* path, std::string& command_line) {
  FILE* file = std::fopen(path, "rb");
  if (!file) {
    Fail("opening the command line file");
    return false;
  }
  char chunk[4096];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) command_line.append(chunk, n);
  std::fclose(file);
  return true;
}

bool StartChild(const char* program, std::string& command_line, HANDLE output, HANDLE& process) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = output;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  // Only inheritable handles reach the child as its standard handles.
  for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
    if (handle && handle != INVALID_HANDLE_VALUE) {
      SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    }
  }
  PROCESS_INFORMATION child = {};
  if (!CreateProcessA(program, command_line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &child)) {
    Fail("CreateProcessA");
    return false;
  }
  CloseHandle(child.hThread);
  process = child.hProcess;
  return true;
}

bool WaitForChild(HANDLE process) {
  if (WaitForSingleObject(process, kChildTimeoutMs) == WAIT_OBJECT_0) return true;
  TerminateProcess(process, kLauncherFailed);
  Fail("waiting for the program");
  return false;
}

int ExitCodeOf(HANDLE process) {
  DWORD code = 0;
  if (!GetExitCodeProcess(process, &code)) return Fail("GetExitCodeProcess");
  return static_cast<int>(code);
}

bool CopyToStdout(HANDLE pipe) {
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(pipe, chunk, sizeof chunk, &got, nullptr) && got > 0) {
    DWORD written = 0;
    if (!WriteFile(out, chunk, got, &written, nullptr) || written != got) {
      Fail("WriteFile");
      return false;
    }
  }
  return true;
}

}  // namespace launcher
