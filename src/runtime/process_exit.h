// The end of the process: what is buffered is written out, and the exit
// code is exactly the one given, unless that last write-out lost output.
#pragma once

#include <cstdint>

namespace brisquel {

// What EndProcess does when its final write-out loses output with code:
// report it on standard error. Registered at start-up by the failure
// report, which keeps the run's own report.
using LostOutputAction = void (*)(std::int32_t code);
void OnLostOutput(LostOutputAction action);

// Writes out what is buffered and ends the process with exactly code (1
// instead when the last write-out fails: that failure is reported through
// the registered action).
[[noreturn]] void EndProcess(std::uint32_t code);

}  // namespace brisquel
