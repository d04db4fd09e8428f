// The window manager on user32. The list of top-level windows is taken in
// one piece (EnumWindows) at each walk's start and served from the shared
// window table, the windows' records read a batch at a time as the walk
// reaches them: a window that closes meanwhile is left out and never ends
// the walk, as stepping from window to window with GetWindow would.
// Window handles are 32 bits wide on every Windows build of this program,
// so the cast to WindowHandle loses nothing.
#pragma once

#include "platform/window_table.h"

namespace brisquel {

class Win32WindowManager final : public TableWindowManager {
 protected:
  void ReadDesktop(WindowTable& table) override;
};

}  // namespace brisquel
