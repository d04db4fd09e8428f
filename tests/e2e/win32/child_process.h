// What the Wine launchers share: the child's command line read from a file,
// the child started with chosen standard handles and waited for, its output
// copied on, and its exit code passed on.
#pragma once

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX  // the C++ library may have set it already
#endif
#include <windows.h>

#include <string>

namespace launcher {

// A launcher's own failure, and the longest it waits for its child.
constexpr int kLauncherFailed = 120;
constexpr DWORD kChildTimeoutMs = 30000;

// The name each launcher's messages start with; every launcher defines it.
extern const char kLauncherName[];

// Writes "NAME: WHAT failed, error N" (N from GetLastError) to standard
// error and returns kLauncherFailed.
int Fail(const char* what);

// The bytes of the file at path, unchanged; false, after a message, when
// the file cannot be opened.
bool ReadCommandLine(const char* path, std::string& command_line);

// Starts program with command_line as its whole command line (argument 0
// included), output as its standard output, and this program's standard
// input and error; false after a message. The child's thread handle is
// closed; process is the child's process handle.
bool StartChild(const char* program, std::string& command_line, HANDLE output, HANDLE& process);

// Waits for the child to end; false, after ending it and a message, when it
// takes longer than kChildTimeoutMs.
bool WaitForChild(HANDLE process);

// The ended child's exit code, or kLauncherFailed after a message.
int ExitCodeOf(HANDLE process);

// Copies what is read from pipe, to its end, onto this program's standard
// output; false after a message when a write fails.
bool CopyToStdout(HANDLE pipe);

}  // namespace launcher
