#include "platform/kde/kde_window_list.h"

#include <algorithm>
#include <utility>

namespace brisquel {

void KdeWindowList::Announce(std::uint32_t id, std::string_view uuid) {
  if (by_id_.contains(id)) return;
  by_id_.emplace(id, windows_.size());
  Window window;
  window.id = id;
  window.uuid.assign(uuid);
  windows_.push_back(std::move(window));
}

void KdeWindowList::SetParent(std::size_t place, std::size_t parent) {
  windows_[place].parent = parent < windows_.size() ? windows_[parent].id : 0;
}

void KdeWindowList::StackById(const std::vector<std::uint32_t>& ids) {
  std::vector<std::size_t> places;
  places.reserve(ids.size());
  for (const std::uint32_t id : ids) {
    const auto found = by_id_.find(id);
    if (found != by_id_.end()) places.push_back(found->second);
  }
  const std::size_t unknown = ids.size() - places.size();
  Stack(std::move(places), unknown);
}

void KdeWindowList::StackByUuid(const std::vector<std::string>& uuids) {
  std::unordered_map<std::string_view, std::size_t> by_uuid;
  by_uuid.reserve(windows_.size());
  for (std::size_t place = 0; place < windows_.size(); ++place) by_uuid.emplace(windows_[place].uuid, place);
  std::vector<std::size_t> places;
  places.reserve(uuids.size());
  for (const std::string& uuid : uuids) {
    const auto found = by_uuid.find(uuid);
    if (found != by_uuid.end()) places.push_back(found->second);
  }
  const std::size_t unknown = uuids.size() - places.size();
  Stack(std::move(places), unknown);
}

void KdeWindowList::Stack(std::vector<std::size_t> places, std::size_t unknown) {
  stacking_ = std::move(places);
  unknown_stacked_ = unknown;
}

std::vector<std::size_t> KdeWindowList::TakeUnasked() {
  std::vector<std::size_t> places;
  const auto take = [&](std::size_t place) {
    if (windows_[place].asked) return;
    windows_[place].asked = true;
    places.push_back(place);
  };
  for (const std::size_t place : stacking_) take(place);
  for (std::size_t place = 0; place < windows_.size(); ++place) take(place);
  return places;
}

std::size_t KdeWindowList::Unread() const {
  std::size_t unread = unknown_stacked_;
  for (const std::size_t place : stacking_) {
    if (windows_[place].unmapped || !windows_[place].described) ++unread;
  }
  return unread;
}

std::vector<WindowRecord> KdeWindowList::Records() const {
  std::vector<bool> placed(windows_.size(), false);
  std::vector<std::size_t> order;  // topmost first
  order.reserve(windows_.size());
  for (auto place = stacking_.rbegin(); place != stacking_.rend(); ++place) {
    if (placed[*place]) continue;
    placed[*place] = true;
    order.push_back(*place);
  }
  for (std::size_t place = windows_.size(); place-- > 0;) {
    if (!placed[place]) order.push_back(place);
  }
  std::vector<WindowRecord> records;
  records.reserve(order.size());
  for (const std::size_t place : order) {
    const Window& window = windows_[place];
    if (window.unmapped || !window.described) continue;
    records.push_back({window.id, window.title, window.app_id, window.pid, window.parent});
  }
  return records;
}

}  // namespace brisquel
