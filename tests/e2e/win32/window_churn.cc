// Keeps a desktop busy for the walk tests: stable windows that stay open,
// and threads that create and destroy titled windows without pause.
//
//   window_churn.exe STABLE THREADS OUT STOP [SECONDS]
//
// STABLE windows titled "stable window NN" (NN from 00) stay open for the
// whole run; THREADS threads each create a titled window, destroy it, and
// start again. Once all of them run, OUT appears (written under another
// name, then renamed) with the stable windows' handles, one a line in
// upper-case hex. The program ends when the file STOP exists, or with
// exit code 3 after SECONDS (300 unless given): the test sizes it for its
// runs, which take seconds each under emulation.
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX  // the C++ library may have set it already
#endif
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr DWORD kDefaultLifetimeSeconds = 300;
constexpr char kClass[] = "ChurnWindow";

volatile LONG stopping = 0;
volatile LONG started = 0;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "window_churn: %s failed, error %lu\n", what, GetLastError());
  ExitProcess(2);
}

HWND Make(const char* title) {
  return CreateWindowExA(0, kClass, title, WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

void Pump() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

DWORD WINAPI Churn(void* number) {
  const std::string title = "churning window " + std::to_string(reinterpret_cast<std::uintptr_t>(number));
  InterlockedIncrement(&started);
  while (stopping == 0) {
    const HWND window = Make(title.c_str());
    if (!window) Fail("CreateWindowExA in a churning thread");
    DestroyWindow(window);
    Pump();
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 && argc != 6) {
    std::fprintf(stderr, "usage: window_churn STABLE THREADS OUT STOP [SECONDS]\n");
    return 2;
  }
  const int stable = std::atoi(argv[1]);
  const int threads = std::atoi(argv[2]);
  const DWORD lifetime_seconds = argc == 6 ? static_cast<DWORD>(std::atoi(argv[5])) : kDefaultLifetimeSeconds;

  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = DefWindowProcA;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = kClass;
  if (!RegisterClassA(&window_class)) Fail("RegisterClassA");

  std::vector<HWND> kept;
  for (int i = 0; i < stable; ++i) {
    char title[32];
    std::snprintf(title, sizeof title, "stable window %02d", i);
    const HWND window = Make(title);
    if (!window) Fail("CreateWindowExA");
    kept.push_back(window);
  }
  std::vector<HANDLE> running;
  for (int i = 0; i < threads; ++i) {
    const HANDLE thread = CreateThread(nullptr, 0, Churn, reinterpret_cast<void*>(static_cast<std::uintptr_t>(i)), 0, nullptr);
    if (!thread) Fail("CreateThread");
    running.push_back(thread);
  }
  while (started < threads) Sleep(1);

  const std::string out = argv[3];
  const std::string partial = out + ".part";
  FILE* file = std::fopen(partial.c_str(), "wb");
  if (!file) Fail("creating the report");
  for (HWND window : kept) {
    std::fprintf(file, "%lX\n", static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(window)));
  }
  if (std::fclose(file) != 0) Fail("writing the report");
  if (!MoveFileExA(partial.c_str(), out.c_str(), MOVEFILE_REPLACE_EXISTING)) Fail("MoveFileExA");

  const DWORD start = GetTickCount();
  int code = 0;
  while (GetFileAttributesA(argv[4]) == INVALID_FILE_ATTRIBUTES) {
    if (GetTickCount() - start > lifetime_seconds * 1000) {
      std::fprintf(stderr, "window_churn: no %s after %lu s\n", argv[4], static_cast<unsigned long>(lifetime_seconds));
      code = 3;
      break;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    Pump();
  }
  InterlockedExchange(&stopping, 1);
  WaitForMultipleObjects(static_cast<DWORD>(running.size()), running.data(), TRUE, 10000);
  return code;
}
