// The window-manager calls the snapshot makes. Each mirrors the Windows
// call of the same name; handles, thread and process ids are 32-bit.
#pragma once

#include <cstdint>
#include <memory>

namespace brisquel {

using WindowHandle = std::uint32_t;

inline constexpr std::uint32_t kGwHwndNext = 2;

// A backend whose display cannot be reached, or is lost during the walk,
// does not return from the call: it ends the run through EndForDisplay
// (platform/display_failure.h), which writes one line naming the display on
// standard error and the output channel's buffered lines, and ends the
// process with kExitDisplayFailure (2). That path allocates nothing the
// backend does not already hold. Windows' own window manager has no such
// failure.
class WindowManager {
 public:
  virtual ~WindowManager() = default;

  // With both names null: the first top-level window, or 0 when none.
  virtual WindowHandle FindWindowA(const char* class_name, const char* window_name) = 0;

  // With kGwHwndNext: the next top-level window in the manager's order, or
  // 0 at the end or on failure.
  virtual WindowHandle GetWindow(WindowHandle window, std::uint32_t command) = 0;

  // Copies at most max_count - 1 bytes of the title and a NUL into buffer;
  // returns the number of bytes copied, 0 on failure or for no title.
  virtual int GetWindowTextA(WindowHandle window, char* buffer, int max_count) = 0;

  // Same contract as GetWindowTextA, in UTF-16 code units: the title as
  // the window holds it, with no character lost to the ANSI code page.
  // A desktop whose titles are UTF-8 answers with their UTF-16 form.
  virtual int GetWindowTextW(WindowHandle window, char16_t* buffer, int max_count) = 0;

  // Same contract as GetWindowTextA, for the window's class name.
  virtual int GetClassNameA(WindowHandle window, char* buffer, int max_count) = 0;

  // Returns the creating thread's id, stores the owning process's id in
  // *process_id; on failure returns 0 and stores nothing.
  virtual std::uint32_t GetWindowThreadProcessId(WindowHandle window,
                                                 std::uint32_t* process_id) = 0;

  // The window's parent or owner, 0 when it has none.
  virtual WindowHandle GetParent(WindowHandle window) = 0;

  // Whether the last walk saw the whole desktop. A desktop that could show
  // only part of it (XWayland's windows alone, where the Wayland session's
  // own list was withheld; a list whose windows could not all be read)
  // answers false, having said why in one line on standard error, so that
  // no report mistakes what it did not see for what is not there.
  virtual bool SawWholeDesktop() { return true; }
};

// The window manager of the desktop the program runs on, chosen by the
// build and, where a platform has more than one kind of desktop, at run time.
// Reaches no display until its first call.
std::unique_ptr<WindowManager> NewDefaultWindowManager();

}  // namespace brisquel
