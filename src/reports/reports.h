// The three reports made from a window snapshot. Each returns the exit
// level the run ends with.
#pragma once

#include <cstdint>

#include "platform/window_manager.h"

namespace brisquel {

// The exit level of a report made from part of the desktop that cannot say
// its answer is complete: a search that found nothing, or a listing.
inline constexpr std::int32_t kPartialViewLevel = 2;

// Echoes the search texts (arguments 2 and on, masked on a console as
// titles are), lists every window whose title contains one of them and
// closes with the ErrorLevel line: 1 from the first match on, else 0.
// Found nothing on part of the desktop: no ErrorLevel line, and
// kPartialViewLevel.
std::int32_t SearchReport(WindowManager& windows);

// One line per titled window: title (28 columns), thread, handle, process,
// parent. Returns 0, or kPartialViewLevel for part of the desktop.
std::int32_t WindowListReport(WindowManager& windows);

// One line per titled window: title and class name. Returns as
// WindowListReport.
std::int32_t ClassListReport(WindowManager& windows);

}  // namespace brisquel
