// The window manager on user32: each call goes straight to the Windows
// call of the same name. Window handles are 32 bits wide on every Windows
// build of this program, so the cast to WindowHandle loses nothing.
#pragma once

#include <cstdint>

#include "platform/window_manager.h"

namespace brisquel {

class Win32WindowManager final : public WindowManager {
 public:
  WindowHandle FindWindowA(const char* class_name, const char* window_name) override;
  WindowHandle GetWindow(WindowHandle window, std::uint32_t command) override;
  int GetWindowTextA(WindowHandle window, char* buffer, int max_count) override;
  int GetClassNameA(WindowHandle window, char* buffer, int max_count) override;
  std::uint32_t GetWindowThreadProcessId(WindowHandle window,
                                         std::uint32_t* process_id) override;
  WindowHandle GetParent(WindowHandle window) override;
};

}  // namespace brisquel
