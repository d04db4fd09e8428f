#include "platform/win32/win32_window_manager.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX  // the C++ library may have set it already
#endif
#include <windows.h>

#include <memory>

namespace brisquel {
namespace {

static_assert(sizeof(HWND) == sizeof(WindowHandle),
              "the window seam carries handles of a 32-bit program");

HWND ToHwnd(WindowHandle window) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
}

WindowHandle FromHwnd(HWND window) {
  return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(window));
}

}  // namespace

WindowHandle Win32WindowManager::FindWindowA(const char* class_name,
                                             const char* window_name) {
  return FromHwnd(::FindWindowA(class_name, window_name));
}

WindowHandle Win32WindowManager::GetWindow(WindowHandle window, std::uint32_t command) {
  return FromHwnd(::GetWindow(ToHwnd(window), command));
}

int Win32WindowManager::GetWindowTextA(WindowHandle window, char* buffer, int max_count) {
  const int length = ::GetWindowTextA(ToHwnd(window), buffer, max_count);
  // Wine fills the buffer with whatever its own scratch memory held when
  // the handle names no window (the null handle that ends every walk, or a
  // window closed meanwhile), and returns that as a title. A window gone
  // by the end of the call has no title to report.
  if (!::IsWindow(ToHwnd(window))) {
    if (max_count > 0) buffer[0] = 0;
    return 0;
  }
  return length;
}

int Win32WindowManager::GetClassNameA(WindowHandle window, char* buffer, int max_count) {
  return ::GetClassNameA(ToHwnd(window), buffer, max_count);
}

std::uint32_t Win32WindowManager::GetWindowThreadProcessId(WindowHandle window,
                                                           std::uint32_t* process_id) {
  // Windows stores nothing on failure; starting from the caller's value
  // keeps that.
  DWORD process = *process_id;
  const DWORD thread = ::GetWindowThreadProcessId(ToHwnd(window), &process);
  *process_id = process;
  return thread;
}

WindowHandle Win32WindowManager::GetParent(WindowHandle window) {
  return FromHwnd(::GetParent(ToHwnd(window)));
}

std::unique_ptr<WindowManager> NewDefaultWindowManager() {
  return std::make_unique<Win32WindowManager>();
}

}  // namespace brisquel
