#include "platform/fake/fake_desktop.h"

#include <algorithm>

#include "platform/display_failure.h"
#include "platform/fake/fake_process.h"

namespace brisquel {

bool FakeDesktop::Destroyed(WindowHandle window) const {
  return std::find(destroyed_.begin(), destroyed_.end(), window) != destroyed_.end();
}

WindowHandle FakeDesktop::Visit(WindowHandle window) {
  if (window != 0 && window == destroy_at_visit) destroyed_.push_back(window);
  return window;
}

void FakeDesktop::Record(const char* call, WindowHandle window) {
  if (record_calls) calls.push_back(std::string(call) + " " + std::to_string(window));
}

void FakeDesktop::ReadDesktop(WindowTable& table) {
  std::vector<WindowRecord> records;
  records.reserve(windows.size());
  for (const FakeWindow& w : windows) {
    records.push_back({w.handle, w.title, w.class_name, w.process, w.parent, w.thread,
                       w.wide_title.empty() ? WidenBytes(w.title) : w.wide_title});
  }
  table.Assign(std::move(records));
  if (partial_view) {
    NotePartialView(DisplayFailure::kWindowsUnread, DisplayKind::kWayland);
    MarkPartial();
  }
}

WindowHandle FakeDesktop::FindWindowA(const char* class_name, const char* window_name) {
  if (record_calls) calls.push_back("Find");
  if (display_unreachable) EndForDisplay(DisplayFailure::kCannotOpen, DisplayKind::kX11);
  get_window_calls_ = 0;
  destroyed_.clear();
  return Visit(TableWindowManager::FindWindowA(class_name, window_name));
}

WindowHandle FakeDesktop::GetWindow(WindowHandle window, std::uint32_t command) {
  Record("Next", window);
  ++get_window_calls_;
  // A destroyed window has no next, as on Windows: the walk ends there.
  if (get_window_calls_ == fail_get_window_at || Destroyed(window)) return 0;
  return Visit(TableWindowManager::GetWindow(window, command));
}

int FakeDesktop::GetWindowTextA(WindowHandle window, char* buffer, int max_count) {
  Record("Text", window);
  if (Destroyed(window)) return 0;
  return TableWindowManager::GetWindowTextA(window, buffer, max_count);
}

int FakeDesktop::GetWindowTextW(WindowHandle window, char16_t* buffer, int max_count) {
  Record("TextW", window);
  if (Destroyed(window)) return 0;
  return TableWindowManager::GetWindowTextW(window, buffer, max_count);
}

int FakeDesktop::GetClassNameA(WindowHandle window, char* buffer, int max_count) {
  Record("Class", window);
  if (Destroyed(window) || window == fail_class_of) return 0;
  return TableWindowManager::GetClassNameA(window, buffer, max_count);
}

std::uint32_t FakeDesktop::GetWindowThreadProcessId(WindowHandle window, std::uint32_t* process_id) {
  Record("Ids", window);
  if (Destroyed(window) || window == fail_ids_of) return 0;
  return TableWindowManager::GetWindowThreadProcessId(window, process_id);
}

WindowHandle FakeDesktop::GetParent(WindowHandle window) {
  Record("Parent", window);
  return Destroyed(window) ? 0 : TableWindowManager::GetParent(window);
}

}  // namespace brisquel
