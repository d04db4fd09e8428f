// Starts the runtime as the program does, then faults as argv[1] says, so
// that the end-to-end tests can check the fault reports.
#include <csignal>
#include <cstring>

#include "platform/process.h"
#include "runtime/failure_report.h"
#include "runtime/output_channel.h"
#include "runtime/process_exit.h"
#include "runtime/start_up.h"

namespace {

volatile int zero = 0;
volatile int* volatile null_pointer = nullptr;

volatile bool keep_going = true;

int Recurse(int depth) {
  volatile char pad[1024];
  pad[0] = static_cast<char>(depth);
  if (!keep_going) return pad[0];
  return Recurse(depth + 1) + pad[0];
}

}  // namespace

int main(int argc, char** argv) {
  auto process = brisquel::NewDefaultProcessServices(argc, argv);
  brisquel::StartRuntime(*process);
  brisquel::SetConsoleReports(true);
  brisquel::WriteLine("probe");
  const char* what = argc > 1 ? argv[1] : "";
  if (std::strcmp(what, "read") == 0) return *null_pointer;
  if (std::strcmp(what, "write") == 0) *null_pointer = 1;
  if (std::strcmp(what, "divide") == 0) return 7 / zero;
  if (std::strcmp(what, "stack") == 0) return Recurse(0);
  if (std::strcmp(what, "ill") == 0) std::raise(SIGILL);
  brisquel::EndProcess(0);
}
