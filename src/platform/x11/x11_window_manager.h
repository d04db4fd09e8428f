// The window manager of an X11 desktop, reached through xcb.
#pragma once

#include "platform/desktop.h"

namespace brisquel {

// The X server $DISPLAY names; not named when the variable is unset or
// empty. Connects at the first FindWindowA, not before, so that runs that
// look at no window need no display. A display that cannot be opened or a
// connection lost during the walk ends the run (EndForDisplay).
DesktopOpening OpenX11Desktop();

}  // namespace brisquel
