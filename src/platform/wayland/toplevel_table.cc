#include "platform/wayland/toplevel_table.h"

#include "runtime/text.h"

namespace brisquel {

void ToplevelTable::Announce(WindowHandle toplevel) {
  // A handle is announced again only after its toplevel closed; should a
  // compositor skip the closed event, the older toplevel is taken as gone.
  Close(toplevel);
  live_[toplevel] = entries_.size();
  entries_.push_back(Entry{toplevel, {}, {}, false, false});
}

ToplevelTable::Entry* ToplevelTable::Live(WindowHandle toplevel) {
  const auto place = live_.find(toplevel);
  return place == live_.end() ? nullptr : &entries_[place->second];
}

void ToplevelTable::SetTitle(WindowHandle toplevel, std::string_view title) {
  if (Entry* entry = Live(toplevel)) entry->pending.title.assign(title);
}

void ToplevelTable::SetAppId(WindowHandle toplevel, std::string_view app_id) {
  if (Entry* entry = Live(toplevel)) entry->pending.app_id.assign(app_id);
}

void ToplevelTable::SetParent(WindowHandle toplevel, WindowHandle parent) {
  if (Entry* entry = Live(toplevel)) entry->pending.parent = parent;
}

void ToplevelTable::Done(WindowHandle toplevel) {
  if (Entry* entry = Live(toplevel)) {
    entry->current = entry->pending;
    entry->done = true;
  }
}

void ToplevelTable::Close(WindowHandle toplevel) {
  const auto place = live_.find(toplevel);
  if (place == live_.end()) return;
  Entry& entry = entries_[place->second];
  entry.closed = true;
  // What a closed toplevel held is needed no more.
  entry.pending = {};
  entry.current = {};
  live_.erase(place);
}

bool ToplevelTable::SettledUpTo(std::size_t count) const {
  for (std::size_t i = 0; i < count && i < entries_.size(); ++i) {
    if (!entries_[i].done && !entries_[i].closed) return false;
  }
  return true;
}

void ToplevelTable::Freeze() {
  walk_.clear();
  walk_places_.clear();
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].closed || !entries_[i].done) continue;
    walk_places_.emplace(entries_[i].handle, walk_.size());
    walk_.push_back(i);
  }
}

const ToplevelTable::Entry* ToplevelTable::Walked(WindowHandle window) const {
  const auto place = walk_places_.find(window);
  return place == walk_places_.end() ? nullptr : &entries_[walk_[place->second]];
}

WindowHandle ToplevelTable::First() const {
  return walk_.empty() ? 0 : entries_[walk_.front()].handle;
}

WindowHandle ToplevelTable::Next(WindowHandle window) const {
  const auto place = walk_places_.find(window);
  if (place == walk_places_.end() || place->second + 1 >= walk_.size()) return 0;
  return entries_[walk_[place->second + 1]].handle;
}

int ToplevelTable::Title(WindowHandle window, char* buffer, int max_count) const {
  const Entry* entry = Walked(window);
  return CopyText(entry ? std::string_view(entry->current.title) : std::string_view(), buffer,
                  max_count);
}

int ToplevelTable::ClassName(WindowHandle window, char* buffer, int max_count) const {
  const Entry* entry = Walked(window);
  return CopyText(entry ? std::string_view(entry->current.app_id) : std::string_view(), buffer,
                  max_count);
}

WindowHandle ToplevelTable::Parent(WindowHandle window) const {
  const Entry* entry = Walked(window);
  return entry ? entry->current.parent : 0;
}

}  // namespace brisquel
