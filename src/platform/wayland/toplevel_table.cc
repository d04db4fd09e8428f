#include "platform/wayland/toplevel_table.h"

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

std::vector<WindowRecord> ToplevelTable::Records() const {
  std::vector<WindowRecord> records;
  std::size_t walked = 0;
  for (const Entry& entry : entries_) walked += !entry.closed && entry.done;
  records.reserve(walked);
  for (const Entry& entry : entries_) {
    if (entry.closed || !entry.done) continue;
    records.push_back({entry.handle, entry.current.title, entry.current.app_id, 0, entry.current.parent});
  }
  return records;
}

}  // namespace brisquel
