// The window manager of GNOME Shell's Wayland session. GNOME Shell gives
// ordinary clients no window list; the project's own shell extension
// (gnome-shell/ in the sources) lists every window, topmost first, to this
// program alone, over the session bus.
#pragma once

#include "platform/desktop.h"

namespace brisquel {

// Asks the extension for its window list over the session bus
// ($DBUS_SESSION_BUS_ADDRESS, else $XDG_RUNTIME_DIR/bus). Not named when
// WAYLAND_DISPLAY is unset; kNoWindowList without a hint when this is no
// GNOME session, and with one (the commands to run) when the extension is
// not installed, not enabled or not loaded yet, or when the shell holds it
// out of date or in error (with the shell's version); kRefused when it
// refuses this program (naming the program it answers). A shell that does not answer within 10 seconds, or a bus
// lost on the way, ends the run (EndForDisplay).
DesktopOpening OpenGnomeDesktop();

}  // namespace brisquel
