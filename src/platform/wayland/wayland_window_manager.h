// The window manager of a Wayland desktop whose compositor lists its
// toplevels to clients: through the wlr foreign-toplevel-management
// protocol (sway, Hyprland, labwc, river, wayfire and other wlroots-style
// compositors), which names parents, or through the newer
// ext-foreign-toplevel-list protocol (sway 1.10 and later, niri, labwc,
// COSMIC, Mir and others), which names none.
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

// The same through the compositor's ext_foreign_toplevel_list_v1: no
// parents (PAR 0); kNoWindowList when the compositor offers no such list.
DesktopOpening OpenExtDesktop();

}  // namespace brisquel
