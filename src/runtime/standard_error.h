// Standard error, written directly and unbuffered: for the lines that are
// no report of the run's output (a display that cannot be reached, a report
// whose own output was lost).
#pragma once

#include <cstdint>

namespace brisquel {

// Writes text then CR LF to standard error, bypassing the output channel.
// Returns false when the write failed.
bool WriteErrorLine(const char* text, std::uint32_t length);

// True when standard error is a console, where texts from other programs
// are shown masked.
bool ErrorIsConsole();

}  // namespace brisquel
