#include "platform/fake/fake_desktop.h"

#include <algorithm>
#include <cstring>

namespace brisquel {
namespace {

int CopyText(const std::string& text, char* buffer, int max_count) {
  if (max_count <= 0) return 0;
  const std::size_t length = std::min(text.size(), static_cast<std::size_t>(max_count - 1));
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return static_cast<int>(length);
}

}  // namespace

const FakeWindow* FakeDesktop::Live(WindowHandle window) const {
  if (window == 0 || std::find(destroyed_.begin(), destroyed_.end(), window) != destroyed_.end()) return nullptr;
  for (const FakeWindow& w : windows) {
    if (w.handle == window) return &w;
  }
  return nullptr;
}

WindowHandle FakeDesktop::FindWindowA(const char*, const char*) {
  calls.push_back("Find");
  get_window_calls_ = 0;
  destroyed_.clear();
  if (windows.empty()) return 0;
  if (windows.front().handle == destroy_at_visit) destroyed_.push_back(destroy_at_visit);
  return windows.front().handle;
}

WindowHandle FakeDesktop::GetWindow(WindowHandle window, std::uint32_t command) {
  calls.push_back("Next " + std::to_string(window));
  ++get_window_calls_;
  if (command != kGwHwndNext || get_window_calls_ == fail_get_window_at || !Live(window)) return 0;
  for (std::size_t i = 0; i + 1 < windows.size(); ++i) {
    if (windows[i].handle == window) {
      const WindowHandle next = windows[i + 1].handle;
      if (next == destroy_at_visit) destroyed_.push_back(next);
      return next;
    }
  }
  return 0;
}

int FakeDesktop::GetWindowTextA(WindowHandle window, char* buffer, int max_count) {
  calls.push_back("Text " + std::to_string(window));
  const FakeWindow* w = Live(window);
  return w ? CopyText(w->title, buffer, max_count) : 0;
}

int FakeDesktop::GetClassNameA(WindowHandle window, char* buffer, int max_count) {
  calls.push_back("Class " + std::to_string(window));
  const FakeWindow* w = Live(window);
  if (!w || window == fail_class_of) return 0;
  return CopyText(w->class_name, buffer, max_count);
}

std::uint32_t FakeDesktop::GetWindowThreadProcessId(WindowHandle window, std::uint32_t* process_id) {
  calls.push_back("Ids " + std::to_string(window));
  const FakeWindow* w = Live(window);
  if (!w || window == fail_ids_of) return 0;
  *process_id = w->process;
  return w->thread;
}

WindowHandle FakeDesktop::GetParent(WindowHandle window) {
  calls.push_back("Parent " + std::to_string(window));
  const FakeWindow* w = Live(window);
  return w ? w->parent : 0;
}

}  // namespace brisquel
