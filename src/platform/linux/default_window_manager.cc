// The Linux program's window manager: the desktop's kind is chosen here.
#include "platform/window_manager.h"
#include "platform/x11/x11_window_manager.h"

namespace brisquel {

std::unique_ptr<WindowManager> NewDefaultWindowManager() { return NewX11WindowManager(); }

}  // namespace brisquel
