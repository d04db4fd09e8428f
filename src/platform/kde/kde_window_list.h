// The windows KWin's window list has announced, with what their window
// objects said about them, and the records of the walk in stacking order.
// Knows nothing of the Wayland library, so that tests can drive it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/window_table.h"

namespace brisquel {

// A window is named by KWin's window id (its internal id, which stays the
// same while the window lives) and, on KWin 5.24 and later, by a uuid.
class KdeWindowList {
 public:
  // A window announced, after every earlier one; a repeated id is ignored.
  void Announce(std::uint32_t id, std::string_view uuid);
  std::size_t Count() const { return windows_.size(); }
  // The id and uuid of the window announced at place.
  std::uint32_t IdAt(std::size_t place) const { return windows_[place].id; }
  const std::string& UuidAt(std::size_t place) const { return windows_[place].uuid; }

  // What the window object of the window at place said.
  void SetTitle(std::size_t place, std::string_view title) { windows_[place].title.assign(title); }
  void SetAppId(std::size_t place, std::string_view app_id) { windows_[place].app_id.assign(app_id); }
  void SetPid(std::size_t place, std::uint32_t pid) { windows_[place].pid = pid; }
  // parent: the place of the parent window; none when it is Count() or more.
  void SetParent(std::size_t place, std::size_t parent);
  // The window has closed: it is left out of the walk.
  void Unmap(std::size_t place) { windows_[place].unmapped = true; }
  // The window object of the window at place has said all it knows: the
  // window is walked from now on.
  void Describe(std::size_t place) { windows_[place].described = true; }

  // KWin's stacking order, bottom first, by id or by uuid, which replaces
  // the last one. Without one the windows stand in the order they were
  // announced.
  void StackById(const std::vector<std::uint32_t>& ids);
  void StackByUuid(const std::vector<std::string>& uuids);

  // The places of the windows whose objects have not been asked for yet,
  // in the order to ask: the stacked ones bottom first, so that a window's
  // parent, which KWin stacks below it, has its object first; then the
  // others as they were announced. They count as asked for from now on.
  std::vector<std::size_t> TakeUnasked();

  // How many windows the stacking order names that the walk cannot give:
  // unknown names, and windows whose objects said nothing or that unmapped.
  std::size_t Unread() const;

  // The walk: every live window described, topmost first. A window the stacking order
  // leaves out is never lost: such windows follow, newest first.
  std::vector<WindowRecord> Records() const;

 private:
  struct Window {
    std::uint32_t id = 0;
    std::string uuid;
    std::string title;
    std::string app_id;
    std::uint32_t pid = 0;
    std::uint32_t parent = 0;  // the parent's id
    bool unmapped = false;
    bool described = false;
    bool asked = false;
  };
  void Stack(std::vector<std::size_t> places, std::size_t unknown);

  std::vector<Window> windows_;
  std::unordered_map<std::uint32_t, std::size_t> by_id_;
  std::vector<std::size_t> stacking_;  // places, bottom first
  std::size_t unknown_stacked_ = 0;    // names in the stacking order that no window has
};

}  // namespace brisquel
