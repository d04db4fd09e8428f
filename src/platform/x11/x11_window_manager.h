// The window manager of an X11 desktop, reached through xcb.
#pragma once

#include <memory>

#include "platform/window_manager.h"

namespace brisquel {

// Connects to $DISPLAY at the first FindWindowA, not before, so that runs
// that look at no window need no display. A display that cannot be opened
// or a connection lost during the walk is reported on standard error, and
// the process ends with exit code 2.
std::unique_ptr<WindowManager> NewX11WindowManager();

}  // namespace brisquel
