// The Linux program's window manager: the desktop's kind is chosen at the
// first FindWindowA, so that runs that look at no window need no display.
// A Wayland compositor that lists its toplevels is asked; otherwise the X
// server on $DISPLAY (XWayland under a Wayland session) is.
#include <cstdlib>
#include <memory>

#include "platform/display_failure.h"
#include "platform/wayland/wayland_window_manager.h"
#include "platform/window_manager.h"
#include "platform/window_table.h"
#include "platform/x11/x11_window_manager.h"

namespace brisquel {
namespace {

bool IsSet(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && value[0] != '\0';
}

// What the Wayland display lacks, in the display failures' terms.
DisplayFailure Lack(WaylandOutcome outcome) {
  return outcome == WaylandOutcome::kUnreachable ? DisplayFailure::kCannotOpen
                                                 : DisplayFailure::kNoWindowList;
}

// The Wayland backend when the compositor serves it, else the X11 one.
std::unique_ptr<WindowManager> ChooseWindowManager() {
  WaylandOutcome outcome = WaylandOutcome::kNotNamed;
  std::unique_ptr<WindowManager> wayland = OpenWaylandWindowManager(outcome);
  if (outcome == WaylandOutcome::kServed) return wayland;
  if (outcome == WaylandOutcome::kNotNamed) {
    if (!IsSet("DISPLAY")) EndForDisplay(DisplayFailure::kNoneNamed, DisplayKind::kX11);
  } else {
    if (!IsSet("DISPLAY")) EndForDisplays(Lack(outcome));
    NoteFallBackToX11(Lack(outcome));
  }
  return NewX11WindowManager();
}

// Chooses the backend at the first FindWindowA and forwards every call to
// it; before that there is no window and every other call fails.
class ChoosingWindowManager : public WindowManagerWrapper {
 public:
  WindowHandle FindWindowA(const char* class_name, const char* window_name) override {
    if (Target() == nullptr) SetTarget(ChooseWindowManager());
    return WindowManagerWrapper::FindWindowA(class_name, window_name);
  }
};

}  // namespace

std::unique_ptr<WindowManager> NewDefaultWindowManager() {
  return std::make_unique<ChoosingWindowManager>();
}

}  // namespace brisquel
