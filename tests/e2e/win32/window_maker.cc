// Makes the top-level windows a Wine test asks for, reports what it made,
// and keeps them until told to go.
//
//   window_maker.exe LAYOUT OUT STOP
//
// LAYOUT holds one window a line: kind, TAB, class name, TAB, title (raw
// bytes in the ANSI code page). kind is "shown", "hidden", "owned" (a
// popup owned by the window of the line before), or "wide" (shown, its
// title given in UTF-8 and set through SetWindowTextW, so that characters
// the ANSI code page lacks reach the window whole). Once every window exists
// OUT appears (written under another name, then renamed), one line per
// window of ours in the system's z-order (EnumWindows):
//   LINE HWND TID PID OWNER
// LINE is the window's 0-based line in LAYOUT, the rest upper-case hex.
// The program ends when the file STOP exists, or with exit code 3 after
// ten minutes (the test's runs take seconds each under emulation).
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX  // the C++ library may have set it already
#endif
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr DWORD kLifetimeMs = 600000;

struct Made {
  HWND window = nullptr;
  HWND owner = nullptr;
};

std::vector<Made> made;

std::string ReadFileBytes(const char* path) {
  std::string bytes;
  if (FILE* file = std::fopen(path, "rb")) {
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, n);
    std::fclose(file);
  }
  return bytes;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "window_maker: %s failed, error %lu\n", what, GetLastError());
  ExitProcess(2);
}

BOOL CALLBACK ListOurs(HWND window, LPARAM out) {
  for (std::size_t i = 0; i < made.size(); ++i) {
    if (made[i].window != window) continue;
    std::fprintf(reinterpret_cast<FILE*>(out), "%u %lX %lX %lX %lX\n", static_cast<unsigned>(i),
                 static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(window)),
                 GetCurrentThreadId(), GetCurrentProcessId(),
                 static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(made[i].owner)));
  }
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: window_maker LAYOUT OUT STOP\n");
    return 2;
  }
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  for (const std::string& line : Split(ReadFileBytes(argv[1]), '\n')) {
    if (line.empty()) continue;
    const std::vector<std::string> fields = Split(line, '\t');
    if (fields.size() != 3) Fail("reading the window list");
    const std::string& kind = fields[0];
    const std::string& class_name = fields[1];
    const std::string& title = fields[2];

    // A wide window's class is registered with the UTF-16 window
    // procedure, which keeps the title as SetWindowTextW gives it; an ANSI
    // one would pass it through the code page.
    const std::wstring wide_class(class_name.begin(), class_name.end());  // ASCII names
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.hInstance = instance;
    window_class.lpszClassName = class_name.c_str();
    WNDCLASSW wide_window_class = {};
    wide_window_class.lpfnWndProc = DefWindowProcW;
    wide_window_class.hInstance = instance;
    wide_window_class.lpszClassName = wide_class.c_str();
    if (!(kind == "wide" ? RegisterClassW(&wide_window_class) : RegisterClassA(&window_class)) &&
        GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      Fail("RegisterClass");
    }

    Made entry;
    DWORD style = WS_OVERLAPPEDWINDOW;
    if (kind == "owned") {
      if (made.empty()) Fail("an owned window needs an owner");
      entry.owner = made.back().window;
      style = WS_POPUP | WS_CAPTION;
    } else if (kind != "shown" && kind != "hidden" && kind != "wide") {
      Fail("reading a window kind");
    }
    entry.window = CreateWindowExA(0, class_name.c_str(), title.c_str(), style, 10, 10, 200, 100,
                                   entry.owner, nullptr, instance, nullptr);
    if (!entry.window) Fail("CreateWindowExA");
    if (kind == "wide") {
      std::wstring wide(title.size() + 1, L'\0');
      const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, title.data(),
                                             static_cast<int>(title.size()), wide.data(),
                                             static_cast<int>(wide.size()));
      if (length <= 0) Fail("MultiByteToWideChar");
      wide.resize(static_cast<std::size_t>(length));
      if (!SetWindowTextW(entry.window, wide.c_str())) Fail("SetWindowTextW");
    }
    if (kind != "hidden") ShowWindow(entry.window, SW_SHOWNOACTIVATE);
    made.push_back(entry);
  }

  const std::string out = argv[2];
  const std::string partial = out + ".part";
  FILE* file = std::fopen(partial.c_str(), "wb");
  if (!file) Fail("creating the report");
  EnumWindows(ListOurs, reinterpret_cast<LPARAM>(file));
  if (std::fclose(file) != 0) Fail("writing the report");
  if (!MoveFileExA(partial.c_str(), out.c_str(), MOVEFILE_REPLACE_EXISTING)) Fail("MoveFileExA");

  const DWORD start = GetTickCount();
  while (GetFileAttributesA(argv[3]) == INVALID_FILE_ATTRIBUTES) {
    if (GetTickCount() - start > kLifetimeMs) {
      std::fprintf(stderr, "window_maker: no %s after %lu s\n", argv[3], kLifetimeMs / 1000);
      return 3;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  return 0;
}
