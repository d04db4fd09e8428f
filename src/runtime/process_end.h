// The process boundary: start-up, the end of the process, and the report
// of failures that nothing handled.
#pragma once

#include <cstdint>

#include "platform/process.h"

namespace brisquel {

class Exception;

// Binds the runtime to its process services and resets all runtime state:
// exit code, pending I/O result, a closed output channel, clear console
// reports, the out-of-memory record. Writes nothing.
void StartRuntime(ProcessServices& process);

// The process services bound by StartRuntime.
ProcessServices& Process();

// True when the program's texts are UTF-8: GetACP answered kCpUtf8 at
// start-up (the Linux program). Otherwise texts are single-byte.
bool TextIsUtf8();

// When set, failure reports go to standard output; when clear, to a
// message box.
void SetConsoleReports(bool on);

// Writes out what is buffered and ends the process with exactly code
// (1 instead when the last write-out fails: that failure is reported on
// standard error).
[[noreturn]] void EndProcess(std::uint32_t code);

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

// Writes text then CR LF to standard error directly, bypassing the output
// channel; for messages that are no failure report (a display that cannot
// be reached). Returns false when the write failed.
bool WriteErrorLine(const char* text, std::uint32_t length);

}  // namespace brisquel
