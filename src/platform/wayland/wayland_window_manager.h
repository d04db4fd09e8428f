// The window manager of a Wayland desktop whose compositor offers the wlr
// foreign-toplevel-management protocol (sway, Hyprland, labwc, river,
// wayfire, niri and other wlroots-style compositors).
#pragma once

#include <memory>

#include "platform/window_manager.h"

namespace brisquel {

// What became of looking for a Wayland desktop's window list.
enum class WaylandOutcome {
  kServed,          // the compositor lists its toplevels
  kNotNamed,        // WAYLAND_DISPLAY is not set (or empty)
  kUnreachable,     // no compositor answers on the socket it names
  kNoToplevelList,  // the compositor offers no foreign-toplevel manager
};

// Connects to the compositor $WAYLAND_DISPLAY names (a name under
// $XDG_RUNTIME_DIR, or an absolute path) and binds its foreign-toplevel
// manager. Sets outcome; returns the window manager when it is kServed,
// null otherwise. A compositor that stops answering for 10 seconds, or
// that is lost once connected, ends the run through EndForDisplay.
std::unique_ptr<WindowManager> OpenWaylandWindowManager(WaylandOutcome& outcome);

}  // namespace brisquel
