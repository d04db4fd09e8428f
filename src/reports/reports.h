// The three reports made from a window snapshot. Each returns the exit
// level the run ends with.
#pragma once

#include <cstdint>

#include "platform/window_manager.h"

namespace brisquel {

// Echoes the search texts (arguments 2 and on, masked on a console as
// titles are), lists every window whose title contains one of them and
// closes with the ErrorLevel line: 1 from the first match on, else 0.
std::int32_t SearchReport(WindowManager& windows);

// One line per titled window: title (28 columns), thread, handle, process,
// parent. Returns 0.
std::int32_t WindowListReport(WindowManager& windows);

// One line per titled window: title and class name. Returns 0.
std::int32_t ClassListReport(WindowManager& windows);

}  // namespace brisquel
