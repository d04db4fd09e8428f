// Standard output through one 128-byte buffer: a console gets each line at
// its line end, a file or pipe gets 128-byte blocks and the rest at the end
// of the process. Failures are stored, then raised by CheckIoResult.
#pragma once

#include <cstdint>
#include <string_view>

namespace brisquel {

inline constexpr std::uint32_t kOutputBufferSize = 128;

// Back to closed and empty, with no failure pending.
void ResetOutputChannel();

// Writes bytes into the channel, opening it first if needed. A failure is
// stored in the pending result, and the rest of the bytes dropped.
void WriteOutputBytes(std::string_view bytes);

// CR LF, then the line-end rule: a console is written out now.
void WriteLineEnd();

// Hands the buffered bytes to the system; returns 0 or the failure's code.
std::int32_t WriteOutBuffer();

// Writes text and a line end, then raises any failure (CheckIoResult).
void WriteLine(std::string_view text);

// Raises EInOutError for a pending failure and clears it.
void CheckIoResult();

std::int32_t PendingIoResult();

// True once the channel is open on a console (GetConsoleMode succeeds on
// it), where texts from other programs are shown masked. The line-end rule
// goes by the file type instead: every character device is written at each
// line end.
bool OutputIsConsole();

}  // namespace brisquel
