#include "platform/fake/fake_desktop.h"

#include <algorithm>

#include "runtime/display_end.h"
#include "runtime/text.h"

namespace brisquel {

const FakeWindow* FakeDesktop::Live(WindowHandle window) const {
  if (window == 0 || std::find(destroyed_.begin(), destroyed_.end(), window) != destroyed_.end()) return nullptr;
  const auto at = position_.find(window);
  return at == position_.end() ? nullptr : &windows[at->second];
}

void FakeDesktop::Record(const char* call, WindowHandle window) {
  if (record_calls) calls.push_back(std::string(call) + " " + std::to_string(window));
}

WindowHandle FakeDesktop::FindWindowA(const char*, const char*) {
  if (record_calls) calls.push_back("Find");
  if (display_unreachable) EndForDisplay("cannot open display ", "\":fake\"");
  get_window_calls_ = 0;
  destroyed_.clear();
  position_.clear();
  for (std::size_t i = 0; i < windows.size(); ++i) position_.emplace(windows[i].handle, i);
  if (windows.empty()) return 0;
  if (windows.front().handle == destroy_at_visit) destroyed_.push_back(destroy_at_visit);
  return windows.front().handle;
}

WindowHandle FakeDesktop::GetWindow(WindowHandle window, std::uint32_t command) {
  Record("Next", window);
  ++get_window_calls_;
  if (command != kGwHwndNext || get_window_calls_ == fail_get_window_at || !Live(window)) return 0;
  const std::size_t next = position_.at(window) + 1;
  if (next >= windows.size()) return 0;
  if (windows[next].handle == destroy_at_visit) destroyed_.push_back(windows[next].handle);
  return windows[next].handle;
}

int FakeDesktop::GetWindowTextA(WindowHandle window, char* buffer, int max_count) {
  Record("Text", window);
  const FakeWindow* w = Live(window);
  return w ? CopyText(w->title, buffer, max_count) : 0;
}

int FakeDesktop::GetClassNameA(WindowHandle window, char* buffer, int max_count) {
  Record("Class", window);
  const FakeWindow* w = Live(window);
  if (!w || window == fail_class_of) return 0;
  return CopyText(w->class_name, buffer, max_count);
}

std::uint32_t FakeDesktop::GetWindowThreadProcessId(WindowHandle window, std::uint32_t* process_id) {
  Record("Ids", window);
  const FakeWindow* w = Live(window);
  if (!w || window == fail_ids_of) return 0;
  *process_id = w->process;
  return w->thread;
}

WindowHandle FakeDesktop::GetParent(WindowHandle window) {
  Record("Parent", window);
  const FakeWindow* w = Live(window);
  return w ? w->parent : 0;
}

}  // namespace brisquel
