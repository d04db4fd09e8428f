// The report of a failure that nothing handled, and of a processor fault
// (ReportFault, platform/fault_report.h): two lines built in fixed buffers,
// on standard output (standard error when that is what failed) or in a
// message box.
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

// Reports an operating-system fault by its Windows exception code and
// ends the process: what ReportFault (platform/fault_report.h) does once
// the runtime has started. Allocates nothing.
[[noreturn]] void ReportFaultNow(std::uint32_t code, std::uintptr_t fault_address, std::uintptr_t info0,
                                 std::uintptr_t info1);

// For StartRuntime: no report made, none under way, reports to a message
// box, faults reported (ending with their runtime error line until the
// failure kinds are installed), and output that the end of the process
// loses reported on standard error (the run's own report, or that of the
// I/O error).
void ResetFailureReports();
// For StartRuntime, once the failure kinds exist: faults become failures.
void FailureKindsInstalled();

}  // namespace brisquel
