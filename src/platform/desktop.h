// What a desktop backend of the Linux program answers when asked for its
// window list: the window manager that serves it, or why not. The chooser
// (platform/linux/) asks the desktops in turn and decides on the answers.
#pragma once

#include <memory>
#include <string_view>

#include "platform/display_failure.h"
#include "platform/window_manager.h"

namespace brisquel {

struct DesktopOpening {
  // Set when the desktop serves its window list.
  std::unique_ptr<WindowManager> manager;
  // False when the variable naming the display is not set: nothing was
  // tried.
  bool named = true;
  // Otherwise, why not, and which display failed.
  DisplayFailure failure = DisplayFailure::kCannotOpen;
  DisplayKind kind = DisplayKind::kWayland;
  // What to do about it, when the desktop knows (a static text).
  std::string_view detail;
};

}  // namespace brisquel
