// The report of a failure that nothing handled, and of a processor fault:
// two lines built in fixed buffers, on standard output (standard error when
// that is what failed) or in a message box.
#pragma once

#include <cstdint>

namespace brisquel {

class Exception;

// When set, failure reports go to standard output; when clear, to a
// message box.
void SetConsoleReports(bool on);

// Writes the report of failure raised at code address place (0: none) and
// ends the process with 1. Allocates nothing; never re-enters itself.
[[noreturn]] void ReportFailure(const Exception& failure, std::uintptr_t place);

// Reports an operating-system fault by its Windows exception code. info0
// and info1 are the exception record's first two information words (for an
// access violation: 0 read / 1 write, and the address accessed). Safe to
// call from a signal handler or exception filter: allocates nothing.
[[noreturn]] void ReportFault(std::uint32_t code, std::uintptr_t fault_address,
                              std::uintptr_t info0, std::uintptr_t info1);

// Fills buffer (at least 30 bytes) with "Runtime error NNN at XXXXXXXX"
// and returns its length.
int RuntimeErrorLine(int number, std::uint32_t offset, char* buffer);

// The runtime error number a fault code maps to when it arises before the
// failure kinds are installed.
int RuntimeErrorNumber(std::uint32_t fault_code);

// For StartRuntime: no report made, none under way, reports to a message
// box, and (installed = false) faults end with their runtime error line.
void ResetFailureReports();
// For StartRuntime, once the failure kinds exist: faults become failures.
void FailureKindsInstalled();

// For EndProcess when its final write-out lost output with code: the run's
// own report (or, when it made none, the report of that I/O error) on
// standard error, once.
void ReportLostOutput(std::int32_t code);

}  // namespace brisquel
