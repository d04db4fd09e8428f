// A snapshot of the desktop's top-level windows: one entry per window with
// a non-empty title, in the window manager's order, taken on creation.
//
// Entries are packed, so that a snapshot of a large desktop costs little
// more than its texts: each entry's title, class name and match text lie
// side by side in blocks of text that never move, and the entries
// themselves are fixed records in a sequence that grows without copying.
//
// The match text is what a search compares: the title as the window holds
// it. Where the program's texts are UTF-8 that is the title itself; in an
// ANSI code page, which turns every character it cannot hold into '?', it
// is the UTF-8 form of GetWindowTextW's title.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window_manager.h"

namespace brisquel {

// What AddWindow learns of one window; the list keeps it packed in an Item.
struct TWindowInfo {
  WindowHandle Handle = 0;
  std::uint32_t ProcessId = 0;
  std::uint32_t ThreadId = 0;
  WindowHandle ParentHandle = 0;
  std::string_view ClassName;  // cut, in AddWindow's buffer
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
  // False when the walk saw only part of the desktop (the window manager
  // has said which part on standard error): a window not in the list may
  // still be open.
  bool Whole() const { return whole_; }
  // Entry fields; an index outside 0..Count()-1 raises EListError. The
  // texts are the list's own, valid until it is refreshed or destroyed.
  std::string_view Title(std::int32_t i) const;
  WindowHandle HandleOf(std::int32_t i) const;
  WindowHandle ParentOf(std::int32_t i) const;
  std::uint32_t ProcessIdOf(std::int32_t i) const;
  std::uint32_t ThreadIdOf(std::int32_t i) const;
  std::string_view ClassNameOf(std::int32_t i) const;
  // The title in the form searches compare: UTF-8, as the window holds it,
  // with no fewer characters than Title(i) shows.
  std::string_view MatchTextOf(std::int32_t i) const;

 private:
  // Triples of texts kept side by side, in blocks that never move before
  // the list is freed: two of up to 255 bytes with a length byte each, and
  // a third of up to 4,096 bytes with a two-byte length.
  class TextStore {
   public:
    // Stores the three texts together and returns their place.
    std::uint32_t Add(std::string_view first, std::string_view second, std::string_view third);
    std::string_view First(std::uint32_t place) const;
    std::string_view Second(std::uint32_t place) const;
    std::string_view Third(std::uint32_t place) const;
    void Clear();

   private:
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::uint32_t used_ = 0;  // bytes used in the last block
  };

  struct Item {
    WindowHandle handle;
    WindowHandle parent;
    std::uint32_t process_id;
    std::uint32_t thread_id;
    std::uint32_t texts;  // the place of the title, the class name and the match text (empty: the title)
  };
  const Item& At(std::int32_t i) const;
  // The match text of window, whose title shown was read already.
  std::string MatchText(WindowHandle window, std::string_view shown);

  WindowManager& windows_;
  std::deque<Item> items_;
  TextStore texts_;
  bool whole_ = true;
};

}  // namespace brisquel
