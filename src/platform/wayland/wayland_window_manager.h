// The window manager of a Wayland desktop whose compositor offers the wlr
// foreign-toplevel-management protocol (sway, Hyprland, labwc, river,
// wayfire, niri and other wlroots-style compositors).
#pragma once

#include "platform/desktop.h"

namespace brisquel {

// Connects to the compositor $WAYLAND_DISPLAY names (a name under
// $XDG_RUNTIME_DIR, or an absolute path) and binds its foreign-toplevel
// manager. Not named when the variable is unset or empty; kCannotOpen when
// no compositor answers on the socket it names; kNoWindowList when the
// compositor offers no foreign-toplevel manager. A compositor that stops
// answering for 10 seconds, or that is lost once connected, ends the run
// (EndForDisplay).
DesktopOpening OpenWlrDesktop();

}  // namespace brisquel
