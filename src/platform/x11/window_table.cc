#include "platform/x11/window_table.h"

#include <utility>

#include "runtime/text.h"

namespace brisquel {

std::string Latin1ToUtf8(std::string_view latin1) {
  std::string utf8;
  utf8.reserve(latin1.size());
  for (char c : latin1) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      utf8.push_back(c);
    } else {
      utf8.push_back(static_cast<char>(0xC0 | (byte >> 6)));
      utf8.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
    }
  }
  return utf8;
}

std::string_view UpToNul(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

std::string_view ClassPart(std::string_view wm_class) {
  const std::string_view instance = UpToNul(wm_class);
  std::string_view klass;
  if (instance.size() < wm_class.size()) klass = UpToNul(wm_class.substr(instance.size() + 1));
  return klass.empty() ? instance : klass;
}

void WindowTable::Assign(std::vector<WindowRecord> records) {
  records_.clear();
  places_.clear();
  records_.reserve(records.size());
  for (WindowRecord& record : records) {
    if (record.handle == 0 || places_.count(record.handle) != 0) continue;
    places_.emplace(record.handle, records_.size());
    records_.push_back(std::move(record));
  }
}

WindowHandle WindowTable::First() const {
  return records_.empty() ? 0 : records_.front().handle;
}

WindowHandle WindowTable::Next(WindowHandle window) const {
  const auto place = places_.find(window);
  if (place == places_.end() || place->second + 1 >= records_.size()) return 0;
  return records_[place->second + 1].handle;
}

const WindowRecord* WindowTable::Find(WindowHandle window) const {
  const auto place = places_.find(window);
  return place == places_.end() ? nullptr : &records_[place->second];
}

int WindowTable::Title(WindowHandle window, char* buffer, int max_count) const {
  const WindowRecord* record = Find(window);
  return CopyText(record ? std::string_view(record->title) : std::string_view(), buffer,
                  max_count);
}

int WindowTable::ClassName(WindowHandle window, char* buffer, int max_count) const {
  const WindowRecord* record = Find(window);
  return CopyText(record ? std::string_view(record->class_name) : std::string_view(), buffer,
                  max_count);
}

std::uint32_t WindowTable::ThreadProcessId(WindowHandle window,
                                           std::uint32_t* process_id) const {
  const WindowRecord* record = Find(window);
  if (record == nullptr || record->process_id == 0) return 0;
  if (process_id != nullptr) *process_id = record->process_id;
  return record->process_id;
}

WindowHandle WindowTable::Parent(WindowHandle window) const {
  const WindowRecord* record = Find(window);
  return record ? record->parent : 0;
}

}  // namespace brisquel
