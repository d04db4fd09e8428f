// The window manager of KDE Plasma on Wayland: KWin lists its windows,
// native and XWayland ones, to the clients it grants
// org_kde_plasma_window_management.
#pragma once

#include "platform/desktop.h"

namespace brisquel {

// Connects to the compositor $WAYLAND_DISPLAY names and binds KWin's window
// list. Not named when the variable is unset or empty; kCannotOpen when no
// compositor answers there; kNotGranted when the compositor is KWin but
// has not granted this program the list; kNoWindowList for any other
// compositor. A compositor that stops answering for 10 seconds, or that is
// lost once connected, ends the run (EndForDisplay).
DesktopOpening OpenKdeDesktop();

}  // namespace brisquel
