// What can go wrong with a display, and the one way a backend ends the run
// for it. The runtime installs what these calls do when it starts, so that
// a backend reaches it through the seam alone. Each failure has one
// message (a table in the runtime), the line names the display by the
// variable that gave it, and every wait on a display is bounded by
// kNoAnswerSeconds.
#pragma once

#include <cstdint>

namespace brisquel {

inline constexpr std::uint32_t kExitDisplayFailure = 2;

// How long a display may stay silent before the run ends for it.
inline constexpr int kNoAnswerSeconds = 10;

enum class DisplayFailure {
  kCannotOpen,     // nothing answers where the variable points
  kNoneNamed,      // neither WAYLAND_DISPLAY nor DISPLAY is set
  kLost,           // the connection broke during the run
  kNoAnswer,       // silent for kNoAnswerSeconds
  kRefused,        // the display answered a request with an error
  kNoWindowList,   // the display offers no list of its windows
};

// Which display: the X server DISPLAY names, or the Wayland compositor
// WAYLAND_DISPLAY names.
enum class DisplayKind { kX11, kWayland };

// Writes "brisquel: " and the failure's message on standard error, then
// writes out the buffered output lines and ends the process with
// kExitDisplayFailure. The line names the display by its variable's value.
// Allocates nothing, so that a signal handler may call it.
[[noreturn]] void EndForDisplay(DisplayFailure failure, DisplayKind kind);

// As EndForDisplay for a failure of the Wayland display when DISPLAY is
// not set either, so that nothing is left to fall back on.
[[noreturn]] void EndForDisplays(DisplayFailure wayland_failure);

// One line on standard error: the failure of the Wayland display leaves
// only the X11 windows (XWayland's) to list.
void NoteFallBackToX11(DisplayFailure wayland_failure);

// What becomes of a display failure: the run ends, ends with no X display
// to fall back on either, or goes on with the X display.
enum class DisplayOutcome { kEnd, kEndWithoutX11, kFallBackToX11 };

// The runtime's report of a display failure: writes the line, and for the
// two ends, ends the process. Installed by the runtime at start-up.
using DisplayFailureReport = void (*)(DisplayFailure failure, DisplayKind kind, DisplayOutcome outcome);
void InstallDisplayFailureReport(DisplayFailureReport report);

}  // namespace brisquel
