// The process boundary: start-up and the end of the process. The report of
// failures that nothing handled belongs to it and comes with it.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/process.h"
#include "runtime/failure_report.h"

namespace brisquel {

// Binds the runtime to its process services and resets all runtime state:
// exit code, pending I/O result, a closed output channel, clear console
// reports, the out-of-memory record. Writes nothing.
void StartRuntime(ProcessServices& process);

// The process services bound by StartRuntime.
ProcessServices& Process();

// True when the program's texts are UTF-8: GetACP answered kCpUtf8 at
// start-up (the Linux program). Otherwise texts are single-byte.
bool TextIsUtf8();

// Writes out what is buffered and ends the process with exactly code
// (1 instead when the last write-out fails: that failure is reported on
// standard error).
[[noreturn]] void EndProcess(std::uint32_t code);

// The program's own file path, as GetModuleFileNameA gives it into buffer
// of size bytes (cut to size when it does not fit).
std::string_view ModulePath(char* buffer, std::uint32_t size);

// Writes text then CR LF to standard error directly, bypassing the output
// channel; for messages that are no failure report (a display that cannot
// be reached). Returns false when the write failed.
bool WriteErrorLine(const char* text, std::uint32_t length);

}  // namespace brisquel
