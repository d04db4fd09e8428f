// A snapshot of the desktop's top-level windows: one entry per window with
// a non-empty title, in the window manager's order, taken on creation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/window_manager.h"

namespace brisquel {

struct TWindowInfo {
  WindowHandle Handle = 0;
  std::uint32_t ProcessId = 0;
  std::uint32_t ThreadId = 0;
  WindowHandle ParentHandle = 0;
  std::string ClassName;
};

class TWindowsList {
 public:
  // Takes the snapshot from windows.
  explicit TWindowsList(WindowManager& windows);

  // Empties the list and walks the top-level windows again.
  void Refresh();
  // Appends an entry for window when it has a title.
  void AddWindow(WindowHandle window);

  std::int32_t Count() const { return static_cast<std::int32_t>(items_.size()); }
  // Entry fields; an index outside 0..Count()-1 raises EListError.
  const std::string& Title(std::int32_t i) const;
  WindowHandle HandleOf(std::int32_t i) const;
  WindowHandle ParentOf(std::int32_t i) const;
  std::uint32_t ProcessIdOf(std::int32_t i) const;
  std::uint32_t ThreadIdOf(std::int32_t i) const;
  const std::string& ClassNameOf(std::int32_t i) const;

 private:
  struct Item {
    std::string title;
    std::unique_ptr<TWindowInfo> info;
  };
  const Item& At(std::int32_t i) const;

  WindowManager& windows_;
  std::vector<Item> items_;
};

}  // namespace brisquel
