// The calls a backend makes into the runtime's failure report when the
// processor faults or the runtime cannot start. The runtime defines them;
// a backend includes only the seam. Both allocate nothing.
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

// Fills buffer (at least 30 bytes) with "Runtime error NNN at XXXXXXXX"
// and returns its length: the report of a failure before start-up.
int RuntimeErrorLine(int number, std::uint32_t offset, char* buffer);

}  // namespace brisquel
