// The calls a backend makes into the runtime's failure report when the
// processor faults or the runtime cannot start. The runtime installs the
// report when it starts, so that a backend reaches it through the seam
// alone. Nothing here allocates.
#pragma once

#include <cstdint>

namespace brisquel {

// Reports an operating-system fault by its Windows exception code
// (base/windows_codes.h) and ends the process. info0 and info1 are the
// exception record's first two information words (for an access violation:
// 0 read / 1 write, and the address accessed). Safe to call from a signal
// handler or exception filter.
[[noreturn]] void ReportFault(std::uint32_t code, std::uintptr_t fault_address,
                              std::uintptr_t info0, std::uintptr_t info1);

// The runtime's report of a fault; installed by the runtime at start-up,
// before faults are routed to ReportFault.
using FaultReport = void (*)(std::uint32_t code, std::uintptr_t fault_address, std::uintptr_t info0,
                             std::uintptr_t info1);
void InstallFaultReport(FaultReport report);

// Fills buffer (at least 30 bytes) with "Runtime error NNN at XXXXXXXX"
// (the number right-aligned in three places, the offset in eight upper-case
// hexadecimal digits), NUL-terminated, and returns its length: the report
// of a failure before start-up.
int RuntimeErrorLine(int number, std::uint32_t offset, char* buffer);

}  // namespace brisquel
