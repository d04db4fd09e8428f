#include "platform/window_table.h"

#include <algorithm>
#include <utility>

#include "base/text.h"
#include "platform/wide_text.h"

namespace brisquel {
namespace {

constexpr std::size_t kNowhere = static_cast<std::size_t>(-1);

}  // namespace

void WindowTable::SortPlaces() {
  sorted_.clear();
  sorted_.reserve(order_.size());
  for (std::size_t place = 0; place < order_.size(); ++place) {
    sorted_.emplace_back(order_[place], static_cast<std::uint32_t>(place));
  }
  std::sort(sorted_.begin(), sorted_.end());
}

std::vector<bool> WindowTable::SetOrder(std::vector<WindowHandle> windows) {
  loaded_.clear();
  first_ = 0;
  last_ = 0;
  order_ = std::move(windows);
  SortPlaces();
  // A repeated handle keeps its first place: sorted by place within equal
  // handles, every entry after the first of its handle is a repeat. Handle
  // 0 ends every walk and is never kept.
  std::vector<bool> kept(order_.size(), true);
  bool any = false;
  for (std::size_t i = 0; i < sorted_.size(); ++i) {
    if (sorted_[i].first == 0 || (i > 0 && sorted_[i].first == sorted_[i - 1].first)) {
      kept[sorted_[i].second] = false;
      any = true;
    }
  }
  // The walk asks about the window it stands on, which needs no search: the
  // sorted places are made again only when a call asks about another one.
  std::vector<std::pair<WindowHandle, std::uint32_t>>().swap(sorted_);
  if (!any) return kept;
  std::size_t count = 0;
  for (std::size_t place = 0; place < order_.size(); ++place) {
    if (kept[place]) order_[count++] = order_[place];
  }
  order_.resize(count);
  order_.shrink_to_fit();
  return kept;
}

void WindowTable::Assign(std::vector<WindowRecord> records) {
  std::vector<WindowHandle> windows;
  windows.reserve(records.size());
  for (const WindowRecord& record : records) windows.push_back(record.handle);
  const std::vector<bool> kept = SetOrder(std::move(windows));
  std::size_t count = 0;
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (!kept[i]) continue;
    if (count != i) records[count] = std::move(records[i]);
    ++count;
  }
  records.resize(count);
  loaded_ = std::move(records);
  batch_ = std::max<std::size_t>(loaded_.size(), 1);
  load_ = nullptr;
}

void WindowTable::AssignLazily(std::vector<WindowHandle> windows, std::size_t batch,
                               RecordLoader load) {
  SetOrder(std::move(windows));
  batch_ = std::max<std::size_t>(batch, 1);
  load_ = std::move(load);
}

std::size_t WindowTable::PlaceOf(WindowHandle window) {
  if (window == 0) return kNowhere;  // the walk's end: never in the table
  // The calls ask mostly about the window the walk stands on or the next.
  for (std::size_t place = last_; place < last_ + 2 && place < order_.size(); ++place) {
    if (order_[place] == window) return last_ = place;
  }
  if (sorted_.size() != order_.size()) SortPlaces();
  const auto found = std::lower_bound(sorted_.begin(), sorted_.end(),
                                      std::make_pair(window, std::uint32_t{0}));
  if (found == sorted_.end() || found->first != window) return kNowhere;
  return last_ = found->second;
}

const WindowRecord& WindowTable::At(std::size_t place) {
  if (place < first_ || place - first_ >= loaded_.size()) {
    static const WindowRecord kGone;
    if (!load_) return kGone;
    const std::size_t count = std::min(batch_, order_.size() - place);
    loaded_.clear();  // the old batch goes before the new one is read
    loaded_ = load_(std::span<const WindowHandle>(order_).subspan(place, count));
    first_ = place;
    loaded_.resize(count);  // a short answer leaves the rest gone
  }
  return loaded_[place - first_];
}

WindowHandle WindowTable::LiveFrom(std::size_t place) {
  for (; place < order_.size(); ++place) {
    const WindowRecord& record = At(place);
    if (record.handle == order_[place]) return record.handle;
  }
  return 0;
}

const WindowRecord* WindowTable::Find(WindowHandle window) {
  const std::size_t place = PlaceOf(window);
  if (place == kNowhere) return nullptr;
  const WindowRecord& record = At(place);
  return record.handle == window ? &record : nullptr;
}

