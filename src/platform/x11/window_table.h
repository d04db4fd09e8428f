// The desktop as the window calls see it: the top-level windows in walk
// order, with what the calls report about each. The X11 window manager
// fills one at each FindWindowA; the windows' details are read a batch at
// a time as the walk reaches them, so memory is bounded by the batch, not
// by the desktop, and a walk costs a few server round trips per batch.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/window_manager.h"
#include "platform/x11/x11_text.h"

namespace brisquel {

// One top-level window as the window calls report it. process_id 0 means
// unknown; parent 0 means none; handle 0 marks a window that has gone.
struct WindowRecord {
  WindowHandle handle = 0;
  std::string title;
  std::string class_name;
  std::uint32_t process_id = 0;
  WindowHandle parent = 0;
};

// Reads the records of windows, one per window in the same order.
using RecordLoader = std::function<std::vector<WindowRecord>(std::span<const WindowHandle>)>;

// Answers the per-window calls with the results the window-manager seam
// gives for them; an unknown or vanished handle fails each call.
class WindowTable {
 public:
  // Replaces the table with windows in walk order, whose records load
  // reads, at most batch windows a call, when the walk or a call reaches
  // them. A handle that occurs twice keeps its first place, so that the
  // walk always ends; a window load marks gone is skipped.
  void AssignLazily(std::vector<WindowHandle> windows, std::size_t batch, RecordLoader load);

  // The first window, or 0 when there is none.
  WindowHandle First();
  // The window after window in walk order; 0 at the end or when unknown.
  WindowHandle Next(WindowHandle window);

  int Title(WindowHandle window, char* buffer, int max_count);
  int ClassName(WindowHandle window, char* buffer, int max_count);
  // Thread and process ids are one number on X; 0 (nothing stored) when
  // the window is unknown or its process is.
  std::uint32_t ThreadProcessId(WindowHandle window, std::uint32_t* process_id);
  WindowHandle Parent(WindowHandle window);

 private:
  void SetOrder(std::vector<WindowHandle> windows);
  void SortPlaces();
  // The place of window in the walk, or npos.
  std::size_t PlaceOf(WindowHandle window);
  // The record at place, read with its batch when not at hand.
  const WindowRecord& At(std::size_t place);
  const WindowRecord* Find(WindowHandle window);
  WindowHandle LiveFrom(std::size_t place);

  std::vector<WindowHandle> order_;
  std::vector<std::pair<WindowHandle, std::uint32_t>> sorted_;  // handle, place; made when needed
  std::size_t last_ = 0;  // the place last asked about
  std::vector<WindowRecord> loaded_;  // the records of places first_ onwards
  std::size_t first_ = 0;
  std::size_t batch_ = 0;
  RecordLoader load_;
};

}  // namespace brisquel
