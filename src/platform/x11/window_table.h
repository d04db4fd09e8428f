// The desktop as one batch: the top-level windows in walk order with what
// the window calls report about each. The X11 window manager fills one at
// each FindWindowA and answers every later call from it, so a walk costs a
// handful of server round trips however many windows there are.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/window_manager.h"

namespace brisquel {

// One top-level window as the window calls report it. process_id 0 means
// unknown; parent 0 means none.
struct WindowRecord {
  WindowHandle handle = 0;
  std::string title;
  std::string class_name;
  std::uint32_t process_id = 0;
  WindowHandle parent = 0;
};

// Latin-1 bytes as UTF-8 (bytes 128 to 255 become two bytes each).
std::string Latin1ToUtf8(std::string_view latin1);

// The class a WM_CLASS value names: its second string (the class), else its
// first (the instance), else empty.
std::string_view ClassPart(std::string_view wm_class);

// The text up to its first NUL: a window call's text never holds one.
std::string_view UpToNul(std::string_view text);

// Answers the per-window calls from one batch, with the results the
// window-manager seam gives for them; an unknown handle fails each call.
class WindowTable {
 public:
  // Replaces the batch. A handle that occurs twice keeps its first place,
  // so that the walk always ends.
  void Assign(std::vector<WindowRecord> records);

  // The first window, or 0 when there is none.
  WindowHandle First() const;
  // The window after window in walk order; 0 at the end or when unknown.
  WindowHandle Next(WindowHandle window) const;

  int Title(WindowHandle window, char* buffer, int max_count) const;
  int ClassName(WindowHandle window, char* buffer, int max_count) const;
  // Thread and process ids are one number on X; 0 (nothing stored) when
  // the window is unknown or its process is.
  std::uint32_t ThreadProcessId(WindowHandle window, std::uint32_t* process_id) const;
  WindowHandle Parent(WindowHandle window) const;

 private:
  const WindowRecord* Find(WindowHandle window) const;

  std::vector<WindowRecord> records_;
  std::unordered_map<WindowHandle, std::size_t> places_;
};

}  // namespace brisquel
