#include "platform/win32/win32_window_manager.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX  // the C++ library may have set it already
#endif
#include <windows.h>

#include <exception>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace brisquel {
namespace {

static_assert(sizeof(HWND) == sizeof(WindowHandle),
              "the window seam carries handles of a 32-bit program");
static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16 code units");

// The records read in one go: small enough that the records at hand stay
// close to the windows the walk stands on, large enough that the batches
// cost nothing next to the calls.
constexpr std::size_t kBatch = 64;

// The counts the snapshot passes to the text calls, so that the cut of a
// long title or class name is Windows' own: 254 bytes, and for the UTF-16
// title 254 characters outside the Basic Multilingual Plane.
constexpr int kMaxCount = 255;
constexpr int kWideMaxCount = 2 * 254 + 1;

HWND ToHwnd(WindowHandle window) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
}

WindowHandle FromHwnd(HWND window) {
  return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(window));
}

struct Collected {
  std::vector<WindowHandle> windows;
  std::exception_ptr failure;  // memory ran out: carried past user32's frames
};

BOOL CALLBACK Collect(HWND window, LPARAM collected) {
  auto& into = *reinterpret_cast<Collected*>(collected);
  try {
    into.windows.push_back(FromHwnd(window));
  } catch (...) {
    into.failure = std::current_exception();
    return FALSE;
  }
  return TRUE;
}

// What the six calls report about window, or a record with handle 0 when
// the window is gone by the end of the reading.
WindowRecord ReadRecord(WindowHandle window) {
  const HWND hwnd = ToHwnd(window);
  WindowRecord record;
  DWORD process = 0;
  record.thread_id = ::GetWindowThreadProcessId(hwnd, &process);
  record.process_id = process;
  record.parent = FromHwnd(::GetParent(hwnd));
  char class_name[kMaxCount + 1] = {};
  ::GetClassNameA(hwnd, class_name, kMaxCount);
  record.class_name = class_name;
  char title[kMaxCount + 1] = {};
  ::GetWindowTextA(hwnd, title, kMaxCount);
  wchar_t wide[kWideMaxCount + 1] = {};
  ::GetWindowTextW(hwnd, wide, kWideMaxCount);
  // Wine fills the buffers with whatever its own scratch memory held when
  // the handle names a window closed meanwhile, and returns that as a
  // title: a window gone by the end of the reading is left out.
  if (!::IsWindow(hwnd)) return WindowRecord{};
  record.wide_title.assign(reinterpret_cast<const char16_t*>(wide));
  // A title emptied between the two reads is the window's title now.
  if (!record.wide_title.empty()) record.title = title;
  record.handle = window;
  return record;
}

std::vector<WindowRecord> ReadRecords(std::span<const WindowHandle> windows) {
  std::vector<WindowRecord> records;
  records.reserve(windows.size());
  for (const WindowHandle window : windows) records.push_back(ReadRecord(window));
  return records;
}

}  // namespace

void Win32WindowManager::ReadDesktop(WindowTable& table) {
  Collected collected;
  if (!::EnumWindows(Collect, reinterpret_cast<LPARAM>(&collected))) {
    if (collected.failure) std::rethrow_exception(collected.failure);
    // Windows could not make its list: the windows one after another, as
    // far as the chain of GetWindow calls reaches, rather than none.
    collected.windows.clear();
    for (HWND window = ::FindWindowA(nullptr, nullptr); window != nullptr;
         window = ::GetWindow(window, GW_HWNDNEXT)) {
      collected.windows.push_back(FromHwnd(window));
    }
  }
  table.AssignLazily(std::move(collected.windows), kBatch, ReadRecords);
}

std::unique_ptr<WindowManager> NewDefaultWindowManager() {
  return std::make_unique<Win32WindowManager>();
}

}  // namespace brisquel
