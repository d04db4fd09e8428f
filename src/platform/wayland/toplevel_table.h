// The toplevels a foreign-toplevel manager has announced, kept as its
// events describe them, and the records of the walk the window calls make
// over them. Knows nothing of the Wayland library, so that tests can drive
// it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/window_table.h"

namespace brisquel {

// Each toplevel is named by a handle that is unique among the live ones
// (the client-side object id). A handle's events change its pending state;
// its done event makes the pending state the one the walk sees, as the
// protocol asks. Handles that have not had a done event yet are not walked.
class ToplevelTable {
 public:
  // The toplevel event: a new toplevel, placed after every earlier one.
  void Announce(WindowHandle toplevel);
  void SetTitle(WindowHandle toplevel, std::string_view title);
  void SetAppId(WindowHandle toplevel, std::string_view app_id);
  // parent 0: none.
  void SetParent(WindowHandle toplevel, WindowHandle parent);
  void Done(WindowHandle toplevel);
  // The closed event: the toplevel leaves the table, and its handle may
  // name a later toplevel.
  void Close(WindowHandle toplevel);

  // How many toplevels have been announced so far, closed ones included.
  std::size_t Announced() const { return entries_.size(); }
  // Whether each of the first count toplevels announced has had its done
  // event or has closed.
  bool SettledUpTo(std::size_t count) const;

  // The walk: the toplevels that have had a done event, in the order they
  // were announced, as they stood at their last done event. The handle is
  // the toplevel's; the protocol names no process.
  std::vector<WindowRecord> Records() const;

 private:
  struct State {
    std::string title;
    std::string app_id;
    WindowHandle parent = 0;
  };
  struct Entry {
    WindowHandle handle = 0;
    State pending;
    State current;
    bool done = false;
    bool closed = false;
  };
  Entry* Live(WindowHandle toplevel);

  // A deque, so that the table grows without moving what it holds: each
  // page it takes is touched once.
  std::deque<Entry> entries_;
  std::unordered_map<WindowHandle, std::size_t> live_;
};

}  // namespace brisquel
