// Starts a program with an exact command line, which no shell or Wine
// argument quoting could produce, and passes on its exit code.
//
//   launcher.exe PROGRAM COMMAND_LINE_FILE
//
// The child gets the bytes of COMMAND_LINE_FILE, unchanged, as its whole
// command line (argument 0 included), and this program's standard handles.
#include <cstdio>
#include <string>

#include "child_process.h"

using namespace launcher;

const char launcher::kLauncherName[] = "launcher";

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: launcher PROGRAM COMMAND_LINE_FILE\n");
    return kLauncherFailed;
  }
  std::string command_line;
  if (!ReadCommandLine(argv[2], command_line)) return kLauncherFailed;
  HANDLE child = nullptr;
  if (!StartChild(argv[1], command_line, GetStdHandle(STD_OUTPUT_HANDLE), child)) return kLauncherFailed;
  if (!WaitForChild(child)) return kLauncherFailed;
  return ExitCodeOf(child);
}
