// What can go wrong with a display, and the one way a backend ends the run
// for it. The runtime installs what these calls do when it starts, so that
// a backend reaches it through the seam alone. Each failure has one
// message (a table in the runtime), the line names the display by the
// variable that gave it, and every wait on a display is bounded by
// kNoAnswerSeconds.
#pragma once

#include <cstdint>
#include <string_view>

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
  kUnknownDesktop, // BRISQUEL_DESKTOP names no desktop this program knows
  kNotGranted,     // KWin withholds its window list from this program
  kWindowsUnread,  // the display named windows of its list that could not be read
};

// Which display, by the variable that names it: the X server (DISPLAY),
// the Wayland compositor (WAYLAND_DISPLAY), the desktop the user chose
// (BRISQUEL_DESKTOP), or GNOME Shell on its Wayland display, reached over
// the session bus (WAYLAND_DISPLAY).
enum class DisplayKind { kX11, kWayland, kChosen, kGnome };

// Writes "brisquel: " and the failure's message on standard error, then
// writes out the buffered output lines and ends the process with
// kExitDisplayFailure. The line names the display by its variable's value;
// detail, when given, follows the message (what to do about it, say).
// Allocates nothing, so that a signal handler may call it.
[[noreturn]] void EndForDisplay(DisplayFailure failure, DisplayKind kind, std::string_view detail = {});

// As EndForDisplay for a failure of the Wayland display (of the kind given)
// when DISPLAY is not set either, so that nothing is left to fall back on.
[[noreturn]] void EndForDisplays(DisplayFailure wayland_failure, std::string_view detail = {},
                                 DisplayKind kind = DisplayKind::kWayland);

// One line on standard error: the failure of the Wayland display (of the
// kind given) leaves only the X11 windows (XWayland's) to list, which are
// part of the desktop only.
void NoteFallBackToX11(DisplayFailure wayland_failure, std::string_view detail = {},
                       DisplayKind kind = DisplayKind::kWayland);

// One line on standard error: the display's list could be read only in
// part, so that the run goes on with part of the desktop.
void NotePartialView(DisplayFailure failure, DisplayKind kind, std::string_view detail = {});

// What becomes of a display failure: the run ends, ends with no X display
// to fall back on either, goes on with the X display, or goes on with the
// part of the desktop that was read.
enum class DisplayOutcome { kEnd, kEndWithoutX11, kFallBackToX11, kPartial };

// The runtime's report of a display failure: writes the line, and for the
// two ends, ends the process. Installed by the runtime at start-up.
using DisplayFailureReport = void (*)(DisplayFailure failure, DisplayKind kind, std::string_view detail,
                                      DisplayOutcome outcome);
void InstallDisplayFailureReport(DisplayFailureReport report);

}  // namespace brisquel
