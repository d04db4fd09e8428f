// Commits one fault under the program's runtime and Win32 backend, so a
// Wine test can read the fault's report.
//
//   fault_probe.exe KIND            read, write, divide, overflow, bounds,
//                                   privileged, stack
//   fault_probe.exe raise CODE INFO0 INFO1   RaiseException, hex numbers
//   fault_probe.exe raised KIND     the exception the processor gives for
//                                   KIND (read to privileged), raised
//                                   from this program's own code
//
// Before the fault it writes the code base (upper-case hex) and a line
// feed to standard error, so the test can turn reported addresses into
// offsets. The report goes to standard output.
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX  // the C++ library may have set it already
#endif
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/win32/win32_process.h"
#include "runtime/failure_report.h"
#include "runtime/start_up.h"

namespace {

volatile int sink;
// Never reached; it only keeps the recursion below from being infinite to
// the compiler's eye.
volatile int depth_limit = -1;

volatile std::uintptr_t null_address = 0;

[[gnu::noinline]] void ReadNull() { sink = *reinterpret_cast<volatile int*>(null_address); }

volatile std::uintptr_t low_address = 0x10;

[[gnu::noinline]] void WriteLow() { *reinterpret_cast<volatile int*>(low_address) = 1; }

[[gnu::noinline]] void DivideByZero() {
  volatile int zero = 0;
  sink = 7 / zero;
}

[[gnu::noinline]] void OverflowTrap() {
  // INTO traps when the overflow flag is set.
  asm volatile("movl $0x7fffffff, %%eax\n\taddl $1, %%eax\n\tinto" ::: "eax", "cc");
}

[[gnu::noinline]] void BoundsTrap() {
  static const int range[2] = {0, 1};
  asm volatile("movl $5, %%eax\n\tbound %%eax, (%0)" ::"r"(range) : "eax", "memory");
}

[[gnu::noinline]] void PrivilegedInstruction() { asm volatile("hlt"); }

[[gnu::noinline]] int Recurse(int depth) {
  volatile char frame[512];
  frame[0] = static_cast<char>(depth);
  if (depth == depth_limit) return 0;
  return Recurse(depth + 1) + frame[0];
}

// What the processor's fault of each kind hands the program: the code
// and its parameters (for an access violation the access, 0 read or 1
// write, and the address). Under qemu-user the real trap arrives as
// another code, so these stand in for it there.
struct Trap {
  const char* kind;
  DWORD code;
  DWORD parameters;
  ULONG_PTR information[2];
};
constexpr Trap kTraps[] = {
    {"read", EXCEPTION_ACCESS_VIOLATION, 2, {0, 0}},
    {"write", EXCEPTION_ACCESS_VIOLATION, 2, {1, 0x10}},
    {"divide", EXCEPTION_INT_DIVIDE_BY_ZERO, 0, {}},
    {"overflow", EXCEPTION_INT_OVERFLOW, 0, {}},
    {"bounds", EXCEPTION_ARRAY_BOUNDS_EXCEEDED, 0, {}},
    {"privileged", EXCEPTION_PRIV_INSTRUCTION, 0, {}},
};

// RtlRaiseException records its caller as the exception's address, as a
// trap records the faulting instruction; RaiseException would record a
// place inside the system's DLL.
[[gnu::noinline]] void RaiseAsProcessor(const Trap& trap) {
  using RaiseFunction = void(WINAPI*)(EXCEPTION_RECORD*);
  const auto raise = reinterpret_cast<RaiseFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlRaiseException")));
  if (raise == nullptr) return;
  EXCEPTION_RECORD record{};
  record.ExceptionCode = trap.code;
  record.NumberParameters = trap.parameters;
  record.ExceptionInformation[0] = trap.information[0];
  record.ExceptionInformation[1] = trap.information[1];
  raise(&record);
}

std::uintptr_t Hex(const char* text) { return std::strtoul(text, nullptr, 16); }

}  // namespace

int main(int argc, char** argv) {
  static brisquel::Win32Process process;
  brisquel::StartRuntime(process);
  brisquel::SetConsoleReports(true);
  std::fprintf(stderr, "%X\n", static_cast<unsigned>(process.ModuleCodeBase()));
  std::fflush(stderr);

  const char* kind = argc > 1 ? argv[1] : "";
  if (std::strcmp(kind, "read") == 0) ReadNull();
  if (std::strcmp(kind, "write") == 0) WriteLow();
  if (std::strcmp(kind, "divide") == 0) DivideByZero();
  if (std::strcmp(kind, "overflow") == 0) OverflowTrap();
  if (std::strcmp(kind, "bounds") == 0) BoundsTrap();
  if (std::strcmp(kind, "privileged") == 0) PrivilegedInstruction();
  if (std::strcmp(kind, "stack") == 0) sink = Recurse(0);
  if (std::strcmp(kind, "raised") == 0 && argc == 3) {
    for (const Trap& trap : kTraps) {
      if (std::strcmp(argv[2], trap.kind) == 0) RaiseAsProcessor(trap);
    }
  }
  if (std::strcmp(kind, "raise") == 0 && argc == 5) {
    const ULONG_PTR info[2] = {Hex(argv[3]), Hex(argv[4])};
    RaiseException(static_cast<DWORD>(Hex(argv[2])), 0, 2, info);
  }
  std::fprintf(stderr, "fault_probe: no fault for %s\n", kind);
  return 2;
}