WindowHandle WindowTable::First() { return LiveFrom(0); }

WindowHandle WindowTable::Next(WindowHandle window) {
  const std::size_t place = PlaceOf(window);
  return place == kNowhere ? 0 : LiveFrom(place + 1);
}

int WindowTable::Title(WindowHandle window, char* buffer, int max_count) {
  const WindowRecord* record = Find(window);
  return CopyText(record ? std::string_view(record->title) : std::string_view(), buffer,
                  max_count);
}

int WindowTable::WideTitle(WindowHandle window, char16_t* buffer, int max_count) {
  const WindowRecord* record = Find(window);
  if (record == nullptr) return CopyWideText(std::u16string_view(), buffer, max_count);
  if (!record->wide_title.empty() || record->title.empty()) {
    return CopyWideText(record->wide_title, buffer, max_count);
  }
  return CopyWideText(Utf16FromUtf8(record->title), buffer, max_count);
}

int WindowTable::ClassName(WindowHandle window, char* buffer, int max_count) {
  const WindowRecord* record = Find(window);
  return CopyText(record ? std::string_view(record->class_name) : std::string_view(), buffer,
                  max_count);
}

std::uint32_t WindowTable::ThreadProcessId(WindowHandle window, std::uint32_t* process_id) {
  const WindowRecord* record = Find(window);
  if (record == nullptr) return 0;
  const std::uint32_t thread = record->thread_id.value_or(record->process_id);
  if (thread == 0 && record->process_id == 0) return 0;
  if (process_id != nullptr) *process_id = record->process_id;
  return thread;
}

WindowHandle WindowTable::Parent(WindowHandle window) {
  const WindowRecord* record = Find(window);
  return record ? record->parent : 0;
}

WindowHandle TableWindowManager::FindWindowA(const char* class_name, const char* window_name) {
  if (class_name != nullptr || window_name != nullptr) return 0;
  whole_ = true;
  ReadDesktop(table_);
  return table_.First();
}

WindowHandle TableWindowManager::GetWindow(WindowHandle window, std::uint32_t command) {
  return command == kGwHwndNext ? table_.Next(window) : 0;
}

int TableWindowManager::GetWindowTextA(WindowHandle window, char* buffer, int max_count) {
  return table_.Title(window, buffer, max_count);
}

int TableWindowManager::GetWindowTextW(WindowHandle window, char16_t* buffer, int max_count) {
  return table_.WideTitle(window, buffer, max_count);
}

int TableWindowManager::GetClassNameA(WindowHandle window, char* buffer, int max_count) {
  return table_.ClassName(window, buffer, max_count);
}

std::uint32_t TableWindowManager::GetWindowThreadProcessId(WindowHandle window, std::uint32_t* process_id) {
  return table_.ThreadProcessId(window, process_id);
}

WindowHandle TableWindowManager::GetParent(WindowHandle window) { return table_.Parent(window); }

WindowHandle WindowManagerWrapper::FindWindowA(const char* class_name, const char* window_name) {
  return target_ ? target_->FindWindowA(class_name, window_name) : 0;
}

WindowHandle WindowManagerWrapper::GetWindow(WindowHandle window, std::uint32_t command) {
  return target_ ? target_->GetWindow(window, command) : 0;
}

int WindowManagerWrapper::GetWindowTextA(WindowHandle window, char* buffer, int max_count) {
  return target_ ? target_->GetWindowTextA(window, buffer, max_count) : 0;
}

int WindowManagerWrapper::GetWindowTextW(WindowHandle window, char16_t* buffer, int max_count) {
  return target_ ? target_->GetWindowTextW(window, buffer, max_count) : 0;
}

int WindowManagerWrapper::GetClassNameA(WindowHandle window, char* buffer, int max_count) {
  return target_ ? target_->GetClassNameA(window, buffer, max_count) : 0;
}

std::uint32_t WindowManagerWrapper::GetWindowThreadProcessId(WindowHandle window, std::uint32_t* process_id) {
  return target_ ? target_->GetWindowThreadProcessId(window, process_id) : 0;
}

WindowHandle WindowManagerWrapper::GetParent(WindowHandle window) {
  return target_ ? target_->GetParent(window) : 0;
}

bool WindowManagerWrapper::SawWholeDesktop() { return target_ ? target_->SawWholeDesktop() : true; }

}  // namespace brisquel
